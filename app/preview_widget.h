// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QWidget>

namespace trevak {

/// A pane picture: shows the top-left part of a raster at the widget's own size, unscaled.
/// It only copies pixels; the drawing is made elsewhere into the raster.
class PreviewWidget final : public QWidget {
  Q_OBJECT

 public:
  explicit PreviewWidget(QWidget* parent = nullptr);

  /// The raster to show; it must outlive the widget or be replaced first. Null shows white.
  void setRaster(const QImage* raster);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  const QImage* m_raster = nullptr;
};

}  // namespace trevak
