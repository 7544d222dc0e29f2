// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>
#include <vector>

#include "library/library_set.h"

namespace trevak {

/// The libraries "Carregar bibliotecas do KiCad" loads: the enabled rows of the user's global
/// table and, when `projectFolder` is given, its project table's on top (project rows win on
/// equal nicknames). Rows that cannot be loaded and tables that do not parse are added to
/// `problems`, one line each; `found` is false when there is no global table at all.
struct KicadTableSet {
  std::vector<NamedLibrary> libraries;
  QStringList problems;
  QString globalTable;  ///< empty when KiCad has none yet
};
KicadTableSet kicadTableSet(const QString& projectFolder = QString());

}  // namespace trevak
