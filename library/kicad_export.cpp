// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/kicad_export.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QString>
#include <cerrno>
#include <random>
#include <unordered_set>

#include "library/io_error.h"
#include "library/module_items.h"

namespace trevak {

namespace {

constexpr std::string_view kExtension = ".kicad_mod";
constexpr int kTemporaryNameAttempts = 100;

bool exportableName(std::string_view name) {
  if (name.empty()) return false;
  for (const char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F) return false;
  }
  return true;
}

std::string caseFolded(const std::string& name) {
  bool ascii = true;
  for (const char c : name) ascii = ascii && static_cast<unsigned char>(c) < 0x80;
  if (!ascii) return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()))
                  .toCaseFolded()
                  .toStdString();
  std::string folded = name;
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

// The whole content of a plain file, read without following a link; false on failure.
bool readFile(const std::string& path, std::string& content, int& error) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    error = errno;
    return false;
  }
  content.clear();
  char buffer[65536];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = errno;
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    content.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return true;
}

// Writes `text` as `folder/fileName` through a temporary file beside it, renamed over the
// target only once complete. Returns 0 or the error number of the failed step; the temporary
// file never outlives a failure.
int writeThroughTemporary(SaveFileLayer& files, std::mt19937_64& random, const std::string& folder,
                          const std::string& fileName, std::string_view text, mode_t mode,
                          bool exactMode) {
  std::string temporary;
  int handle = -1;
  int error = EEXIST;
  for (int attempt = 0; attempt < kTemporaryNameAttempts && error == EEXIST; ++attempt) {
    temporary = folder + "/." + fileName + ".export-" + std::to_string(random() % 1000000000ULL);
    error = files.create(temporary, mode, exactMode, handle);
  }
  if (error != 0) return error;
  error = files.write(handle, text);
  // Forced to disk only when it replaces a file: a power cut may then cost a new footprint but
  // never an old one. A flush per new file would make a large export a hundred times slower.
  if (error == 0 && exactMode) error = files.flush(handle);
  const int closeError = files.close(handle);
  if (error == 0) error = closeError;
  if (error == 0) error = files.rename(temporary, folder + "/" + fileName);
  if (error != 0) files.remove(temporary);
  return error;
}

void prepareFolder(const std::string& folder) {
  if (folder.empty() || folder.find('\0') != std::string::npos) throw invalidFilenameError();
  struct stat st {};
  if (::stat(folder.c_str(), &st) == 0) {
    if (!S_ISDIR(st.st_mode)) throw IoError(ENOTDIR, "Not a folder");
    return;
  }
  if (errno != ENOENT) throw ioErrorFromErrno(errno);
  // Missing parents are made too, as `mkdir -p` makes them.
  for (std::size_t slash = folder.find('/', 1); slash != std::string::npos;
       slash = folder.find('/', slash + 1)) {
    const std::string parent = folder.substr(0, slash);
    if (::mkdir(parent.c_str(), 0777) != 0 && errno != EEXIST) throw ioErrorFromErrno(errno);
  }
  if (::mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) throw ioErrorFromErrno(errno);
  if (::stat(folder.c_str(), &st) != 0) throw ioErrorFromErrno(errno);
  if (!S_ISDIR(st.st_mode)) throw IoError(ENOTDIR, "Not a folder");
}

// The system's files without forcing the folder to disk at every rename: the export forces it
// once at its end instead (twenty thousand folder flushes took half a minute).
class ExportFileLayer final : public PosixFileLayer {
 public:
  int rename(const std::string& from, const std::string& to) override {
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
  }
};

void flushFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

std::vector<ExportModule> exportModulesOf(const ModuleTable& table) {
  std::vector<ExportModule> modules;
  modules.reserve(static_cast<std::size_t>(table.RecordCount()));
  for (int row = 0; row < table.RecordCount(); ++row) {
    const ModuleRecord& r = table.recordAt(row);
    const SourceLibrary* library = table.libraryOf(r);
    modules.push_back({r.nome_Componente ? std::string_view(*r.nome_Componente) : std::string_view(),
                       r.Comandos ? std::string_view(*r.Comandos) : std::string_view(),
                       library != nullptr ? library->unit : LengthUnit::None});
  }
  return modules;
}

