// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/pretty_save.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QString>
#include <algorithm>
#include <cerrno>
#include <optional>
#include <random>
#include <unordered_map>

#include "library/io_error.h"
#include "library/pretty_library.h"
#include "library/save_cleanup.h"

namespace trevak {

namespace {

constexpr std::string_view kExtension = ".kicad_mod";
constexpr std::string_view kTemporaryMark = ".save-";
constexpr int kTemporaryNameAttempts = 100;
// A folder entry holds 255 bytes; the temporary name adds a dot, the mark and nine digits.
constexpr std::size_t kMaxFileName = 255 - 1 - kTemporaryMark.size() - 9;

std::string caseFolded(std::string_view name) {
  bool ascii = true;
  for (const char c : name) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (!ascii) {
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()))
        .toCaseFolded()
        .toStdString();
  }
  std::string folded(name);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

std::string joinNames(const std::vector<std::string>& names) {
  std::string text;
  for (const std::string& n : names) {
    if (!text.empty()) text += ", ";
    text += n;
  }
  return text;
}

// The entries of the folder, by name, with whether each is a plain file (not followed).
std::map<std::string, bool> folderEntries(const std::string& folder) {
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) throw ioErrorFromErrno(errno);
  std::map<std::string, bool> entries;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat st {};
    const bool plain = ::lstat((folder + "/" + name).c_str(), &st) == 0 && S_ISREG(st.st_mode);
    entries.emplace(name, plain);
  }
  ::closedir(dir);
  return entries;
}

// Whether the file at `path` is still the one loaded: the same identity, or other bytes
// equal to those read (a file touched or copied back).
bool stillAsLoaded(const std::string& path, const LoadedFile& file) {
  const std::optional<FileIdentity> now = fileIdentityOf(path);
  if (!now) return false;
  if (*now == file.identity) return true;
  try {
    return footprintTextHash(readKicadModFile(path)) == file.contentHash;
  } catch (const IoError&) {
    return false;
  }
}

// The system's files, with renames that do not force the folder to disk each time: the save
// forces it once at its end (a flush per file made saving a large folder slow).
class FolderFileLayer final : public PosixFileLayer {
 public:
  int rename(const std::string& from, const std::string& to) override {
    if (::rename(from.c_str(), to.c_str()) != 0) return errno;
    temporary_files::drop(from);
    return 0;
  }
};

void flushFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// Writes the temporary file that is to become `fileName`, complete and closed. Returns 0 or
// the error number of the failed step; the temporary file never outlives a failure.
int writeTemporary(SaveFileLayer& files, std::mt19937_64& random, const std::string& folder,
                   const std::string& fileName, std::string_view text, bool flush,
                   std::optional<mode_t> keepMode, std::string& temporary) {
  int handle = -1;
  int error = EEXIST;
  for (int attempt = 0; attempt < kTemporaryNameAttempts && error == EEXIST; ++attempt) {
    // Nine digits always, as check looks for them (interruptedFolderSaveLeftovers).
    std::string digits = std::to_string(random() % 1000000000ULL);
    digits.insert(0, 9 - digits.size(), '0');
    temporary = folder + "/." + fileName + std::string(kTemporaryMark) + digits;
    error = files.create(temporary, keepMode.value_or(0666), keepMode.has_value(), handle);
  }
  if (error != 0) return error;
  error = files.write(handle, text);
  if (error == 0 && flush) error = files.flush(handle);
  const int closeError = files.close(handle);
  if (error == 0) error = closeError;
  if (error != 0) files.remove(temporary);
  return error;
}

}  // namespace

std::uint64_t footprintTextHash(std::string_view text) {
  std::uint64_t hash = 0xcbf29ce484222325ULL;
  for (const char c : text) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3ULL;
  }
  return hash;
}

bool writableFootprintFileName(std::string_view fileName, std::string* why) {
  const auto refuse = [why](const char* reason) {
    if (why != nullptr) *why = reason;
    return false;
  };
  if (fileName.size() <= kExtension.size() ||
      fileName.substr(fileName.size() - kExtension.size()) != kExtension) {
    return refuse("the name is empty");
  }
  if (fileName.size() > kMaxFileName) return refuse("the name is too long for a file name");
  const std::string_view stem = fileName.substr(0, fileName.size() - kExtension.size());
  for (const char c : stem) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '/' || c == '\\') return refuse("the name holds a '/' or '\\'");
    if (u < 0x20 || u == 0x7F) return refuse("the name holds a control character");
  }
  if (stem.find("..") != std::string_view::npos) return refuse("the name holds '..'");
  return true;
}

