// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/pretty_library.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <new>
#include <system_error>
#include <thread>
#include <utility>

#include "library/io_error.h"
#include "library/kicad_mod_reader.h"
#include "library/ordered_workers.h"

namespace trevak {

namespace fs = std::filesystem;

namespace {

bool endsWithFolded(std::string_view name, std::string_view suffix) {
  if (name.size() < suffix.size()) return false;
  const std::string_view tail = name.substr(name.size() - suffix.size());
  for (std::size_t i = 0; i < tail.size(); ++i) {
    char c = tail[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    if (c != suffix[i]) return false;
  }
  return true;
}

std::string withoutSuffix(const std::string& name, std::size_t length) {
  return name.substr(0, name.size() - length);
}

// The file name of `path`, trailing separators ignored ("a/b.pretty/" gives "b.pretty").
std::string lastComponent(const std::string& path) {
  std::string p = path;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  return fs::path(p).filename().string();
}

std::string systemMessage(int errnoValue) {
  switch (errnoValue) {
    case ENOENT: return "no such file or folder";
    case ENOTDIR: return "a part of the path is not a folder";
    case ELOOP: return "symbolic link loop";
    case EACCES:
    case EPERM: return "permission denied";
    default: return std::generic_category().message(errnoValue);
  }
}

IoError systemError(int errnoValue) {
  return IoError(ioErrorFromErrno(errnoValue).code(), systemMessage(errnoValue));
}

// What a file that is no regular file is, for the message refusing it.
std::string kindText(mode_t mode) {
  if (S_ISDIR(mode)) return "is a folder, not a footprint file";
  if (S_ISFIFO(mode)) return "is a FIFO, not a footprint file";
  if (S_ISSOCK(mode)) return "is a socket, not a footprint file";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "is a device, not a footprint file";
  return "is not a regular file";
}

class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : m_fd(fd) {}
  ~FileDescriptor() {
    if (m_fd >= 0) ::close(m_fd);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return m_fd; }

 private:
  int m_fd;
};

}  // namespace

bool hasPrettySuffix(std::string_view name) { return endsWithFolded(name, ".pretty"); }
bool hasKicadModSuffix(std::string_view name) { return endsWithFolded(name, ".kicad_mod"); }

LibraryKind libraryKindOf(const std::string& path) {
  if (path.empty() || path.find('\0') != std::string::npos) return LibraryKind::Missing;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    // A path that does not resolve (missing, a link loop) is read as a file, so that the
    // reader reports why.
    return errno == ENOENT ? LibraryKind::Missing : LibraryKind::LegacyFile;
  }
  const std::string name = lastComponent(path);
  if (S_ISDIR(st.st_mode)) {
    return hasPrettySuffix(name) ? LibraryKind::PrettyFolder : LibraryKind::Folder;
  }
  return hasKicadModSuffix(name) ? LibraryKind::KicadModFile : LibraryKind::LegacyFile;
}

std::string prettyNickname(const std::string& path) {
  const std::string name = lastComponent(path);
  if (hasPrettySuffix(name)) return withoutSuffix(name, 7);
  if (hasKicadModSuffix(name)) {
    std::string p = path;
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    const std::string parent = fs::path(p).parent_path().filename().string();
    if (hasPrettySuffix(parent) && parent.size() > 7) return withoutSuffix(parent, 7);
    return withoutSuffix(name, 10);
  }
  return name;
}

std::vector<std::string> kicadModFilesIn(const std::string& folder,
                                         std::vector<LibraryFailure>& failures) {
  std::vector<std::string> files;
  std::error_code ec;
  fs::directory_iterator it(folder, fs::directory_options::none, ec);
  if (ec) {
    failures.push_back({folder, systemMessage(ec.value())});
    return files;
  }
  for (const fs::directory_iterator end; it != end;) {
    const fs::path& p = it->path();
    if (hasKicadModSuffix(p.filename().string())) {
      // A folder named *.kicad_mod is reported rather than read; any other entry (a FIFO, a
      // broken link) is read, and refused by the reader with a clear reason.
      std::error_code typeError;
      if (it->is_directory(typeError)) {
        failures.push_back({p.string(), "is a folder, not a footprint file"});
      } else {
        files.push_back(p.string());
      }
    }
    it.increment(ec);
    if (ec) {
      failures.push_back({folder, systemMessage(ec.value())});
      break;
    }
  }
  std::sort(files.begin(), files.end());
  return files;
}

