// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/library_writer.h"
#include "library/save_cleanup.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <limits>
#include <optional>
#include <random>

#include "library/body_lines.h"
#include "library/io_error.h"
#include "library/module_table.h"

namespace trevak {

namespace {

constexpr std::string_view kHeaderWord = "PCBNEW-LibModule-V1";
constexpr std::string_view kHeaderGap = "   ";
constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kMillimetreUnitLine = "Units mm";
constexpr std::size_t kWriteBuffer = std::size_t{1} << 20;
// The buffer starts smaller and grows to kWriteBuffer only for libraries that need it.
constexpr std::size_t kFirstWriteBuffer = std::size_t{1} << 16;
constexpr int kMaxLinkDepth = 40;
constexpr int kTemporaryNameAttempts = 100;
// Room left for the temporary name's prefix and suffix within a folder entry's 255 bytes.
constexpr std::size_t kMaxStemInTemporaryName = 200;

void appendNumber(std::string& out, long long value, int width) {
  char digits[24];
  const bool negative = value < 0;
  const unsigned long long magnitude = negative ? 0ULL - static_cast<unsigned long long>(value)
                                                : static_cast<unsigned long long>(value);
  const auto [end, ec] = std::to_chars(digits, digits + sizeof digits, magnitude);
  (void)ec;  // 24 characters hold any 64-bit number
  if (negative) out.push_back('-');
  for (auto written = end - digits; written < width; ++written) out.push_back('0');
  out.append(digits, end);
}

// The target as it will be replaced: a symbolic link is followed to its file, so the link
// survives the save. Anything but a regular file or a name still free is refused.
struct Target {
  std::string path;  // the file that is replaced or created
  bool exists = false;
  mode_t mode = 0666;
  uid_t owner = 0;  // the replaced file's, when it exists
  gid_t group = 0;
};

std::string folderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string leafOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

Target resolveTarget(const std::string& path) {
  // A NUL would end the name early for the system, and another file would be replaced.
  if (path.empty() || path.find('\0') != std::string::npos) throw invalidFilenameError();
  Target target{path};
  for (int depth = 0;; ++depth) {
    struct stat st {};
    if (::lstat(target.path.c_str(), &st) != 0) {
      if (errno != ENOENT) throw ioErrorFromErrno(errno);
      // A new file (or a dangling link, whose file is then created).
      if (leafOf(target.path).empty()) throw invalidFilenameError();
      return target;
    }
    if (S_ISLNK(st.st_mode)) {
      if (depth == kMaxLinkDepth) throw ioErrorFromErrno(ELOOP);
      std::string link(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
      const ssize_t n = ::readlink(target.path.c_str(), link.data(), link.size());
      if (n < 0) throw ioErrorFromErrno(errno);
      link.resize(static_cast<std::size_t>(n));
      if (link.empty()) throw ioErrorFromErrno(ENOENT);
      target.path = link.front() == '/' ? link : folderOf(target.path) + "/" + link;
      continue;
    }
    if (!S_ISREG(st.st_mode)) throw ioErrorFromErrno(S_ISDIR(st.st_mode) ? EISDIR : EACCES);
    if (::faccessat(AT_FDCWD, target.path.c_str(), W_OK, AT_EACCESS) != 0) {
      throw ioErrorFromErrno(errno);
    }
    target.exists = true;
    target.mode = st.st_mode & 07777;
    target.owner = st.st_uid;
    target.group = st.st_gid;
    return target;
  }
}

// The new file beside the target, until it has taken the target's place. Whatever ends its
// life early closes and removes it.
class NewFile {
 public:
  NewFile(SaveFileLayer& files, const Target& target, SaveOwnership* ownership) : m_files(files) {
    std::random_device seed;
    std::mt19937_64 random(seed());
    const std::string stem = leafOf(target.path).substr(0, kMaxStemInTemporaryName);
    int error = 0;
    for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
      std::string name = folderOf(target.path) + "/." + stem + ".save-";
      appendNumber(name, static_cast<long long>(random() % 1000000000ULL), 9);
      error = m_files.create(name, target.mode, target.exists, m_handle);
      if (error == 0) {
        m_path = std::move(name);
        m_open = true;
        if (target.exists) keepOwner(target, ownership);
        return;
      }
      if (error != EEXIST) break;
    }
    throw ioErrorFromErrno(error);
  }

  ~NewFile() {
    if (m_open) m_files.close(m_handle);
    if (!m_path.empty()) m_files.remove(m_path);
  }

  NewFile(const NewFile&) = delete;
  NewFile& operator=(const NewFile&) = delete;

  // The replaced file's owner and group, as far as the user may give them: in a shared group
  // folder the group at least is kept, so its members can still write the library.
  void keepOwner(const Target& target, SaveOwnership* ownership) {
    if (m_files.setOwner(m_handle, target.owner, target.group) == 0) return;
    const bool groupKept = m_files.setOwner(m_handle, static_cast<uid_t>(-1), target.group) == 0;
    if (ownership != nullptr) {
      ownership->ownerLost = true;
      ownership->groupLost = !groupKept;
    }
  }

  void write(std::string_view data) { check(m_files.write(m_handle, data)); }

  // Flushes, closes and renames; from then on the file is the target's and stays.
  void replace(const std::string& targetPath) {
    check(m_files.flush(m_handle));
    m_open = false;
    check(m_files.close(m_handle));
    check(m_files.rename(m_path, targetPath));
    m_path.clear();
  }

 private:
  static void check(int error) {
    if (error != 0) throw ioErrorFromErrno(error);
  }

  SaveFileLayer& m_files;
  std::string m_path;
  int m_handle = -1;
  bool m_open = false;
};

// Lines gathered in a large buffer and handed to the file in big writes.
class LineWriter {
 public:
  explicit LineWriter(NewFile& file) : m_file(file) { m_buffer.reserve(kFirstWriteBuffer); }

