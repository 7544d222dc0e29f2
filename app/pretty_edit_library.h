// SPDX-License-Identifier: GPL-3.0-or-later
// The edit pane's side of a `.pretty` folder: the files as they were at the load, the
// footprints copied in from the search pane, the caption of its format and the save.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/undo_commands.h"
#include "library/module_table.h"
#include "library/pretty_edits.h"

namespace trevak {

class SaveFileLayer;
class UserPrompts;

/// A `.pretty` folder loaded as the edit library. The window's edit table holds its
/// footprints (records of format KicadMod); this object keeps what the folder's files were at
/// the load, so that a save writes only what changed. The folder stays known after another
/// library takes the pane, for an undo that brings it back: holds() tells whether the edit
/// library is it now.
class PrettyEditFolder {
 public:
  explicit PrettyEditFolder(ModuleTable& table) : m_table(table) {}

  /// True for a path the edit pane loads as a `.pretty` folder (asked of the store).
  static bool isPrettyFolder(const QString& path);

  /// True when `table` holds any footprint of a `.kicad_mod` file, which no `.mod` file can hold.
  static bool holdsFootprintFiles(const ModuleTable& table);

  /// True when `editFile` (the file a plain save writes to) is the folder held here.
  bool holds(const QString& editFile) const;
  /// The folder's absolute path; empty before the first load.
  QString folder() const { return m_folder; }

  /// Reads every footprint file of `folder` and, only once all were read, puts them in the
  /// edit table in place of what it held. Returns the files that did not read, one line each
  /// ("FILE: why"); a save leaves them alone. Throws IoError, changing nothing, when the folder
  /// cannot be listed.
  QStringList load(const QString& folder);

  /// The library's format and the KiCad dialects its footprints are written in, e.g.
  /// ".pretty, KiCad 6 (20211014)"; several dialects are listed oldest first.
  QString formatText() const;

  /// What copying search records into the folder gives.
  struct CopyPlan {
    std::vector<ModuleRecord> records;  ///< `.kicad_mod` records ready to go in
    QStringList refused;                ///< "NAME: why", left out
    QStringList notes;                  ///< what the conversion of legacy modules left out
  };
  /// The records the rows of `search` become in the folder: a `.kicad_mod` footprint its text
  /// byte for byte, a legacy module converted by the export's writer. A name the library (or
  /// an earlier record of the same copy) has, letter case aside, or one that cannot be a file
  /// name, is refused.
  CopyPlan planCopy(const ModuleTable& search, const std::vector<int>& rows) const;

  /// The changes strip-prefix makes on the footprints (stripPrettyPrefix, `caption` the
  /// folder's path: each name with the text that follows it); the names that keep their prefix
  /// go to `kept`.
  std::vector<CmdSetModules::Change> stripPrefixChanges(const std::string& caption,
                                                        std::vector<std::string>& kept) const;
  /// The changes fill-names makes on the footprints (fillPrettyPlaceholders).
  std::vector<CmdSetModules::Change> fillNameChanges() const;

  /// How a save ended.
  enum class SaveResult { Saved, Unchanged, Refused, Cancelled, Partial };
  struct SaveOutcome {
    SaveResult result = SaveResult::Saved;
    QString message;  ///< for the status bar (Saved, Unchanged) or an error box (others)
    int written = 0;
    int removed = 0;
  };
  /// Writes the edit table into the folder through savePrettyFolder: untouched files are not
  /// written. Files changed on disk since the load are written over only when `prompts` agrees.
  /// After a complete save the current records are what the files hold.
  SaveOutcome save(UserPrompts& prompts, SaveFileLayer* files);
  /// Writes every footprint into `folder`, made when missing (one that holds anything is
  /// refused, nothing written), which then becomes the library's folder; the old folder is
  /// left as it is.
  SaveOutcome saveAs(const QString& folder, UserPrompts& prompts, SaveFileLayer* files);
  /// A legacy edit library (the edit table's modules, lengths in its unit) written as a new
  /// `.pretty` folder, each module converted by the export's writer, and then loaded from it as
  /// the edit library. A module whose name cannot be a file's, or two whose names differ only in
  /// letter case, refuse the whole save.
  SaveOutcome convertInto(const QString& folder, UserPrompts& prompts, SaveFileLayer* files);

 private:
  static CopyPlan planInto(const ModuleTable& library, const ModuleTable& search,
                           const std::vector<int>& rows);
  /// Empty when `folder` is an empty folder, or was missing and is made now; otherwise why not.
  static QString prepareNewFolder(const QString& folder);
  SaveOutcome writeFolder(const QString& target, LoadedFolder& loaded,
                          const std::vector<WantedFile>& wanted, UserPrompts& prompts,
                          SaveFileLayer* files);
  void takeSavedState(const std::vector<WantedFile>& wanted);

  ModuleTable& m_table;
  QString m_folder;
  // Its table stays empty: the records live in m_table. Null before the first load.
  std::unique_ptr<PrettyEditLibrary> m_library;
};

/// The text of a `.kicad_mod` record renamed to `newName` in the grid (the name inside the
/// file and the value text that was the old name); nullopt with the reason in Portuguese in
/// `refusal` when the name cannot be a footprint file's name or the text does not read.
std::optional<std::string> renamedFootprintText(const std::string& text, const std::string& newName,
                                                QString* refusal);

/// The KiCad release that writes footprint files of `version` ("KiCad 5" for 0).
QString kicadReleaseOf(int version);

}  // namespace trevak
