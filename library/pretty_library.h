// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "library/library_set.h"
#include "library/module_table.h"

namespace trevak {

/// The folder store of KiCad's current libraries, read side: a `.pretty` folder holds one
/// footprint per `.kicad_mod` file, and a single `.kicad_mod` file may stand as a library too.
/// Records read here have the format ModuleFormat::KicadMod: their body is the file's text byte
/// for byte and their name the one inside the file (no length limit).

/// The largest footprint file read (a footprint of KiCad's own library is under 1 MB).
inline constexpr std::size_t kKicadModFileLimit = 256u << 20;

/// What a path is as a library, from the file system and its name alone.
enum class LibraryKind {
  Missing,      ///< nothing there (or it cannot be looked at)
  LegacyFile,   ///< any other file: read as a legacy `.mod` library
  PrettyFolder, ///< a folder named `*.pretty` (any letter case)
  KicadModFile, ///< a file named `*.kicad_mod` (any letter case)
  Folder,       ///< any other folder: a set of libraries
};
LibraryKind libraryKindOf(const std::string& path);

/// The format of the records a library of `kind` gives.
inline ModuleFormat formatOf(LibraryKind kind) {
  return kind == LibraryKind::PrettyFolder || kind == LibraryKind::KicadModFile
             ? ModuleFormat::KicadMod
             : ModuleFormat::Legacy;
}

/// True for a name ending in ".pretty" / ".kicad_mod" (letter case ignored).
bool hasPrettySuffix(std::string_view name);
bool hasKicadModSuffix(std::string_view name);

/// KiCad's nickname of a `.pretty` folder (its name without ".pretty") or of one `.kicad_mod`
/// file (the name of the `.pretty` folder holding it; a file elsewhere: its own name without
/// ".kicad_mod").
std::string prettyNickname(const std::string& path);

/// Every `*.kicad_mod` entry of `folder` that is not itself a folder, in name order; the
/// folder is never descended into. A folder that cannot be listed is added to `failures`.
std::vector<std::string> kicadModFilesIn(const std::string& folder,
                                         std::vector<LibraryFailure>& failures);

/// Reads one footprint file's bytes. Throws IoError with a clear message for a folder, FIFO,
/// socket or device (checked before any byte is read, so nothing blocks), a symlink loop, an
/// unreadable file or one over kKicadModFileLimit.
std::string readKicadModFile(const std::string& path);

/// One footprint file read into a record, or why it was left out.
struct KicadModFileResult {
  bool ok = false;
  ModuleRecord record;  ///< when ok
  std::string message;  ///< when not: "line L, column C: what was expected", or the refusal
  bool tooNew = false;  ///< left out for coming from a newer KiCad
  std::size_t bytes = 0;
  /// The file's name without ".kicad_mod", for check's comparison with the name inside.
  std::string fileStem;
};
KicadModFileResult readKicadModRecord(const std::string& path);

/// What reading a `.pretty` folder or a `.kicad_mod` file gave.
struct PrettyLibraryContents {
  ModuleTable table;                     ///< unsorted, in file-name order, format KicadMod
  std::vector<LibraryFailure> failures;  ///< files left out, with their reasons
  std::vector<std::string> files;        ///< the footprint files looked at, in name order
  std::vector<std::string> recordFiles;  ///< the file each row of `table` was read from
  std::size_t bytes = 0;                 ///< bytes of the footprints read
  /// Footprints whose file name differs from the name inside: "FILE: name inside is 'NAME'".
  std::vector<LibraryFailure> nameMismatches;
};

/// Reads every footprint of a `.pretty` folder (or the one of a `.kicad_mod` file) into
/// `contents.table`, on up to `threads` threads (0: as many as the machine has). A footprint
/// that does not read is listed in `failures` and the others are read. A folder that cannot be
/// listed or a file that cannot be read is a failure too; nothing throws for bad input.
void readPrettyLibrary(const std::string& path, PrettyLibraryContents& contents,
                       int threads = 0);

}  // namespace trevak