  void line(std::string_view text) { line(text, {}); }

  void line(std::string_view first, std::string_view second) {
    m_buffer.append(first);
    m_buffer.append(second);
    m_buffer.append(kLineEnd);
    if (m_buffer.size() >= kWriteBuffer) drain();
  }

  void drain() {
    if (m_buffer.empty()) return;
    m_file.write(m_buffer);
    m_buffer.clear();
  }

 private:
  NewFile& m_file;
  std::string m_buffer;
};

}  // namespace

std::string formatHeaderLine(const HeaderTime& time) {
  std::tm parts{};
  const bool ok = time.utc ? ::gmtime_r(&time.instant, &parts) != nullptr
                           : ::localtime_r(&time.instant, &parts) != nullptr;
  if (!ok) throw std::out_of_range("the time has no calendar date");
  std::string line;
  line.reserve(48);
  line.append(kHeaderWord);
  line.append(kHeaderGap);
  appendNumber(line, parts.tm_mday, 2);
  line.push_back('/');
  appendNumber(line, parts.tm_mon + 1, 2);
  line.push_back('/');
  appendNumber(line, static_cast<long long>(parts.tm_year) + 1900, 4);
  line.push_back('-');
  appendNumber(line, parts.tm_hour, 2);
  line.push_back(':');
  appendNumber(line, parts.tm_min, 2);
  line.push_back(':');
  appendNumber(line, parts.tm_sec, 2);
  return line;
}

HeaderTime headerTimeNow() { return HeaderTime{std::time(nullptr), false}; }

HeaderTime headerTimeFromSourceDateEpoch(const char* sourceDateEpoch) {
  if (sourceDateEpoch == nullptr || *sourceDateEpoch == '\0') return headerTimeNow();
  const std::string_view text(sourceDateEpoch);
  long long seconds = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), seconds);
  if (ec != std::errc() || end != text.data() + text.size() ||
      seconds > std::numeric_limits<std::time_t>::max() ||
      seconds < std::numeric_limits<std::time_t>::min()) {
    throw std::invalid_argument("SOURCE_DATE_EPOCH is not a number of seconds: " +
                                std::string(text));
  }
  const HeaderTime time{static_cast<std::time_t>(seconds), true};
  std::tm parts{};
  if (::gmtime_r(&time.instant, &parts) == nullptr) {
    throw std::invalid_argument("SOURCE_DATE_EPOCH is out of range: " + std::string(text));
  }
  return time;
}

int PosixFileLayer::create(const std::string& path, mode_t mode, bool exactMode, int& handle) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
  if (fd < 0) return errno;
  if (exactMode && ::fchmod(fd, mode) != 0) {
    const int error = errno;
    ::close(fd);
    ::unlink(path.c_str());
    return error;
  }
  handle = fd;
  temporary_files::add(path);
  return 0;
}

