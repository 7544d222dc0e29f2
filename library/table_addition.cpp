// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/table_addition.h"

#include <QFile>
#include <QFileInfo>
#include <cstdlib>
#include <optional>

#include "library/library_table.h"
#include "library/pretty_library.h"

namespace trevak {

namespace {

std::optional<std::string> processVariable(const std::string& name) {
  const char* v = std::getenv(name.c_str());
  return v != nullptr ? std::optional<std::string>(v) : std::nullopt;
}

}  // namespace

std::string globalTableFile(bool* exists) {
  std::string path = findGlobalTable(processVariable);
  if (exists != nullptr) *exists = !path.empty();
  if (path.empty()) path = newGlobalTablePath(processVariable);
  return path;
}

std::string proposedNickname(const std::string& libraryFolder) {
  std::string name = QFileInfo(QString::fromStdString(libraryFolder)).fileName().toStdString();
  if (hasPrettySuffix(name)) name.resize(name.size() - 7);
  return name;
}

TableAdditionResult addLibraryToTable(const TableAddition& addition) {
  TableAdditionResult result;
  const QFileInfo folder(QString::fromStdString(addition.library));
  const std::string library = folder.absoluteFilePath().toStdString();
  if (!folder.isDir()) {
    result.error = library + " is not a .pretty folder";
    return result;
  }
  if (addition.nickname.empty()) {
    result.error = "a library needs a nickname";
    return result;
  }
  TableVariables vars;
  std::string createText;
  if (addition.table.empty()) {
    bool exists = false;
    result.tableFile = globalTableFile(&exists);
    if (!exists) {
      if (!addition.create) {
        result.outcome = TableAdditionResult::Outcome::NoTable;
        result.error = "KiCad has no global footprint library table yet (" + result.tableFile + ")";
        return result;
      }
      createText = "(fp_lib_table\n)\n";
      if (const std::string stock = stockTablePath(); !stock.empty()) {
        QFile f(QString::fromStdString(stock));
        if (f.open(QIODevice::ReadOnly)) createText = f.readAll().toStdString();
      }
    }
    vars = TableVariables::fromSystem(result.tableFile);
  } else {
    result.tableFile = tableFileOf(addition.table);
    vars = TableVariables::fromSystem(findGlobalTable(processVariable));
    vars.projectFolder = QFileInfo(QString::fromStdString(result.tableFile)).absolutePath().toStdString();
    if (!QFileInfo::exists(QString::fromStdString(result.tableFile))) {
      if (!addition.create) {
        result.outcome = TableAdditionResult::Outcome::NoTable;
        result.error = result.tableFile + ": no such table";
        return result;
      }
      createText = "(fp_lib_table\n  (version 7)\n)\n";
    }
  }
  result.uri = tableUriFor(library, vars);
  if (!addTableRow(result.tableFile, addition.nickname, result.uri, result.error,
                   createText.empty() ? nullptr : &createText)) {
    result.outcome = result.error.find("already has") != std::string::npos
                         ? TableAdditionResult::Outcome::NicknameTaken
                         : TableAdditionResult::Outcome::Failed;
    return result;
  }
  result.outcome = TableAdditionResult::Outcome::Added;
  return result;
}

}  // namespace trevak
