// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/kicad_export.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <dirent.h>

#include <QString>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <random>
#include <thread>
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
  if (publish == Publish::NoReplace) {
    // A file without a name until it is complete: one change to the folder instead of the
    // three of a temporary name and a rename, and nothing to clean up after a failure.
    int handle = -1;
    int error = files.createUnnamed(folder, mode, handle);
    if (error == 0) {
      const std::string target = folder + "/" + fileName;
      error = files.write(handle, text);
      if (error == 0) error = files.linkUnnamed(handle, target);
      const bool linked = error == 0;
      const int closeError = files.close(handle);
      if (error == 0) error = closeError;
      if (error != 0 && linked) files.remove(target);
    }
    if (error != ENOTSUP) return error;
  }
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

// One export: the modules are shared out to threads by index, in order, so that the modules
// done when the export stops are always the first ones.
class PrettyExport {
 public:
  PrettyExport(const std::vector<ExportModule>& modules, LengthUnit unit,
               const std::vector<std::string>& names, const std::string& folder,
               SaveFileLayer& files, bool force, ExportReport& report)
      : m_modules(modules),
        m_unit(unit),
        m_names(names),
        m_folder(folder),
        m_files(files),
        m_force(force),
        m_report(report),
        m_present(folderEntries(folder)) {}

  // What one thread keeps from module to module.
  struct Worker {
    ModuleItems items;
    std::string existing;
    std::string text;
    std::mt19937_64 random;
  };

  // Exports the next module not taken yet; false when none is left or the export is stopped.
  bool exportNext(Worker& worker) {
    if (m_stop.load(std::memory_order_relaxed)) return false;
    const std::size_t i = m_next.fetch_add(1, std::memory_order_relaxed);
    if (i >= m_modules.size()) return false;
    exportOne(i, worker);
    m_done.fetch_add(1, std::memory_order_relaxed);
    return true;
  }

  void stop() { m_stop.store(true, std::memory_order_relaxed); }
  std::size_t done() const { return m_done.load(std::memory_order_relaxed); }
  std::size_t claimed() const {
    return std::min(m_next.load(std::memory_order_relaxed), m_modules.size());
  }

 private:
  void exportOne(std::size_t i, Worker& w) {
    ExportedFootprint& f = m_report.footprints[i];
    const ExportModule& module = m_modules[i];
    f.moduleName = std::string(module.name);
    f.footprintName = m_names[i];
    if (m_names[i].empty()) {
      f.outcome = ExportOutcome::RefusedName;
      return;
    }
    f.fileName = m_names[i] + std::string(kExtension);
    parseModuleItems(module.body, module.unit != LengthUnit::None ? module.unit : m_unit, w.items);
    w.text = writeKicadMod(f.footprintName, w.items, f.notes);
    int error = 0;
    if (m_present.count(f.fileName) == 0) {
      error = writeThroughTemporary(m_files, w.random, m_folder, f.fileName, w.text,
                                    Publish::NoReplace);
      if (error == 0) {
        f.outcome = ExportOutcome::Written;
        return;
      }
      // Someone else's file appeared under that name, or the layer cannot refuse to replace:
      // look at what is there, as for a name that was listed.
      if (error != EEXIST && error != ENOTSUP) {
        failed(f, error);
        return;
      }
    }
    exportOver(f, w);
  }

  // The careful way, for a name that may be taken: compare, refuse or replace.
  void exportOver(ExportedFootprint& f, Worker& w) {
    const std::string path = m_folder + "/" + f.fileName;
    struct stat st {};
    int error = 0;
    if (::lstat(path.c_str(), &st) != 0) {
      if (errno != ENOENT) return failed(f, errno);
      error = writeThroughTemporary(m_files, w.random, m_folder, f.fileName, w.text, Publish::Free);
      if (error != 0) return failed(f, error);
      f.outcome = ExportOutcome::Written;
      return;
    }
    if (!S_ISREG(st.st_mode)) {
      f.outcome = ExportOutcome::RefusedNotAFile;
    } else if (!readFile(path, w.existing, error)) {
      failed(f, error);
    } else if (w.existing == w.text) {
      f.outcome = ExportOutcome::Unchanged;
    } else if (!m_force) {
      f.outcome = ExportOutcome::RefusedDifferent;
    } else {
      error = writeThroughTemporary(m_files, w.random, m_folder, f.fileName, w.text,
                                    Publish::Replace, st.st_mode & 07777);
      if (error != 0) return failed(f, error);
      f.outcome = ExportOutcome::Replaced;
    }
  }

  static void failed(ExportedFootprint& f, int error) {
    f.outcome = ExportOutcome::Failed;
    f.error = ioErrorFromErrno(error).what();
  }

  const std::vector<ExportModule>& m_modules;
  const LengthUnit m_unit;
  const std::vector<std::string>& m_names;
  const std::string& m_folder;
  SaveFileLayer& m_files;
  const bool m_force;
  ExportReport& m_report;
  const std::unordered_set<std::string> m_present;
  std::atomic<std::size_t> m_next{0};
  std::atomic<std::size_t> m_done{0};
  std::atomic<bool> m_stop{false};
};

unsigned threadCount(const ExportOptions& options, std::size_t modules) {
  unsigned n = options.threads;
  if (n == 0) {
    // A layer of the caller's may count its calls: it gets them one at a time.
    n = options.files != nullptr ? 1 : std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
  }
  // Below a few dozen modules a thread costs more than it saves.
  return static_cast<unsigned>(std::min<std::size_t>(n, std::max<std::size_t>(1, modules / 32)));
}

}  // namespace

ExportReport exportPretty(const std::vector<ExportModule>& modules, LengthUnit unit,
                          const std::string& folder, const ExportOptions& options) {
  prepareFolder(folder);
  ExportFileLayer systemFiles;
  SaveFileLayer& files = options.files != nullptr ? *options.files : systemFiles;

  std::vector<std::string> ownNames;
  if (options.footprintNames == nullptr || options.footprintNames->size() != modules.size()) {
    ownNames = exportFootprintNames(modules);
  }
  const std::vector<std::string>& names = ownNames.empty() && !modules.empty()
                                              ? *options.footprintNames
                                              : ownNames;
  ExportReport report;
  report.footprints.resize(modules.size());
  PrettyExport job(modules, unit, names, folder, files, options.force, report);

  std::random_device seed;
  const std::uint64_t base = (static_cast<std::uint64_t>(seed()) << 32) | seed();
  const unsigned threads = threadCount(options, modules.size());
  std::vector<PrettyExport::Worker> workers(threads);
  for (unsigned t = 0; t < threads; ++t) workers[t].random.seed(base + t);
  std::vector<std::thread> helpers;
  for (unsigned t = 1; t < threads; ++t) {
    helpers.emplace_back([&job, &w = workers[t]] {
      while (job.exportNext(w)) {
      }
    });
  }
  // This thread exports too, and reports progress between its own modules.
  std::size_t reported = 0;
  while (job.exportNext(workers[0])) {
    if (!options.progress) continue;
    reported = job.done();
    if (!options.progress(reported, modules.size())) job.stop();
  }
  for (std::thread& helper : helpers) helper.join();
  const std::size_t done = job.claimed();
  report.stopped = done < modules.size();
  report.footprints.resize(done);
  if (options.progress && !report.stopped && reported < done) {
    options.progress(done, modules.size());
  }
  if (options.files == nullptr) flushFolder(folder);
  return report;
}

}  // namespace trevak
