// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>

namespace trevak {
class ModuleTable;
struct LibrarySetContents;
}

namespace trevak::cli {

/// Loads the source library of a command: a library file as the window's "Carregar origem"
/// loads one; a `.pretty` folder or a `.kicad_mod` file as one library of footprint files; or
/// a folder, whose every `*.mod` file and `.pretty` folder is read into one set (files that
/// fail are reported on `err` and skipped). Returns false, having reported why, when the file or every
/// library of the folder failed. `unread`, when given, receives how many files of a folder or
/// table (libraries, or footprints of a `.pretty`) could not be read, and were reported.
bool loadSourceLibrary(const std::string& source, ModuleTable& table, std::ostream& err,
                       std::size_t* unread = nullptr);

/// A command's exit status once its source is known to have had `unread` libraries that could
/// not be read: at least 1, so that a script sees that modules may be missing, with a line on
/// `err` naming the count. `status` is returned as it is when `unread` is 0.
int statusWithUnread(int status, std::size_t unread, const std::string& command, std::ostream& err);

/// The source argument that stands for a KiCad library table's libraries: `tableArg` is a
/// table file or project folder, or empty for the user's global table.
std::string tableSource(const std::string& tableArg);
bool isTableSource(const std::string& source);
/// A source as messages name it.
std::string sourceLabel(const std::string& source);
/// Reads the enabled libraries of a table source into `set` under the table's nicknames;
/// rows that cannot be loaded are reported on `err`. False when nothing could be read.
bool readTableSet(const std::string& source, LibrarySetContents& set, std::ostream& err);

/// What locating a module of a source gave.
enum class Located {
  Found,      ///< the module is current
  Missing,    ///< no such module (nothing reported)
  Ambiguous,  ///< a bare name that several libraries of a set hold, or that several modules
              ///< of one library match in letter case only; the candidates were listed
};

/// Makes the module named `moduleName` current in a table of one library: the module of
/// exactly that name (letter case included) when there is one; otherwise the one module whose
/// name differs only in letter case. Several of those and none exact: Ambiguous, the
/// candidates listed on `err` after a line naming `command`.
Located locateInOneLibrary(ModuleTable& table, const std::string& moduleName,
                           const std::string& command, std::ostream& err);

/// Makes the module `moduleName` current: "NAME" (letter case ignored, as LocateName) or
/// "NICKNAME:NAME" for a module of one library of a set. A bare name found in more than one
/// library of a set is refused and the candidates, one "NICKNAME:NAME" a line, go to `err`
/// after a line naming `command`.
Located locateSourceModule(ModuleTable& table, const std::string& moduleName, const std::string& command,
                           std::ostream& err);

/// locateSourceModule for a command that wants one module of `source`: true when it is current;
/// otherwise false, a missing module reported on `err` as "SOURCE: no module named 'MODULE'".
bool locateOrReport(ModuleTable& table, const std::string& source, const std::string& moduleName,
                    const std::string& command, std::ostream& err);

}  // namespace trevak::cli
