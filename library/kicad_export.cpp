// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/kicad_export.h"
#include "library/save_cleanup.h"

#include "library/record_items.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <dirent.h>

#include <QString>
#include <algorithm>
#include <cerrno>
#include <random>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "library/io_error.h"
#include "library/module_items.h"
#include "library/ordered_workers.h"

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

// How a finished temporary file takes its name.
enum class Publish {
  NoReplace,  ///< only where no file is (EEXIST otherwise)
  Free,       ///< a name just seen free
  Replace,    ///< over an old file: forced to disk first, with the old file's permissions
};

// Writes `text` as `folder/fileName` through a temporary file beside it, put in place only once
// complete. Returns 0 or the error number of the failed step; the temporary file never outlives
// a failure.
int writeThroughTemporary(SaveFileLayer& files, std::mt19937_64& random, const std::string& folder,
                          const std::string& fileName, std::string_view text, Publish publish,
                          mode_t mode = 0666) {
  const bool replace = publish == Publish::Replace;
  std::string temporary;
  int handle = -1;
  int error = EEXIST;
  for (int attempt = 0; attempt < kTemporaryNameAttempts && error == EEXIST; ++attempt) {
    temporary = folder + "/." + fileName + ".export-" + std::to_string(random() % 1000000000ULL);
    error = files.create(temporary, mode, replace, handle);
  }
  if (error != 0) return error;
  error = files.write(handle, text);
  // Forced to disk only when it replaces a file: a power cut may then cost a new footprint but
  // never an old one. A flush per new file would make a large export a hundred times slower.
  if (error == 0 && replace) error = files.flush(handle);
  const int closeError = files.close(handle);
  if (error == 0) error = closeError;
  const std::string target = folder + "/" + fileName;
  if (error == 0) {
    error = publish == Publish::NoReplace ? files.renameNoReplace(temporary, target)
                                          : files.rename(temporary, target);
  }
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

// The system's files for one export folder: renames do not force the folder to disk each time
// (the export forces it once at its end; twenty thousand folder flushes took half a minute),
// and unnamed files are made and named relative to the folder's own descriptor, which spares
// the system a walk down the folder's path for every file (a sixth of the naming's time).
class ExportFileLayer final : public PosixFileLayer {
 public:
  explicit ExportFileLayer(const std::string& folder)
      : m_folder(folder), m_handle(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {}
  ExportFileLayer(const ExportFileLayer&) = delete;
  ExportFileLayer& operator=(const ExportFileLayer&) = delete;
  ~ExportFileLayer() override {
    if (m_handle >= 0) ::close(m_handle);
  }

  int rename(const std::string& from, const std::string& to) override {
    if (::rename(from.c_str(), to.c_str()) != 0) return errno;
    temporary_files::drop(from);
    return 0;
  }

  int createUnnamed(const std::string& folder, mode_t mode, int& handle) override {
    return m_handle >= 0 && folder == m_folder
               ? createUnnamedAt(m_handle, ".", mode, handle)
               : PosixFileLayer::createUnnamed(folder, mode, handle);
  }

  int linkUnnamed(int handle, const std::string& path) override {
    const std::string_view name = nameInFolder(path);
    return name.empty() ? PosixFileLayer::linkUnnamed(handle, path)
                        : linkUnnamedAt(handle, m_handle, std::string(name).c_str());
  }

  void flushFolder() const {
    if (m_handle >= 0) ::fsync(m_handle);
  }

 private:
  // The entry name of `path` when it is a plain name right inside the folder; empty otherwise.
  std::string_view nameInFolder(std::string_view path) const {
    if (m_handle < 0 || path.size() <= m_folder.size() + 1 ||
        path.substr(0, m_folder.size()) != m_folder || path[m_folder.size()] != '/') {
      return {};
    }
    const std::string_view name = path.substr(m_folder.size() + 1);
    return name.find('/') == std::string_view::npos && name != "." && name != ".."
               ? name
               : std::string_view();
  }

  const std::string m_folder;
  const int m_handle;
};

}  // namespace

std::vector<ExportModule> exportModulesOf(const ModuleTable& table) {
  std::vector<ExportModule> modules;
  modules.reserve(static_cast<std::size_t>(table.RecordCount()));
  for (int row = 0; row < table.RecordCount(); ++row) {
    const ModuleRecord& r = table.recordAt(row);
    const SourceLibrary* library = table.libraryOf(r);
    modules.push_back({r.nome_Componente ? std::string_view(*r.nome_Componente) : std::string_view(),
                       r.Comandos ? std::string_view(*r.Comandos) : std::string_view(),
                       library != nullptr ? library->unit : LengthUnit::None, r.format});
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
  std::unordered_map<std::string, int> nextVersion;
  for (const ExportModule& m : modules) {
    if (!exportableName(m.name)) {
      names.emplace_back();
      continue;
    }
    const std::string base = kicadFootprintName(m.name);
    std::string name = base;
    if (!used.insert(caseFolded(name)).second) {
      // The next version to try for this name: every one before it is taken, so a name that
      // thousands of modules share costs no more than a name of its own.
      int& version = nextVersion.try_emplace(caseFolded(base), 2).first->second;
      do {
        name = base + "_v" + std::to_string(version++);
      } while (!used.insert(caseFolded(name)).second);
    }
    names.push_back(std::move(name));
  }
  return names;
}

namespace {

// The names of the plain entries of `folder` (a new folder has none): a footprint whose name is
// not among them is written without looking first, by a rename that refuses to replace.
std::unordered_set<std::string> folderEntries(const std::string& folder) {
  std::unordered_set<std::string> names;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return names;
  while (const dirent* entry = ::readdir(dir)) names.emplace(entry->d_name);
  ::closedir(dir);
  return names;
}

// A module's file text, made on a worker thread.
// An unnamed file a worker has written, closed (and so gone) when dropped unless taken.
class UnnamedFile {
 public:
  UnnamedFile() = default;
  UnnamedFile(SaveFileLayer& files, int handle) : m_files(&files), m_handle(handle) {}
  UnnamedFile(UnnamedFile&& other) noexcept
      : m_files(other.m_files), m_handle(std::exchange(other.m_handle, -1)) {}
  UnnamedFile& operator=(UnnamedFile&& other) noexcept {
    std::swap(m_files, other.m_files);
    std::swap(m_handle, other.m_handle);
    return *this;
  }
  UnnamedFile(const UnnamedFile&) = delete;
  UnnamedFile& operator=(const UnnamedFile&) = delete;
  ~UnnamedFile() {
    if (m_handle >= 0) m_files->close(m_handle);
  }
  bool open() const { return m_handle >= 0; }
  int handle() const { return m_handle; }
  int take() { return std::exchange(m_handle, -1); }

 private:
  SaveFileLayer* m_files = nullptr;
  int m_handle = -1;
};

struct FormattedFootprint {
  std::string text;
  std::vector<KicadModNote> notes;
  UnnamedFile file;  ///< the text written already, for a name that was free, to be linked
  int error = 0;     ///< writing it failed
};

// Puts the formatted footprints in place, one after the other on the calling thread: the
// folder's changes are serialised by the system anyway, and threads contending for it spin.
// Only prepare() runs on the workers.
class PrettyWriter {
 public:
  PrettyWriter(const std::string& folder, SaveFileLayer& files, bool force)
      : m_folder(folder), m_files(files), m_force(force), m_present(folderEntries(folder)) {
    std::random_device seed;
    m_random.seed((static_cast<std::uint64_t>(seed()) << 32) | seed());
  }

  // Writes the text of a footprint whose name the folder did not hold into an unnamed file,
  // on a worker thread: creating and filling files needs no lock on the folder, only naming
  // them does, and that is left to put().
  void prepare(const std::string& fileName, FormattedFootprint& formatted) const {
    if (m_present.count(fileName) != 0) return;
    int handle = -1;
    const int error = m_files.createUnnamed(m_folder, 0666, handle);
    if (error == ENOTSUP) return;
    if (error != 0) {
      formatted.error = error;
      return;
    }
    UnnamedFile file(m_files, handle);
    formatted.error = m_files.write(handle, formatted.text);
    if (formatted.error == 0) formatted.file = std::move(file);
  }

  void put(ExportedFootprint& f, FormattedFootprint& formatted) {
    if (formatted.error != 0) return failed(f, formatted.error);
    if (formatted.file.open()) {
      const std::string target = m_folder + "/" + f.fileName;
      int error = m_files.linkUnnamed(formatted.file.handle(), target);
      const bool linked = error == 0;
      const int closeError = m_files.close(formatted.file.take());
      if (error == 0) error = closeError;
      if (error == 0) {
        f.outcome = ExportOutcome::Written;
        return;
      }
      if (linked) m_files.remove(target);
      if (error != EEXIST && error != ENOTSUP) return failed(f, error);
      return putOver(f, formatted.text);
    }
    put(f, formatted.text);
  }

  void put(ExportedFootprint& f, const std::string& text) {
    int error = 0;
    if (m_present.count(f.fileName) == 0) {
      error = writeThroughTemporary(m_files, m_random, m_folder, f.fileName, text,
                                    Publish::NoReplace);
      if (error == 0) {
        f.outcome = ExportOutcome::Written;
        return;
      }
      // Someone else's file appeared under that name, or the layer cannot refuse to replace:
      // look at what is there, as for a name that was listed.
      if (error != EEXIST && error != ENOTSUP) return failed(f, error);
    }
    putOver(f, text);
  }

 private:
  // The careful way, for a name that may be taken: compare, refuse or replace.
  void putOver(ExportedFootprint& f, const std::string& text) {
    const std::string path = m_folder + "/" + f.fileName;
    struct stat st {};
    int error = 0;
    if (::lstat(path.c_str(), &st) != 0) {
      if (errno != ENOENT) return failed(f, errno);
      error = writeThroughTemporary(m_files, m_random, m_folder, f.fileName, text, Publish::Free);
      if (error != 0) return failed(f, error);
      f.outcome = ExportOutcome::Written;
      return;
    }
    if (!S_ISREG(st.st_mode)) {
      f.outcome = ExportOutcome::RefusedNotAFile;
    } else if (!readFile(path, m_existing, error)) {
      failed(f, error);
    } else if (m_existing == text) {
      f.outcome = ExportOutcome::Unchanged;
    } else if (!m_force) {
      f.outcome = ExportOutcome::RefusedDifferent;
    } else {
      error = writeThroughTemporary(m_files, m_random, m_folder, f.fileName, text,
                                    Publish::Replace, st.st_mode & 07777);
      if (error != 0) return failed(f, error);
      f.outcome = ExportOutcome::Replaced;
    }
  }

  static void failed(ExportedFootprint& f, int error) {
    f.outcome = ExportOutcome::Failed;
    f.error = ioErrorFromErrno(error).what();
  }

  const std::string& m_folder;
  SaveFileLayer& m_files;
  const bool m_force;
  const std::unordered_set<std::string> m_present;
  std::mt19937_64 m_random;
  std::string m_existing;
};

constexpr std::size_t kBatch = 32;

int threadCount(const ExportOptions& options, std::size_t modules) {
  unsigned n = options.threads;
  if (n == 0) {
    // A layer of the caller's is called from one thread unless the caller asks for more.
    n = options.files != nullptr ? 1 : std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
  }
  // A thread for less than a couple of batches costs more than it saves.
  return static_cast<int>(std::min<std::size_t>(n, std::max<std::size_t>(1, modules / (2 * kBatch))));
}

}  // namespace

ExportReport exportPretty(const std::vector<ExportModule>& modules, LengthUnit unit,
                          const std::string& folder, const ExportOptions& options) {
  prepareFolder(folder);
  ExportFileLayer systemFiles(folder);
  SaveFileLayer& files = options.files != nullptr ? *options.files : systemFiles;

  std::vector<std::string> ownNames;
  if (options.footprintNames == nullptr || options.footprintNames->size() != modules.size()) {
    ownNames = exportFootprintNames(modules);
  }
  const std::vector<std::string>& names = ownNames.empty() && !modules.empty()
                                              ? *options.footprintNames
                                              : ownNames;
  ExportReport report;
  report.footprints.reserve(modules.size());
  PrettyWriter writer(folder, files, options.force);
  const int threads = threadCount(options, modules.size());
  // Parsing and formatting on worker threads, files put in place here in module order, so a
  // stopped export has always done the first modules and progress is reported on this thread.
  // Modules go to the workers in batches: handing them over one by one cost more in waking
  // threads than the formatting saved.
  const std::size_t batches = (modules.size() + kBatch - 1) / kBatch;
  consumeInOrder<std::vector<FormattedFootprint>>(
      batches, threads, 4 * static_cast<std::size_t>(threads),
      [&](std::size_t batch) {
        thread_local ModuleItems items;
        std::vector<FormattedFootprint> formatted;
        const std::size_t end = std::min(modules.size(), (batch + 1) * kBatch);
        for (std::size_t i = batch * kBatch; i < end; ++i) {
          FormattedFootprint& f = formatted.emplace_back();
          if (names[i].empty()) continue;
          const ExportModule& m = modules[i];
          if (m.format == ModuleFormat::KicadMod && names[i] == m.name) {
            f.text = std::string(m.body);  // already KiCad's file, byte for byte
          } else {
            moduleItemsOf(m.body, m.format, m.unit != LengthUnit::None ? m.unit : unit, items);
            f.text = writeKicadMod(names[i], items, f.notes);
          }
          writer.prepare(names[i] + std::string(kExtension), f);
        }
        return formatted;
      },
      [&](std::size_t batch, std::vector<FormattedFootprint> formatted) {
        for (std::size_t k = 0; k < formatted.size(); ++k) {
          const std::size_t i = batch * kBatch + k;
          ExportedFootprint& f = report.footprints.emplace_back();
          f.moduleName = std::string(modules[i].name);
          f.footprintName = names[i];
          f.notes = std::move(formatted[k].notes);
          if (names[i].empty()) {
            f.outcome = ExportOutcome::RefusedName;
          } else {
            f.fileName = names[i] + std::string(kExtension);
            writer.put(f, formatted[k]);
          }
          if (options.progress && !options.progress(i + 1, modules.size())) return false;
        }
        return true;
      });
  report.stopped = report.footprints.size() < modules.size();
  if (options.files == nullptr) systemFiles.flushFolder();
  return report;
}

}  // namespace trevak
