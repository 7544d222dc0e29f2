// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/window_title.h"

#include <QFileInfo>
#include <QWidget>

namespace trevak {

QString editLibraryTitle(const QString& file, const QString& title) {
  if (file.isEmpty()) return title;
  // A name holding the placeholder itself must not be taken for it.
  QString name = QFileInfo(file).fileName();
  name.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
  return QStringLiteral("%1[*] - %2").arg(name, title);
}

void showEditLibraryTitle(QWidget& window, const QString& file, const QString& title,
                          bool modified) {
  window.setWindowTitle(editLibraryTitle(file, title));
  // Without a file the title has no place for the mark.
  window.setWindowModified(modified && !file.isEmpty());
}

}  // namespace trevak