int PosixFileLayer::write(int handle, std::string_view data) {
  while (!data.empty()) {
    const ssize_t n = ::write(handle, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    data.remove_prefix(static_cast<std::size_t>(n));
  }
  return 0;
}

int PosixFileLayer::flush(int handle) { return ::fsync(handle) == 0 ? 0 : errno; }

int PosixFileLayer::close(int handle) { return ::close(handle) == 0 ? 0 : errno; }

int PosixFileLayer::rename(const std::string& from, const std::string& to) {
  if (::rename(from.c_str(), to.c_str()) != 0) return errno;
  temporary_files::drop(from);
  // The file is in place now; forcing the folder to disk only makes that last through a power
  // cut, and a folder that cannot be forced is no reason to report the save as failed.
  const int folder = ::open(folderOf(to).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder >= 0) {
    ::fsync(folder);
    ::close(folder);
  }
  return 0;
}

int PosixFileLayer::remove(const std::string& path) {
  temporary_files::drop(path);
  return ::unlink(path.c_str()) == 0 ? 0 : errno;
}

int SaveFileLayer::renameNoReplace(const std::string&, const std::string&) { return ENOTSUP; }
int SaveFileLayer::createUnnamed(const std::string&, mode_t, int&) { return ENOTSUP; }
int SaveFileLayer::linkUnnamed(int, const std::string&) { return ENOTSUP; }
int SaveFileLayer::setOwner(int, uid_t, gid_t) { return 0; }

int PosixFileLayer::setOwner(int handle, uid_t owner, gid_t group) {
  return ::fchown(handle, owner, group) == 0 ? 0 : errno;
}

int PosixFileLayer::createUnnamed(const std::string& folder, mode_t mode, int& handle) {
  return createUnnamedAt(AT_FDCWD, folder.c_str(), mode, handle);
}

int PosixFileLayer::linkUnnamed(int handle, const std::string& path) {
  return linkUnnamedAt(handle, AT_FDCWD, path.c_str());
}

int PosixFileLayer::createUnnamedAt(int base, const char* folder, mode_t mode, int& handle) {
  const int fd = ::openat(base, folder, O_WRONLY | O_TMPFILE | O_CLOEXEC, mode);
  if (fd < 0) {
    // Kernels and file systems without unnamed files say so in several ways.
    return errno == EISDIR || errno == EOPNOTSUPP || errno == EINVAL || errno == ENOENT
               ? ENOTSUP
               : errno;
  }
  handle = fd;
  return 0;
}

int PosixFileLayer::linkUnnamedAt(int handle, int base, const char* path) {
  // Linking the descriptor itself saves looking it up under /proc, but needs a privilege most
  // processes lack; once refused, it is not tried again.
  static std::atomic<bool> direct{true};
  if (direct.load(std::memory_order_relaxed)) {
    if (::linkat(handle, "", base, path, AT_EMPTY_PATH) == 0) return 0;
    if (errno != ENOENT && errno != EPERM) return errno;
    direct.store(false, std::memory_order_relaxed);
  }
  const std::string self = "/proc/self/fd/" + std::to_string(handle);
  if (::linkat(AT_FDCWD, self.c_str(), base, path, AT_SYMLINK_FOLLOW) == 0) return 0;
  const int error = errno;
  return error == ENOENT && ::access("/proc/self/fd", F_OK) != 0 ? ENOTSUP : error;
}

int PosixFileLayer::renameNoReplace(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
    temporary_files::drop(from);
    return 0;
  }
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return errno;
  // A file system without the flag: a hard link refuses an existing name just as well.
  if (::link(from.c_str(), to.c_str()) != 0) {
    return errno == EEXIST ? EEXIST : ENOTSUP;
  }
  temporary_files::drop(from);
  ::unlink(from.c_str());
  return 0;
}

void saveLibrary(ModuleTable& table, const std::string& path, const SaveOptions& options) {
  if (table.IsEmpty()) throw EmptyLibraryError();
  const std::string header = formatHeaderLine(options.time);
  const Target target = resolveTarget(path);
  PosixFileLayer systemFiles;
  SaveFileLayer& files = options.files != nullptr ? *options.files : systemFiles;

  std::optional<NewFile> file;
  std::optional<LineWriter> out;
  {
    // The index walk is not shown: notifications resume only when it is done, at the first
    // record again.
    NotificationSuspension pause(table);
    table.MoveFirst();
    // Settling may have dropped a pending record that held nothing.
    if (table.AtEnd()) throw EmptyLibraryError();
    file.emplace(files, target, options.ownership);
    out.emplace(*file);
    out->line(header);
    // Without it KiCad would read every length of a millimetre library as 1/10000 inch.
    if (table.unit() == LengthUnit::Millimetre) out->line(kMillimetreUnitLine);
    out->line("$INDEX");
    for (; !table.AtEnd(); table.MoveNext()) out->line(table.GetField("nome_componente"));
    out->line("$EndINDEX");
    table.MoveFirst();
  }
  for (; !table.AtEnd(); table.MoveNext()) {
    out->line("$MODULE ", table.GetField("nome_componente"));
    const std::string body = table.GetField("comandos");
    for (std::string_view bodyLine : splitBodyLines(body)) out->line(bodyLine);
    out->line("$EndMODULE ", table.GetField("nome_componente"));
  }
  out->drain();
  file->replace(target.path);
}

}  // namespace trevak