PrettySaveReport savePrettyFolder(const std::string& folder, LoadedFolder& loaded,
                                  const std::vector<WantedFile>& wanted,
                                  const PrettySaveOptions& options) {
  if (folder.empty() || folder.find('\0') != std::string::npos) throw invalidFilenameError();
  struct stat folderStat {};
  if (::stat(folder.c_str(), &folderStat) != 0) throw ioErrorFromErrno(errno);
  if (!S_ISDIR(folderStat.st_mode)) throw IoError(ENOTDIR, "Not a folder");

  // What the save will do, worked out and checked before any file is written.
  std::vector<const WantedFile*> toWrite;
  std::unordered_map<std::string, const WantedFile*> wantedNames;
  std::unordered_map<std::string, const WantedFile*> byFolded;
  std::vector<std::string> badNames, clashes;
  for (const WantedFile& w : wanted) {
    const bool kept = w.unchanged && loaded.count(w.fileName) != 0;
    if (!kept) {
      std::string why;
      if (!writableFootprintFileName(w.fileName, &why)) badNames.push_back(w.fileName + ": " + why);
      toWrite.push_back(&w);
    }
    if (!wantedNames.emplace(w.fileName, &w).second) {
      clashes.push_back(w.fileName);
      continue;
    }
    const auto [it, fresh] = byFolded.emplace(caseFolded(w.fileName), &w);
    if (!fresh) {
      const bool otherKept = it->second->unchanged && loaded.count(it->second->fileName) != 0;
      // Two files the folder holds already are left as they are; a new one must not join them.
      if (!kept || !otherKept) clashes.push_back(it->second->fileName + " and " + w.fileName);
    }
  }
  if (!badNames.empty()) {
    throw PrettySaveRefused(PrettySaveRefused::Reason::BadName, badNames,
                            "footprint names that cannot be file names: " + joinNames(badNames));
  }

  const std::map<std::string, bool> entries = folderEntries(folder);
  std::unordered_map<std::string, std::string> entryByFolded;
  for (const auto& [name, plain] : entries) {
    if (loaded.count(name) == 0) entryByFolded.emplace(caseFolded(name), name);
  }
  std::vector<std::string> changed, notFiles;
  for (const WantedFile* w : toWrite) {
    const auto entry = entries.find(w->fileName);
    if (loaded.count(w->fileName) == 0) {
      if (entry != entries.end()) {
        // Made by someone else since the load (or a file that did not read).
        (entry->second ? changed : notFiles).push_back(w->fileName);
        continue;
      }
      const auto other = entryByFolded.find(caseFolded(w->fileName));
      if (other != entryByFolded.end()) clashes.push_back(other->second + " and " + w->fileName);
    } else if (entry != entries.end() && !entry->second) {
      notFiles.push_back(w->fileName);
    }
  }
  if (!clashes.empty()) {
    throw PrettySaveRefused(PrettySaveRefused::Reason::NameClash, clashes,
                            "footprints that would share one file (names equal, letter case "
                            "aside, as a file system that ignores case sees them): " +
                                joinNames(clashes));
  }
  if (!notFiles.empty()) {
    throw PrettySaveRefused(PrettySaveRefused::Reason::NotAFile, notFiles,
                            "not a plain file, left untouched: " + joinNames(notFiles));
  }
  // Loaded files the save replaces, removes or relies on must still be what was loaded.
  std::vector<std::string> toRemove;
  for (const auto& [name, file] : loaded) {
    if (entries.count(name) == 0) {
      // Gone: a removal has nothing left to do; a footprint kept or replaced is written back
      // only when forced.
      if (wantedNames.count(name) != 0) changed.push_back(name);
      continue;
    }
    if (wantedNames.count(name) == 0) toRemove.push_back(name);
    const auto w = wantedNames.find(name);
    if (w != wantedNames.end() && w->second->unchanged) continue;  // left alone, whatever it holds
    if (!stillAsLoaded(folder + "/" + name, file)) changed.push_back(name);
  }
  if (!changed.empty() && !options.force) {
    throw PrettySaveRefused(PrettySaveRefused::Reason::ChangedOnDisk, changed,
                            "changed on disk since the library was loaded (by another "
                            "program?): " +
                                joinNames(changed));
  }
  // A kept footprint whose file was deleted behind our back is written again when forced.
  for (const WantedFile& w : wanted) {
    if (w.unchanged && loaded.count(w.fileName) != 0 && entries.count(w.fileName) == 0) {
      toWrite.push_back(&w);
    }
  }

  FolderFileLayer systemFiles;
  SaveFileLayer& files = options.files != nullptr ? *options.files : systemFiles;
  std::random_device seed;
  std::mt19937_64 random((static_cast<std::uint64_t>(seed()) << 32) | seed());
  PrettySaveReport report;
  // New files are forced to disk only when the save removes files afterwards (a rename must
  // not lose its footprint in a power cut); a save that only adds footprints costs no flush.
  const bool flushNew = !toRemove.empty();
  // Every file is written whole under a temporary name before any takes its place: a full
  // disk then stops the save with the folder as it was, and footprints that swap names cannot
  // lose one of them half-way.
  std::vector<std::string> temporaries;
  temporaries.reserve(toWrite.size());
  const auto stopAt = [&](std::size_t i, const std::string& fileName, int error) {
    report.error = fileName + ": " + ioErrorFromErrno(error).what();
    for (std::size_t j = i; j < toWrite.size(); ++j) {
      report.notWritten.push_back(toWrite[j]->fileName);
      if (j < temporaries.size()) files.remove(temporaries[j]);
    }
    report.notRemoved = toRemove;
    return report;
  };
  for (std::size_t i = 0; i < toWrite.size(); ++i) {
    const WantedFile& w = *toWrite[i];
    std::optional<mode_t> keepMode;
    struct stat st {};
    if (::lstat((folder + "/" + w.fileName).c_str(), &st) == 0) keepMode = st.st_mode & 07777;
    std::string temporary;
    const int error = writeTemporary(files, random, folder, w.fileName, w.text,
                                     flushNew || keepMode.has_value(), keepMode, temporary);
    if (error != 0) return stopAt(0, w.fileName, error);
    temporaries.push_back(std::move(temporary));
  }
  for (std::size_t i = 0; i < toWrite.size(); ++i) {
    const WantedFile& w = *toWrite[i];
    const std::string path = folder + "/" + w.fileName;
    if (const int error = files.rename(temporaries[i], path); error != 0) {
      return stopAt(i, w.fileName, error);
    }
    report.written.push_back(w.fileName);
    LoadedFile now;
    now.identity = fileIdentityOf(path).value_or(FileIdentity{});
    now.contentHash = footprintTextHash(w.text);
    loaded[w.fileName] = now;
  }
  std::unordered_map<std::string, std::string> writtenByFolded;
  for (const std::string& w : report.written) writtenByFolded.emplace(caseFolded(w), w);
  for (const std::string& name : toRemove) {
    const std::string path = folder + "/" + name;
    // On a file system that ignores case, "r1.kicad_mod" renamed to "R1.kicad_mod" is the file
    // just written: removing the old name would remove the footprint.
    const auto twin = writtenByFolded.find(caseFolded(name));
    bool same = false;
    if (twin != writtenByFolded.end()) {
      const std::optional<FileIdentity> old = fileIdentityOf(path);
      const std::optional<FileIdentity> now = fileIdentityOf(folder + "/" + twin->second);
      same = old && now && old->device == now->device && old->inode == now->inode;
    }
    if (same) {
      loaded.erase(name);
      continue;
    }
    const int error = files.remove(path);
    if (error != 0 && error != ENOENT) {
      if (report.error.empty()) report.error = name + ": " + ioErrorFromErrno(error).what();
      report.notRemoved.push_back(name);
      continue;
    }
    report.removed.push_back(name);
    loaded.erase(name);
  }
  if (options.files == nullptr && (!report.written.empty() || !report.removed.empty())) {
    flushFolder(folder);
  }
  return report;
}

}  // namespace trevak
