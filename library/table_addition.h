// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace trevak {

/// Adding a `.pretty` library to one of KiCad's footprint library tables, as `table add` and the
/// window's "Adicionar à tabela de bibliotecas do KiCad..." do it.
struct TableAddition {
  std::string library;   ///< the `.pretty` folder (made absolute)
  std::string nickname;
  std::string table;     ///< a table file or project folder; empty: the user's global table
  bool create = false;   ///< make the table when there is none (the global one from the stock rows)
};

struct TableAdditionResult {
  enum class Outcome {
    Added,
    NicknameTaken,  ///< the table has that nickname already: nothing written
    NoTable,        ///< no such table and `create` not asked: nothing written
    Failed,         ///< not a folder, a table that does not parse, a write that failed
  };
  Outcome outcome = Outcome::Failed;
  std::string tableFile;  ///< the table file the row went (or would go) into
  std::string uri;        ///< the row's path, under a variable where one fits
  std::string error;      ///< in English, for every outcome but Added
};

/// Resolves the table, writes the row's path relative to a variable where one fits
/// (`${KIPRJMOD}/...` in a project table, `${KICADn_FOOTPRINT_DIR}/...` under the stock
/// folder) and inserts the row, the old file kept as `fp-lib-table.bak`.
TableAdditionResult addLibraryToTable(const TableAddition& addition);

/// The global table's file: the existing one, or where a new one would go (`exists` false).
std::string globalTableFile(bool* exists = nullptr);

/// The nickname proposed for a library folder: its name without `.pretty` (any letter case).
std::string proposedNickname(const std::string& libraryFolder);

}  // namespace trevak
