// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/dock_panel.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QResizeEvent>
#include <QUrl>
#include <utility>

namespace trevak {

DockPanel::DockPanel(QWidget* parent) : QFrame(parent) {
  setFrameStyle(QFrame::Panel | QFrame::Raised);
  setLineWidth(1);
}

void DockPanel::setHeaderStrip(QWidget* strip, int height) {
  m_strip = strip;
  m_stripHeight = height;
  if (m_strip != nullptr) m_strip->setGeometry(0, 0, width(), m_stripHeight);
}

void DockPanel::setFileDropped(std::function<void(const QString&)> handler) {
  m_fileDropped = std::move(handler);
  setAcceptDrops(static_cast<bool>(m_fileDropped));
}

QString DockPanel::droppedLibraryPath(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls()) return {};
  const QList<QUrl> urls = data->urls();
  if (urls.size() != 1 || !urls.first().isLocalFile()) return {};
  const QString path = urls.first().toLocalFile();
  if (!path.endsWith(QLatin1String(".mod"), Qt::CaseInsensitive)) return {};
  return path;
}

void DockPanel::resizeEvent(QResizeEvent* event) {
  QFrame::resizeEvent(event);
  if (m_strip != nullptr) m_strip->setGeometry(0, 0, width(), m_stripHeight);
}

void DockPanel::dragEnterEvent(QDragEnterEvent* event) {
  if (m_fileDropped && !droppedLibraryPath(event->mimeData()).isEmpty()) {
    event->acceptProposedAction();
  }
}

void DockPanel::dropEvent(QDropEvent* event) {
  const QString path = droppedLibraryPath(event->mimeData());
  if (!m_fileDropped || path.isEmpty()) return;
  event->acceptProposedAction();
  m_fileDropped(path);
}

}  // namespace trevak
