// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/window_title.h"

#include <QFileInfo>

namespace trevak {

QString editLibraryTitle(const QString& file, const QString& title) {
  if (file.isEmpty()) return title;
  // A name holding the placeholder itself must not be taken for it.
  QString name = QFileInfo(file).fileName();
  name.replace(QStringLiteral("[*]"), QStringLiteral("[*][*]"));
  return QStringLiteral("%1[*] - %2").arg(name, title);
}

}  // namespace trevak