std::string readKicadModFile(const std::string& path) {
  if (path.empty() || path.find('\0') != std::string::npos) throw invalidFilenameError();
  // The kind is looked at before the file is opened, so that a device is never opened, and
  // again on the open file, in case it was swapped between the two.
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) throw systemError(errno);
  if (!S_ISREG(st.st_mode)) throw IoError(kFileAccessDenied, kindText(st.st_mode));
  int raw;
  do {
    raw = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  } while (raw < 0 && errno == EINTR);
  if (raw < 0) throw systemError(errno);
  const FileDescriptor fd(raw);
  if (::fstat(fd.get(), &st) != 0) throw systemError(errno);
  if (!S_ISREG(st.st_mode)) throw IoError(kFileAccessDenied, kindText(st.st_mode));
  if (static_cast<std::size_t>(st.st_size) > kKicadModFileLimit) {
    throw IoError(kFileAccessDenied, "file too large for a footprint (" +
                                         std::to_string(st.st_size) + " bytes, at most " +
                                         std::to_string(kKicadModFileLimit) + ")");
  }
  std::string text;
  text.resize(static_cast<std::size_t>(st.st_size));
  std::size_t got = 0;
  const auto readSome = [&](char* to, std::size_t size) {
    for (;;) {
      const ssize_t n = ::read(fd.get(), to, size);
      if (n >= 0) return static_cast<std::size_t>(n);
      if (errno != EINTR) throw systemError(errno);
    }
  };
  for (;;) {
    if (got < text.size()) {
      const std::size_t n = readSome(text.data() + got, text.size() - got);
      if (n == 0) break;  // shrank since fstat
      got += n;
      continue;
    }
    // All the bytes fstat promised are in; a file that grew since goes on in steps, within the
    // limit, without holding spare room for the usual file that did not.
    char more[4096];
    const std::size_t n = readSome(more, sizeof more);
    if (n == 0) break;
    if (got + n > kKicadModFileLimit) throw IoError(kFileAccessDenied, "file too large for a footprint");
    text.append(more, n);
    got += n;
  }
  text.resize(got);
  return text;
}

KicadModFileResult readKicadModRecord(const std::string& path) {
  KicadModFileResult result;
  const std::string name = lastComponent(path);
  result.fileStem = hasKicadModSuffix(name) ? withoutSuffix(name, 10) : name;
  std::string text;
  try {
    text = readKicadModFile(path);
  } catch (const IoError& e) {
    result.message = e.what();
    return result;
  } catch (const std::bad_alloc&) {
    result.message = "not enough memory to read the file";
    return result;
  }
  result.bytes = text.size();
  KicadModSummary summary = summarizeKicadMod(text);
  if (!summary.ok) {
    result.tooNew = summary.tooNew;
    if (summary.tooNew || summary.line <= 0) {
      result.message = summary.error;
    } else {
      result.message = "line " + std::to_string(summary.line) + ", column " +
                       std::to_string(summary.column) + ": " + summary.error;
    }
    return result;
  }
  result.ok = true;
  result.record.nome_Componente = std::move(summary.name);
  result.record.Comandos = std::move(text);
  result.record.format = ModuleFormat::KicadMod;
  result.record.description = std::move(summary.description);
  result.record.tags = std::move(summary.tags);
  return result;
}

void readPrettyLibrary(const std::string& path, PrettyLibraryContents& contents, int threads) {
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    contents.files = kicadModFilesIn(path, contents.failures);
  } else {
    contents.files = {path};
  }
  if (threads <= 0) threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  // Small folders are read on this thread: starting workers costs more than they save.
  if (contents.files.size() < 16) threads = 1;
  ModuleTable& table = contents.table;
  NotificationSuspension pause(table);
  consumeInOrder<KicadModFileResult>(
      contents.files.size(), threads, 64,
      [&](std::size_t i) {
        try {
          return readKicadModRecord(contents.files[i]);
        } catch (const std::exception& e) {  // bad_alloc in the reader: this file only
          KicadModFileResult failed;
          failed.message = e.what();
          return failed;
        }
      },
      [&](std::size_t i, KicadModFileResult&& r) {
        if (!r.ok) {
          contents.failures.push_back({contents.files[i], std::move(r.message)});
          return true;
        }
        contents.bytes += r.bytes;
        contents.recordFiles.push_back(contents.files[i]);
        if (r.record.nome_Componente && *r.record.nome_Componente != r.fileStem) {
          contents.nameMismatches.push_back(
              {contents.files[i], "name inside is '" + *r.record.nome_Componente + "'"});
        }
        r.record.creationNumber = static_cast<std::uint64_t>(table.totalCount()) + 1;
        table.insertRecordAt(table.totalCount(), std::move(r.record));
        return true;
      });
}

}  // namespace trevak
