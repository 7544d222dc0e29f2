// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/pretty_target.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <ostream>

#include "library/io_error.h"
#include "library/message_text.h"
#include "library/pretty_edits.h"
#include "library/pretty_library.h"

namespace trevak::cli {

namespace {

constexpr int kRefused = 1;
constexpr int kFailed = 2;

void listNames(std::ostream& err, const char* what, const std::vector<std::string>& names) {
  if (names.empty()) return;
  err << "  " << what << ":";
  for (const std::string& n : names) err << ' ' << messageQuote(n);
  err << '\n';
}

bool sameFolder(const std::string& a, const std::string& b) {
  const std::optional<FileIdentity> x = fileIdentityOf(a), y = fileIdentityOf(b);
  return x && y && x->device == y->device && x->inode == y->inode;
}

}  // namespace

bool isPrettyTarget(const std::string& path) {
  const LibraryKind kind = libraryKindOf(path);
  return kind == LibraryKind::PrettyFolder ||
         (kind == LibraryKind::Missing && hasPrettySuffix(path));
}

bool loadPrettyTarget(const std::string& folder, PrettyEditLibrary& library, std::ostream& err) {
  try {
    loadPrettyForEdit(folder, library);
  } catch (const IoError& e) {
    err << "trevak-cli: " << messageQuote(folder) << ": " << e.what() << '\n';
    return false;
  }
  for (const LibraryFailure& f : library.failures) {
    err << "trevak-cli: " << messageQuote(f.path) << ": " << f.message
        << " (not read; the file is left as it is)\n";
  }
  return true;
}

int prepareNewFolder(const std::string& folder, bool force, const std::string& command,
                     std::ostream& err) {
  struct stat st {};
  if (::stat(folder.c_str(), &st) == 0) {
    if (!S_ISDIR(st.st_mode)) {
      err << "trevak-cli: " << command << ": " << messageQuote(folder) << " is not a folder\n";
      return kFailed;
    }
    bool empty = true;
    if (DIR* dir = ::opendir(folder.c_str())) {
      while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        empty = empty && (name == "." || name == "..");
      }
      ::closedir(dir);
    }
    if (!empty && !force) {
      err << "trevak-cli: " << command << ": " << messageQuote(folder)
          << " exists and is not empty; give --force to write into it\n";
      return kRefused;
    }
    return 0;
  }
  if (errno != ENOENT || ::mkdir(folder.c_str(), 0777) != 0) {
    err << "trevak-cli: " << messageQuote(folder) << ": " << ioErrorFromErrno(errno).what() << '\n';
    return kFailed;
  }
  return 0;
}

int savePrettyTarget(PrettyEditLibrary& library, const std::string& output, bool force,
                     const std::string& command, std::ostream& err) {
  const bool inPlace = output.empty() || sameFolder(output, library.folder);
  const std::string folder = inPlace ? library.folder : output;
  if (!inPlace) {
    if (const int status = prepareNewFolder(folder, force, command, err); status != 0)
      return status;
  }
  std::vector<WantedFile> wanted = wantedFilesOf(library);
  LoadedFolder none;
  if (!inPlace) {
    // Every footprint goes into the other folder, under the file name it has here.
    for (WantedFile& w : wanted) w.unchanged = false;
  }
  PrettySaveOptions options;
  options.force = force;
  try {
    const PrettySaveReport report =
        savePrettyFolder(folder, inPlace ? library.loaded : none, wanted, options);
    if (report.complete()) return 0;
    err << "trevak-cli: " << command << ": " << messageQuote(folder)
        << ": the save stopped: " << messageQuote(report.error) << '\n';
    listNames(err, "written", report.written);
    listNames(err, "removed", report.removed);
    listNames(err, "not written", report.notWritten);
    listNames(err, "not removed (still there)", report.notRemoved);
    err << "  every footprint kept is readable; run the command again to finish\n";
    return kFailed;
  } catch (const PrettySaveRefused& e) {
    err << "trevak-cli: " << command << ": " << messageQuote(folder) << ": "
        << messageQuote(e.what()) << "; nothing was written";
    if (e.reason() == PrettySaveRefused::Reason::ChangedOnDisk) {
      err << " (give --force to write over them)";
    }
    err << '\n';
    return kRefused;
  } catch (const IoError& e) {
    err << "trevak-cli: " << messageQuote(folder) << ": " << e.what() << '\n';
    return kFailed;
  }
}

void numberNewRecord(const PrettyEditLibrary& library, ModuleRecord& record) {
  std::uint64_t highest = 0;
  for (const std::uint64_t n : library.table.creationOrder()) highest = std::max(highest, n);
  for (const auto& [n, origin] : library.origins) highest = std::max(highest, n);
  record.creationNumber = highest + 1;
}

}  // namespace trevak::cli
