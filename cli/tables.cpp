// SPDX-License-Identifier: GPL-3.0-or-later
// `tables`, `table add` and the `--kicad` / `--table` sources: KiCad's footprint library tables.
#include <ostream>
#include <string>
#include <vector>

#include <QFile>
#include <QFileInfo>
#include <cstdlib>
#include <optional>

#include "cli/commands.h"
#include "cli/library_source.h"
#include "library/library_set.h"
#include "library/library_table.h"
#include "library/table_addition.h"
#include "library/module_table.h"

namespace trevak::cli {

namespace {

constexpr const char* kTableSourceTag = "\x1f" "fp-lib-table:";

constexpr const char* kTablesUsage =
    "usage: trevak-cli tables [--kicad | --table FILE|PROJECT_FOLDER]\n"
    "       trevak-cli table add NICKNAME PATH [--kicad | --table FILE|PROJECT_FOLDER] [--create]\n";

// The table a source names: empty for the user's global one.
struct TableChoice {
  std::string path;
  bool project = false;
};

// Reads the table of `tableArg` (empty: the global one) with its variables. False, reported,
// when there is no such table.
bool openTable(const std::string& tableArg, LibraryTable& table, TableVariables& vars, std::ostream& err) {
  const std::string global = findGlobalTable([](const std::string& n) -> std::optional<std::string> {
    const char* v = std::getenv(n.c_str());
    return v != nullptr ? std::optional<std::string>(v) : std::nullopt;
  });
  vars = TableVariables::fromSystem(global);
  std::string path = global;
  if (!tableArg.empty()) {
    path = tableFileOf(tableArg);
    vars.projectFolder = QFileInfo(QString::fromStdString(path)).absolutePath().toStdString();
  } else if (global.empty()) {
    err << "trevak-cli: KiCad has no global footprint library table yet (KiCad never started); "
           "`trevak-cli table add NICKNAME PATH --kicad --create` makes one from the stock table\n";
    return false;
  }
  table = readLibraryTable(path, vars);
  for (const std::string& e : table.errors) err << "trevak-cli: " << e << '\n';
  return table.found;
}

}  // namespace

std::string tableSource(const std::string& tableArg) { return kTableSourceTag + tableArg; }

bool isTableSource(const std::string& source) { return source.rfind(kTableSourceTag, 0) == 0; }

std::string sourceLabel(const std::string& source) {
  if (!isTableSource(source)) return source;
  const std::string table = source.substr(std::string(kTableSourceTag).size());
  return table.empty() ? std::string("KiCad's global library table") : tableFileOf(table);
}

Args expandTableOptions(const Args& args) {
  Args out;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--kicad") {
      out.push_back(tableSource(""));
    } else if (args[i] == "--table" && i + 1 < args.size()) {
      out.push_back(tableSource(args[++i]));
    } else {
      out.push_back(args[i]);
    }
  }
  return out;
}

bool readTableSet(const std::string& source, LibrarySetContents& set, std::ostream& err) {
  LibraryTable table;
  TableVariables vars;
  const std::string tableArg = source.substr(std::string(kTableSourceTag).size());
  if (!openTable(tableArg, table, vars, err)) return false;
  for (const LibraryTableRow& row : table.rows) {
    if (row.state != LibraryTableRow::State::Ok && row.state != LibraryTableRow::State::Disabled) {
      err << "trevak-cli: " << row.table << ':' << row.line << ": " << row.nickname << ": " << row.problem << '\n';
    }
  }
  set = readNamedLibraries(tableLibraries(table));
  for (const LibraryFailure& f : set.failures) err << "trevak-cli: " << f.path << ": " << f.message << '\n';
  if (set.libraryCount == 0) {
    err << "trevak-cli: " << table.path << ": no library of the table could be read\n";
    return false;
  }
  return true;
}

int cmdTables(const Args& rawArgs, std::ostream& out, std::ostream& err) {
  const Args args = expandTableOptions(rawArgs);
  if (args.size() > 1 || (args.size() == 1 && !isTableSource(args[0]))) {
    err << kTablesUsage;
    return 2;
  }
  const std::string tableArg = args.empty() ? std::string() : args[0].substr(std::string(kTableSourceTag).size());
  LibraryTable table;
  TableVariables vars;
  if (!openTable(tableArg, table, vars, err)) return 2;
  out << table.path << '\n';
  for (const LibraryTableRow& row : table.rows) {
    out << row.nickname << '\t' << row.type << '\t' << row.uri << '\t' << row.resolved << '\t'
        << tableRowStateName(row.state) << (row.hidden ? ",hidden" : "") << '\n';
  }
  if (!out) return 2;
  return table.errors.empty() ? 0 : 1;
}

int cmdTable(const Args& rawArgs, std::ostream& out, std::ostream& err) {
  const Args args = expandTableOptions(rawArgs);
  if (args.empty() || args[0] != "add") {
    err << kTablesUsage;
    return 2;
  }
  std::vector<std::string> words;
  std::string tableArg;
  bool create = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (isTableSource(args[i])) {
      tableArg = args[i].substr(std::string(kTableSourceTag).size());
    } else if (args[i] == "--create") {
      create = true;
    } else {
      words.push_back(args[i]);
    }
  }
  if (words.size() != 2) {
    err << kTablesUsage;
    return 2;
  }
  TableAddition addition;
  addition.nickname = words[0];
  addition.library = words[1];
  addition.table = tableArg;
  addition.create = create;
  const TableAdditionResult result = addLibraryToTable(addition);
  switch (result.outcome) {
    case TableAdditionResult::Outcome::Added:
      break;
    case TableAdditionResult::Outcome::NoTable:
      err << "trevak-cli: table add: " << result.error
          << (tableArg.empty() ? "; --create makes one from the stock table's rows plus the new one\n"
                               : "; --create makes an empty one\n");
      return 1;
    case TableAdditionResult::Outcome::NicknameTaken:
      err << "trevak-cli: table add: " << result.error << '\n';
      return 1;
    case TableAdditionResult::Outcome::Failed:
      err << "trevak-cli: table add: " << result.error << '\n';
      return 2;
  }
  out << result.tableFile << ": " << addition.nickname << '\t' << result.uri << '\n';
  return out ? 0 : 2;
}

}  // namespace trevak::cli
