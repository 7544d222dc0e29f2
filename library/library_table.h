// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "library/library_set.h"

namespace trevak {

/// Where a table's variables come from, in the order KiCad looks: KIPRJMOD (a project table's
/// folder), the environment, KiCad's `kicad_common.json` ("environment" -> "vars"), and last
/// KICAD6_FOOTPRINT_DIR ... KICAD10_FOOTPRINT_DIR defaulting to the stock footprint folder.
struct TableVariables {
  /// Reads an environment variable; unset gives nullopt. Defaults to the process environment.
  std::function<std::optional<std::string>(const std::string&)> environment;
  std::map<std::string, std::string> common;  ///< from kicad_common.json
  std::string projectFolder;                  ///< KIPRJMOD; empty for a global table
  std::string stockFootprints = "/usr/share/kicad/footprints";

  /// The process environment, kicad_common.json beside `globalTable` (when there is one) and
  /// the stock folder.
  static TableVariables fromSystem(const std::string& globalTable);
  std::optional<std::string> value(const std::string& name) const;
};

/// `${NAME}` and `$(NAME)` replaced by their values; the names not set are added to `unset`
/// and left as written.
std::string expandTableVariables(const std::string& text, const TableVariables& vars,
                                 std::vector<std::string>* unset = nullptr);

/// The variables of kicad_common.json's "environment" -> "vars" (empty when the file is
/// missing or holds none); a file that is not JSON gives an error in `error`.
std::map<std::string, std::string> readKicadCommonVars(const std::string& path,
                                                       std::string* error = nullptr);

/// One row of a table, as written and as resolved.
struct LibraryTableRow {
  enum class State {
    Ok,          ///< an enabled library that can be read
    Disabled,    ///< (disabled): kept, not loaded
    Missing,     ///< the resolved path does not exist
    Unset,       ///< the path names a variable that is not set
    Unknown,     ///< a type this program cannot read (or a table row that fails)
  };
  std::string nickname;
  std::string type;   ///< as written: KiCad, Legacy, Table...
  std::string uri;    ///< as written
  std::string options;
  std::string description;
  bool disabled = false;
  bool hidden = false;
  std::string resolved;  ///< the path with its variables replaced
  std::string table;     ///< the table file that holds the row
  int line = 0;
  State state = State::Ok;
  std::string problem;   ///< why a row is not Ok, in English
};

/// A table read from a file, `Table` rows followed (their rows come right after them).
struct LibraryTable {
  std::string path;
  bool found = false;                 ///< the file exists and was read
  std::vector<LibraryTableRow> rows;  ///< every row read, Table rows included
  std::vector<std::string> errors;    ///< "FILE:LINE:COLUMN: what was expected", in order
};

/// Reads a table's text. Rows read before a syntax error are kept; rows that cannot be used
/// are kept with their state. `path` names the table in messages and resolves nothing.
LibraryTable parseLibraryTable(const std::string& text, const std::string& path,
                               const TableVariables& vars);

/// Reads a table file, following `Table` rows into other files (a file already being read is
/// not read again: that row is marked and the rest loads).
LibraryTable readLibraryTable(const std::string& path, const TableVariables& vars);

/// The rows to load: enabled rows that can be read, with `over` (a project's table) winning over
/// `base` (the global one) on equal nicknames; Table rows give nothing themselves.
std::vector<NamedLibrary> tableLibraries(const LibraryTable& base, const LibraryTable* over = nullptr);

/// Candidates for the user's global table, newest first: `$KICAD_CONFIG_HOME/fp-lib-table`
/// when that is set, else the configuration folder + kicad/10.0 ... 6.0, then KiCad 5's
/// kicad/fp-lib-table.
std::vector<std::string> globalTableCandidates(
    const std::function<std::optional<std::string>(const std::string&)>& environment);
/// The first candidate that exists, or empty.
std::string findGlobalTable(
    const std::function<std::optional<std::string>(const std::string&)>& environment);
/// Where a new global table goes: beside the newest version folder present, else kicad/6.0.
std::string newGlobalTablePath(
    const std::function<std::optional<std::string>(const std::string&)>& environment);

/// The stock table of the installed KiCad (Debian's), or empty when none is installed.
std::string stockTablePath();

/// A table file, or the `fp-lib-table` of a project folder.
std::string tableFileOf(const std::string& fileOrFolder);

/// `path` written the way a table row wants it: under a variable's folder as `${NAME}/rest`
/// (KIPRJMOD first, then the longest folder of a KiCad variable), else absolute.
std::string tableUriFor(const std::string& path, const TableVariables& vars);

/// `text` with one row inserted before the table's closing parenthesis, every other byte as it
/// was (the row's indent and line end follow the table's). Returns false with `error` when the
/// text is not a table or already has `nickname`.
bool insertTableRow(std::string& text, const std::string& nickname, const std::string& type,
                    const std::string& uri, std::string& error);

/// Adds a row to the table file `path`: the old file is kept as `fp-lib-table.bak` beside it,
/// the new one written through a temporary file and a rename. With `createFrom` (a table's
/// text) and no file at `path`, the file is made from that text plus the row.
bool addTableRow(const std::string& path, const std::string& nickname, const std::string& uri,
                 std::string& error, const std::string* createFrom = nullptr);

const char* tableRowStateName(LibraryTableRow::State state);

}  // namespace trevak
