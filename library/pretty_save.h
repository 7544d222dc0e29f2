// SPDX-License-Identifier: GPL-3.0-or-later
// Saving a `.pretty` folder: only the footprint files that changed are written, each whole
// through a temporary file, and no file the library does not own is touched.
#pragma once

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "library/file_lock.h"
#include "library/library_writer.h"

namespace trevak {

/// One footprint file as it was when the folder was loaded.
struct LoadedFile {
  FileIdentity identity;          ///< taken before the file was read
  std::uint64_t contentHash = 0;  ///< footprintTextHash of the bytes read
};

/// The footprint files of a folder as loaded, by file name ("NAME.kicad_mod", no folder). Only
/// files that were read belong here: a file that did not read is never written over or removed.
using LoadedFolder = std::map<std::string, LoadedFile>;

/// The hash LoadedFile keeps (64-bit FNV-1a): it tells a file rewritten with the same bytes
/// (a touch, a copy back) from one really changed, so that only the latter stops a save.
std::uint64_t footprintTextHash(std::string_view text);

/// A footprint file the folder is to hold after the save.
struct WantedFile {
  std::string fileName;   ///< the entry in the folder, ending in ".kicad_mod"
  std::string_view text;  ///< the file's bytes; must outlive the save
  /// `text` is the loaded file of this name byte for byte: it is not written.
  bool unchanged = false;
};

/// A save refused before anything was written.
class PrettySaveRefused : public std::runtime_error {
 public:
  enum class Reason {
    BadName,        ///< empty, `/`, `\`, `..`, a control byte or NUL, too long
    NameClash,      ///< two files whose names are equal, letter case aside
    ChangedOnDisk,  ///< another program changed, made or deleted a file since the load
    NotAFile,       ///< a folder, link or device stands where a footprint is to be written
  };
  PrettySaveRefused(Reason reason, std::vector<std::string> files, const std::string& message)
      : std::runtime_error(message), m_reason(reason), m_files(std::move(files)) {}
  Reason reason() const { return m_reason; }
  /// The file names concerned.
  const std::vector<std::string>& files() const { return m_files; }

 private:
  Reason m_reason;
  std::vector<std::string> m_files;
};

struct PrettySaveOptions {
  /// Write over (or remove) files changed on disk since the load, and write back files
  /// deleted since: the library as held wins.
  bool force = false;
  SaveFileLayer* files = nullptr;  ///< nullptr: the system's files
};

/// What a save did. A save that stopped part-way names what was and was not written; every
/// footprint kept is then readable, either its old file or its new one.
struct PrettySaveReport {
  std::vector<std::string> written;     ///< files written (new or replaced), in order
  std::vector<std::string> removed;     ///< files removed (deleted, or renamed away)
  std::vector<std::string> notWritten;  ///< files due to be written that were not
  std::vector<std::string> notRemoved;  ///< files due to be removed that are still there
  std::string error;                    ///< what stopped the save; empty when it completed
  bool complete() const { return error.empty(); }
};

/// True for a footprint file name a save may write: "NAME.kicad_mod" with a NAME that is not
/// empty and holds no `/`, `\`, `..`, NUL or other control byte, short enough that its
/// temporary file's name fits a folder entry. `why` receives the reason of a refusal.
bool writableFootprintFileName(std::string_view fileName, std::string* why = nullptr);

/// Makes `folder` (a `.pretty` folder, which must exist) hold the `wanted` footprint files.
///
/// Files marked unchanged are left alone. Every other wanted file is first written whole into
/// a temporary file in the folder (one that replaces a file keeps that file's permission bits
/// and is forced to disk); once all are written they are renamed over their names, and only
/// after every one is in place are the loaded files that no wanted file names removed (deleted
/// or renamed footprints). Files of the folder that are not in `loaded` are never written over or
/// removed, nor is anything outside the folder touched. A save with nothing changed writes
/// nothing.
///
/// Throws PrettySaveRefused, having written nothing, for a name writableFootprintFileName
/// refuses, two wanted names (one of them to be written) equal ignoring letter case, a name
/// equal ignoring case to a file of the folder that was not loaded, or (unless
/// `options.force`) a loaded file that is to be replaced or removed, or kept, and was changed,
/// made or deleted since the load. Throws IoError when the folder cannot be looked at.
///
/// A write that fails (a full disk, a read-only folder) stops the save with the folder as it
/// was; a rename that fails stops it with the files renamed so far in place and the rest and
/// every removal left (written, notWritten, notRemoved, `error`), so no footprint is lost. `loaded`
/// is brought up to date with what is on disk afterwards (files written get their new identity,
/// files removed go), so that the next save with the same wanted files finishes the job.
PrettySaveReport savePrettyFolder(const std::string& folder, LoadedFolder& loaded,
                                  const std::vector<WantedFile>& wanted,
                                  const PrettySaveOptions& options);

}  // namespace trevak