std::size_t ExportReport::count(ExportOutcome outcome) const {
  std::size_t n = 0;
  for (const ExportedFootprint& f : footprints) n += f.outcome == outcome ? 1 : 0;
  return n;
}

bool ExportReport::succeeded() const {
  return count(ExportOutcome::RefusedDifferent) + count(ExportOutcome::RefusedNotAFile) +
             count(ExportOutcome::RefusedName) + count(ExportOutcome::Failed) ==
         0;
}

std::vector<std::string> exportFootprintNames(const std::vector<ExportModule>& modules) {
  std::vector<std::string> names;
  names.reserve(modules.size());
  std::unordered_set<std::string> used;
  used.reserve(modules.size() * 2);
  for (const ExportModule& m : modules) {
    if (!exportableName(m.name)) {
      names.emplace_back();
      continue;
    }
    const std::string base = kicadFootprintName(m.name);
    std::string name = base;
    for (int version = 2; !used.insert(caseFolded(name)).second; ++version) {
      name = base + "_v" + std::to_string(version);
    }
    names.push_back(std::move(name));
  }
  return names;
}

ExportReport exportPretty(const std::vector<ExportModule>& modules, LengthUnit unit,
                          const std::string& folder, const ExportOptions& options) {
  prepareFolder(folder);
  ExportFileLayer systemFiles;
  SaveFileLayer& files = options.files != nullptr ? *options.files : systemFiles;
  std::random_device seed;
  std::mt19937_64 random(seed());

  std::vector<std::string> ownNames;
  if (options.footprintNames == nullptr || options.footprintNames->size() != modules.size()) {
    ownNames = exportFootprintNames(modules);
  }
  const std::vector<std::string>& names = ownNames.empty() && !modules.empty()
                                              ? *options.footprintNames
                                              : ownNames;
  ExportReport report;
  report.footprints.reserve(modules.size());
  ModuleItems items;
  std::string existing;
  for (std::size_t i = 0; i < modules.size(); ++i) {
    ExportedFootprint& f = report.footprints.emplace_back();
    f.moduleName = std::string(modules[i].name);
    f.footprintName = names[i];
    if (names[i].empty()) {
      f.outcome = ExportOutcome::RefusedName;
    } else {
      f.fileName = names[i] + std::string(kExtension);
      parseModuleItems(modules[i].body,
                       modules[i].unit != LengthUnit::None ? modules[i].unit : unit, items);
      const std::string text = writeKicadMod(f.footprintName, items, f.notes);
      const std::string path = folder + "/" + f.fileName;
      struct stat st {};
      mode_t mode = 0666;
      bool exactMode = false;
      int error = 0;
      bool write = true;
      if (::lstat(path.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
          f.outcome = ExportOutcome::RefusedNotAFile;
          write = false;
        } else if (!readFile(path, existing, error)) {
          f.outcome = ExportOutcome::Failed;
          write = false;
        } else if (existing == text) {
          f.outcome = ExportOutcome::Unchanged;
          write = false;
        } else if (!options.force) {
          f.outcome = ExportOutcome::RefusedDifferent;
          write = false;
        } else {
          f.outcome = ExportOutcome::Replaced;
          mode = st.st_mode & 07777;
          exactMode = true;
        }
      } else if (errno != ENOENT) {
        error = errno;
        f.outcome = ExportOutcome::Failed;
        write = false;
      }
      if (write) {
        error = writeThroughTemporary(files, random, folder, f.fileName, text, mode, exactMode);
        if (error != 0) f.outcome = ExportOutcome::Failed;
      }
      if (f.outcome == ExportOutcome::Failed) f.error = ioErrorFromErrno(error).what();
    }
    if (options.progress && !options.progress(i + 1, modules.size())) {
      report.stopped = i + 1 < modules.size();
      break;
    }
  }
  if (options.files == nullptr) flushFolder(folder);
  return report;
}

}  // namespace trevak
