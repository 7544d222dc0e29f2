// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>
#include <QWidget>

namespace trevak {

/// A pane picture: shows the top-left part of an image at the widget's own size, unscaled,
/// white where the image ends. It only copies pixels; the drawing is made elsewhere.
class PreviewWidget final : public QWidget {
  Q_OBJECT

 public:
  explicit PreviewWidget(QWidget* parent = nullptr);

  /// The image to show from now on. A null image shows white.
  void setImage(QImage image);
  const QImage& image() const { return m_image; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QImage m_image;
};

}  // namespace trevak
