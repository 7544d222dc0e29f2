// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFrame>
#include <QString>
#include <functional>

class QMimeData;

namespace trevak {

/// One of the window's three panels. Its controls sit at fixed positions; a header strip, when
/// given, spans the panel's full width. A panel with a drop handler takes a library file (*.mod)
/// dropped onto it.
class DockPanel final : public QFrame {
  Q_OBJECT

 public:
  explicit DockPanel(QWidget* parent = nullptr);

  /// Keeps `strip` at the top, `height` high, across the whole width.
  void setHeaderStrip(QWidget* strip, int height);
  /// Called with the local path of a *.mod file dropped on the panel.
  void setFileDropped(std::function<void(const QString& path)> handler);

  /// The local *.mod file that dropped data names, or an empty text.
  static QString droppedLibraryPath(const QMimeData* data);

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  QWidget* m_strip = nullptr;
  int m_stripHeight = 0;
  std::function<void(const QString&)> m_fileDropped;
};

}  // namespace trevak
