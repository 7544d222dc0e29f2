// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/file_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "library/io_error.h"

namespace trevak {

namespace {

long long nanoseconds(const timespec& t) {
  return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

FileIdentity identityOf(const struct stat& st) {
  return {static_cast<unsigned long long>(st.st_dev), static_cast<unsigned long long>(st.st_ino),
          static_cast<long long>(st.st_size), nanoseconds(st.st_mtim), nanoseconds(st.st_ctim)};
}

}  // namespace

LibraryLock::LibraryLock(const std::string& path, std::chrono::milliseconds wait) {
  const auto deadline = std::chrono::steady_clock::now() + wait;
  for (;;) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
      if (errno == ENOENT) return;  // nothing there to guard
      throw ioErrorFromErrno(errno);
    }
    struct stat opened {};
    // A `.pretty` library is a folder: the folder itself is locked.
    if (::fstat(fd, &opened) != 0 || (!S_ISREG(opened.st_mode) && !S_ISDIR(opened.st_mode))) {
      ::close(fd);  // not a library: its load says why
      return;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
      // Another program may have saved meanwhile: the name then holds a new file, which is the
      // one to guard.
      struct stat named {};
      if (::stat(path.c_str(), &named) == 0 && named.st_dev == opened.st_dev &&
          named.st_ino == opened.st_ino) {
        m_fd = fd;
        return;
      }
      ::close(fd);
      continue;
    }
    const int error = errno;
    ::close(fd);
    if (error != EWOULDBLOCK && error != EINTR) throw ioErrorFromErrno(error);
    if (std::chrono::steady_clock::now() >= deadline) {
      throw IoError(kLibraryLocked, "Another program is changing this library (it holds its lock)");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
}

LibraryLock::~LibraryLock() {
  if (m_fd >= 0) ::close(m_fd);
}

std::optional<FileIdentity> fileIdentityOf(const std::string& path) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return std::nullopt;
  return identityOf(st);
}

}  // namespace trevak
