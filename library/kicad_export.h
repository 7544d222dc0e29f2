// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "library/kicad_mod_writer.h"
#include "library/library_writer.h"
#include "library/module_table.h"

namespace trevak {

/// One module to export: its name and body as the module table holds them (not copied).
struct ExportModule {
  std::string_view name;
  std::string_view body;
  /// The unit of this module's own library (a set of libraries may mix them); None: the unit
  /// given to exportPretty.
  LengthUnit unit = LengthUnit::None;
  /// A `.kicad_mod` module's body is its file's text: it is written as it is when its name
  /// needs no change, and through the typed items under the new name otherwise.
  ModuleFormat format = ModuleFormat::Legacy;
};

/// The modules of a table in table order, viewing the table's records.
std::vector<ExportModule> exportModulesOf(const ModuleTable& table);

struct ExportOptions {
  /// Replace files of the same name whose content differs (otherwise they are refused).
  bool force = false;
  /// nullptr: the system's files (PosixFileLayer).
  SaveFileLayer* files = nullptr;
  /// Called on the calling thread between modules with the number done and the total;
  /// returning false stops the export there: modules begun are finished, the files written
  /// stay, each of them whole, and the report holds the first modules up to where it stopped.
  std::function<bool(std::size_t done, std::size_t total)> progress;
  /// Threads that parse, format and fill unnamed files (the files are named on the calling
  /// thread, in module order); 0: one per core, at most four, or one when `files` is given. A
  /// layer given with more than one thread is called from all of them. Each module's result is
  /// the same whatever the number.
  unsigned threads = 0;
  /// The KiCad names to use, one per module; nullptr: exportFootprintNames of the modules.
  /// Exporting a few modules of a library with the names of the whole library keeps each
  /// module's file name the same whichever modules are picked.
  const std::vector<std::string>* footprintNames = nullptr;
};

/// What became of one module.
enum class ExportOutcome {
  Written,           ///< a new file
  Unchanged,         ///< a file with exactly this content was there and is left alone
  Replaced,          ///< a different file was there and was replaced (force)
  RefusedDifferent,  ///< a different file is there; left untouched (no force)
  RefusedNotAFile,   ///< the folder holds something else than a plain file under that name
                     ///< (a link, a folder...); left untouched
  RefusedName,       ///< the name is empty or holds control characters; nothing written
  Failed,            ///< writing failed (`error` says why); any old file keeps its bytes
};

struct ExportedFootprint {
  std::string moduleName;  ///< as in the library (bytes)
  std::string footprintName;  ///< the name in KiCad: escaped, `_v2`... for repeated names
  std::string fileName;       ///< footprintName + ".kicad_mod"; empty for RefusedName
  ExportOutcome outcome = ExportOutcome::Written;
  std::string error;              ///< for Failed
  std::vector<KicadModNote> notes;  ///< what the writer left out or changed
};

struct ExportReport {
  std::vector<ExportedFootprint> footprints;  ///< in the order of the modules given
  bool stopped = false;                       ///< the progress callback stopped the export
  std::size_t count(ExportOutcome outcome) const;
  /// True when no footprint was refused or failed.
  bool succeeded() const;
};

/// The KiCad names of `modules` in order: kicadFootprintName, then `_v2`, `_v3`... for a name
/// equal, ignoring case, to an earlier one, so that no two files can overwrite each other on a
/// file system that ignores case. Empty for a name that cannot be exported (empty, or holding
/// a control character).
std::vector<std::string> exportFootprintNames(const std::vector<ExportModule>& modules);

/// Exports `modules` (lengths in `unit`) as one `.kicad_mod` file each into `folder`, which is
/// created (with its parents) when missing. Each file goes through a new temporary file in the folder
/// that is renamed over the target once complete, so no half-written file is ever left. A file
/// already there with identical content is left alone; a different one is refused unless
/// `options.force`; a link or anything but a plain file under that name is never written
/// through. Names never leave the folder: `/` and `\` are escaped in them.
///
/// Throws IoError when the folder cannot be created or is not a folder; problems with single
/// footprints are reported in the result and the export goes on.
ExportReport exportPretty(const std::vector<ExportModule>& modules, LengthUnit unit,
                          const std::string& folder, const ExportOptions& options);

}  // namespace trevak
