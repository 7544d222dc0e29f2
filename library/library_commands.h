// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>
#include <string>
#include <string_view>
#include <vector>

namespace trevak {

class ModuleTable;

/// The refusal of a copy whose name the edit library holds already (any letter case), shown in
/// an error box with one OK button.
/// Marked for the window's translation (QT_TRANSLATE_NOOP, context "trevak::library").
inline constexpr std::string_view kDuplicateModuleMessage = QT_TRANSLATE_NOOP(
    "trevak::library", "Já existe um componente com este nome na biblioteca atual!");

/// The caption of the edit pane's header strip after the new-library command.
inline constexpr std::string_view kNewLibraryCaption = "nova";

/// Deletes the edit library's current module (the delete command). Returns false, doing
/// nothing, on an empty table; true when a module went, and then the caller sets the modified
/// flag. The module that followed becomes current, or the new last one.
bool deleteCurrentModule(ModuleTable& edit);

/// What the copy command did.
enum class CopyResult {
  NothingToCopy,  ///< the search library is empty; nothing changed, nothing to say
  Duplicate,      ///< the edit library holds the name already; that module is now current
  Copied,         ///< the module was added; it is current at its place in name order
  OtherFormat,    ///< a `.kicad_mod` footprint, which a legacy library cannot hold; nothing changed
};

/// Copies the search library's current module into the edit library (the copy command): the
/// name is looked up with LocateName; when absent a new record takes the search module's name
/// and whole body, and the edit library is sorted by name again. The search library is not
/// changed and its current module does not move.
///
/// Lengths follow the edit library's unit: a body copied across units has its length fields
/// converted (convertBodyLengths), everything else of it kept byte for byte. An edit library
/// without a unit (LengthUnit::None, a new one) takes the body as it is and the search
/// library's unit with its first module.
///
/// On Duplicate the caller shows kDuplicateModuleMessage. On Copied the caller sets the edit
/// library's modified flag: a copied module is unsaved work like any other change, and the new
/// record is stored without EditRecord, so the after-edit hook does not see it.
CopyResult copyCurrentModule(ModuleTable& search, ModuleTable& edit);

/// Empties the edit library (the new-library command's table part) and leaves it without a
/// unit (LengthUnit::None) until its first module arrives. The caller asks about unsaved changes
/// first, clears its modified flag and sets the caption to kNewLibraryCaption.
void newLibrary(ModuleTable& edit);

/// The library's base name from the caption of the edit pane's header strip: what follows the
/// last "/", "\" or ":", without its last "." and what follows it. "C:\kicad\modules\conn.mod"
/// and "/home/u/conn.mod" give "conn"; "nova" gives "nova"; "" gives "".
std::string libraryBaseName(std::string_view caption);

/// Replaces every occurrence of `pattern` in `text`, exactly (letter case counts), left to
/// right without overlapping; an inserted replacement is never searched again. An empty
/// pattern leaves the text as it is.
std::string replaceAll(std::string_view text, std::string_view pattern,
                       std::string_view replacement);

/// What strip-prefix does to each module of a library: every "B-" and then every "B-" in
/// capitals is removed from its name (B the library's base name, from `caption` as the header
/// strip shows it), wherever it stands. A module whose strip would leave its name empty or equal
/// (as sameModuleName says) to another module's name after the strip keeps its name and is
/// listed in `kept`; the others are stripped.
struct StripPlan {
  std::vector<std::string> names;  ///< each row's name after the command
  std::vector<std::string> kept;   ///< the names left as they were, and why: in table order
};
StripPlan planStripPrefix(const ModuleTable& edit, std::string_view caption);

/// Gives every module of the edit library its name from planStripPrefix (the strip-prefix
/// command) and returns the names kept. `caption` is the edit library's path as the header strip shows
/// it. Every record is opened with EditRecord, so the after-edit hook sets the modified flag
/// once a table holds a module. The table is not sorted again; the last record ends up current
/// and the views see one notification at the start (MoveFirst) and one at the end.
std::vector<std::string> stripLibraryPrefix(ModuleTable& edit, std::string_view caption);

/// Writes each module's name over every ">NAME" of its own body (the copy-name command); the
/// same walk, hook and notifications as stripLibraryPrefix.
void fillNamePlaceholders(ModuleTable& edit);

/// One move of the navigation buttons.
enum class Move { First, Next, Prior, Last };

/// Applies `move` to the edit library and then to the search library, each by position on its
/// own ("Primeiro", "Proximo", "Anterior", "Último").
void moveBoth(ModuleTable& edit, ModuleTable& search, Move move);

}  // namespace trevak
