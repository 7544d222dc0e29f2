// SPDX-License-Identifier: GPL-3.0-or-later
// A `.pretty` folder as an edit library: its footprints in a table, what each file was at the
// load, and the edits that change a footprint's file text (rename, conversion on copy).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "library/kicad_mod_writer.h"
#include "library/library_set.h"
#include "library/module_table.h"
#include "library/pretty_save.h"

namespace trevak {

/// A `.pretty` folder loaded for editing.
struct PrettyEditLibrary {
  std::string folder;
  ModuleTable table;                     ///< format KicadMod, in file-name order
  std::vector<LibraryFailure> failures;  ///< files that did not read; a save leaves them alone
  LoadedFolder loaded;                   ///< the files read, as they were
  /// What a record read from a file was, by its creation number.
  struct Origin {
    std::string fileName;  ///< in the folder
    std::string name;      ///< the name inside the file
    std::string text;      ///< the file's bytes
  };
  std::unordered_map<std::uint64_t, Origin> origins;
};

/// Reads every footprint file of `folder` into `library` (see readPrettyLibrary); files that do
/// not read are listed in `failures`. Throws IoError when `folder` is not a folder that can be
/// listed.
void loadPrettyForEdit(const std::string& folder, PrettyEditLibrary& library);

/// The footprint file name of a footprint name: NAME.kicad_mod.
std::string footprintFileName(std::string_view name);

/// The files the table stands for now, for savePrettyFolder: a record still of the name it was
/// read with keeps its file (unchanged when its text is the file's, byte for byte); a renamed
/// or new record gets footprintFileName of its name. The texts view the table's records.
std::vector<WantedFile> wantedFilesOf(const PrettyEditLibrary& library);
/// The same for a table that holds the library's records in place of `library.table` (the
/// window's edit table, into which the load moved them).
std::vector<WantedFile> wantedFilesOf(const PrettyEditLibrary& library, const ModuleTable& table);

/// A `.kicad_mod` file's text for the footprint renamed `newName`: the name after
/// `(footprint` or `(module`, and the value text (`fp_text value` or `property "Value"`) when it
/// was the old name, each written as KiCad quotes it; every other byte stays as it was.
/// nullopt, with the reason in `why`, for a text that is not one footprint.
std::optional<std::string> renameKicadModText(std::string_view text, std::string_view newName,
                                              std::string* why = nullptr);

/// The text with every `>NAME` inside its strings and atoms (the legacy placeholder for the
/// footprint's name, as converted libraries carry it) replaced by `name`, each token rewritten
/// as KiCad quotes it and every other byte kept. The text as it is when it holds none, or does
/// not read.
std::string fillKicadModPlaceholders(std::string_view text, std::string_view name);

/// fill-names on a table of `.kicad_mod` records: fillKicadModPlaceholders with each record's
/// own name. Returns the number of records changed.
int fillPrettyPlaceholders(ModuleTable& edit);

/// strip-prefix on a table of `.kicad_mod` records: the names planStripPrefix gives for
/// `caption` (the folder's path), each footprint renamed as renameKicadModText renames it.
/// Returns the names kept as they were, as stripLibraryPrefix does; a footprint whose new name
/// cannot be a file name, or whose text does not read, keeps its name and is listed too.
std::vector<std::string> stripPrettyPrefix(ModuleTable& edit, std::string_view caption);

/// A record of a `.pretty` edit library made from any record: a `.kicad_mod` footprint as its
/// text byte for byte; a legacy module (lengths in `unit`) written by the export's writer
/// under kicadFootprintName of its name, with what the writer left out in `notes`.
ModuleRecord prettyRecordOf(const ModuleRecord& record, LengthUnit unit,
                            std::vector<KicadModNote>& notes);

}  // namespace trevak
