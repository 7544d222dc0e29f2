// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "library/module_table.h"

namespace trevak {

/// A library of a set that could not be read, with the reason in the reader's words.
struct LibraryFailure {
  std::string path;
  std::string message;
};

/// Every `*.mod` file and every `*.pretty` folder (suffixes in any letter case) under `folder`,
/// recursively, in path order; a `.pretty` folder is one library and is never descended into.
/// Folders that cannot be listed are added to `failures` and skipped; symbolic links to folders
/// are not followed, so a link loop cannot hold the search.
std::vector<std::string> libraryFilesUnder(const std::string& folder,
                                           std::vector<LibraryFailure>& failures);

/// The libraries a set of sources names: a `.pretty` folder is one library, any other folder
/// gives libraryFilesUnder, anything else is taken as a library file as it is (so an
/// explicitly chosen file loads whatever its name; a `*.kicad_mod` file is a footprint file).
/// The same library named twice is read once.
std::vector<std::string> expandLibrarySources(const std::vector<std::string>& sources,
                                              std::vector<LibraryFailure>& failures);

/// The nickname of each path: its file name without a final ".mod" or ".pretty" (any case), a
/// `.kicad_mod` file's the name of its `.pretty` folder (see prettyNickname); where two
/// files share one, each of them gets as many of its parent folders, joined with "/", as it
/// takes to tell it apart ("a/conn" and "b/conn").
std::vector<std::string> libraryNicknames(const std::vector<std::string>& paths);

/// Splits "NICKNAME:NAME" (KiCad's way of naming a footprint of a library) when the text up to
/// a ':' is one of `nicknames`; otherwise the whole text is a bare name and the nickname empty.
struct QualifiedName {
  std::string nickname;
  std::string name;
};
QualifiedName splitQualifiedName(std::string_view text, const std::vector<std::string>& nicknames);

/// Steers a set load from another thread: the loader reports after each file and stops before
/// the next one once `cancel` is set.
struct LoadControl {
  std::atomic<bool> cancel{false};
  /// Called on the loading thread after each file: files done, files in all, bytes read so far.
  std::function<void(std::size_t done, std::size_t total, std::size_t bytes)> progress;
};

/// What reading a set gave: the whole set in one table, not yet shown anywhere.
struct LibrarySetContents {
  std::unique_ptr<ModuleTable> table = std::make_unique<ModuleTable>();
  std::vector<LibraryFailure> failures;  ///< files (and folders) skipped, in path order
  /// Footprints read whose `.kicad_mod` file name and inside name disagree, for `check`.
  std::vector<LibraryFailure> nameMismatches;
  std::size_t libraryCount = 0;          ///< libraries read into the table
  std::size_t bytes = 0;                 ///< bytes of the libraries read
  bool cancelled = false;
};

/// Reads every library the sources name into one fresh table: each module tagged with its
/// library (nicknames as libraryNicknames gives them, over the files found), sorted by name
/// with ties in the order of the files, first record current, the filter's texts prepared.
/// A file that fails is listed in `failures` and the others are read all the same. Touches no
/// table but its own, so it may run on any thread.
LibrarySetContents readLibrarySet(const std::vector<std::string>& sources,
                                  LoadControl* control = nullptr);

/// One library named with the nickname it must have (a library table's row): `path` is a
/// legacy file, a `.pretty` folder or a `.kicad_mod` file. An empty nickname is made as
/// libraryNicknames makes it.
struct NamedLibrary {
  std::string nickname;
  std::string path;
};

/// readLibrarySet over libraries named one by one (no folder search): each keeps its given
/// nickname, and two rows of one path are read twice, as a table may list them.
LibrarySetContents readNamedLibraries(const std::vector<NamedLibrary>& libraries,
                                      LoadControl* control = nullptr);

/// Puts a set that was read in place of the content of `table` in one step (one notification),
/// keeping the table's filter. A cancelled read changes nothing and returns false.
bool commitLibrarySet(LibrarySetContents& contents, ModuleTable& table);

}  // namespace trevak
