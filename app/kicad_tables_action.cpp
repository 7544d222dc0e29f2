// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/kicad_tables_action.h"

#include <QFile>
#include <cstdlib>
#include <optional>

#include "library/library_table.h"

namespace trevak {

namespace {

void collectProblems(const LibraryTable& table, QStringList& problems) {
  for (const std::string& e : table.errors) problems << QString::fromStdString(e);
  for (const LibraryTableRow& row : table.rows) {
    if (row.state == LibraryTableRow::State::Ok || row.state == LibraryTableRow::State::Disabled) continue;
    problems << QStringLiteral("%1:%2: %3: %4")
                    .arg(QString::fromStdString(row.table))
                    .arg(row.line)
                    .arg(QString::fromStdString(row.nickname), QString::fromStdString(row.problem));
  }
}

}  // namespace

KicadTableSet kicadTableSet(const QString& projectFolder) {
  KicadTableSet set;
  const std::string global = findGlobalTable([](const std::string& n) -> std::optional<std::string> {
    const char* v = std::getenv(n.c_str());
    return v != nullptr ? std::optional<std::string>(v) : std::nullopt;
  });
  set.globalTable = QString::fromStdString(global);
  TableVariables vars = TableVariables::fromSystem(global);
  LibraryTable base;
  if (!global.empty()) {
    base = readLibraryTable(global, vars);
    collectProblems(base, set.problems);
  }
  if (projectFolder.isEmpty()) {
    set.libraries = tableLibraries(base);
    return set;
  }
  vars.projectFolder = QFile::encodeName(projectFolder).toStdString();
  const LibraryTable project = readLibraryTable(tableFileOf(vars.projectFolder), vars);
  collectProblems(project, set.problems);
  set.libraries = tableLibraries(base, &project);
  return set;
}

}  // namespace trevak
