// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/render_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ostream>
#include <vector>

#include "cli/render_support.h"

namespace trevak::cli {

QString RenderFileNames::next(const std::string& moduleName) {
  const QString stem = safeFileStem(moduleName);
  QString file = stem + m_suffix;
  if (m_taken.contains(file.toCaseFolded())) {
    const QString key = stem.toCaseFolded();
    if (!m_next.contains(key)) m_next.insert(key, 2);
    int& number = m_next[key];
    do {
      file = stem + QStringLiteral("_%1").arg(number++) + m_suffix;
    } while (m_taken.contains(file.toCaseFolded()));
  }
  m_taken.insert(file.toCaseFolded());
  return file;
}

namespace {

bool writeAll(int fd, const QByteArray& data) {
  const char* p = data.constData();
  auto left = static_cast<std::size_t>(data.size());
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

void reportErrno(const std::string& path, int error, std::ostream& err) {
  err << "trevak-cli: " << path << ": " << std::strerror(error) << '\n';
}

// Writes a new file that must not exist yet; removes it again when the write fails.
bool writeNewFile(const std::string& path, const QByteArray& data, bool sync, std::ostream& err) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) {
    reportErrno(path, errno, err);
    return false;
  }
  bool ok = writeAll(fd, data) && (!sync || ::fsync(fd) == 0);
  const int error = errno;
  if (::close(fd) != 0 && ok) ok = false;
  if (!ok) {
    reportErrno(path, error != 0 ? error : EIO, err);
    ::unlink(path.c_str());
  }
  return ok;
}

}  // namespace

PictureWrite writePictureInFolder(const QByteArray& data, const std::string& path, std::ostream& err) {
  if (data.isEmpty()) {  // the encoder ran out of memory
    err << "trevak-cli: " << path << ": the picture could not be encoded\n";
    return PictureWrite::Failed;
  }
  struct stat there {};
  if (::lstat(path.c_str(), &there) != 0) {
    if (errno != ENOENT) {
      reportErrno(path, errno, err);
      return PictureWrite::Failed;
    }
    // Free: created in place, as most of a first run's pictures are (no forced write).
    if (writeNewFile(path, data, false, err)) return PictureWrite::Written;
    return PictureWrite::Failed;
  }
  if (!S_ISREG(there.st_mode)) {
    err << "trevak-cli: " << path
        << ": the name is taken by a link or something else than a plain file; left as it is\n";
    return PictureWrite::Refused;
  }
  // An earlier picture: replaced whole through a file beside it, renamed over the name (a
  // rename replaces the entry itself, never what a link there would point to).
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string temporary = path + ".new-" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
    if (::access(temporary.c_str(), F_OK) == 0) continue;
    if (!writeNewFile(temporary, data, true, err)) return PictureWrite::Failed;
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
      reportErrno(path, errno, err);
      ::unlink(temporary.c_str());
      return PictureWrite::Failed;
    }
    return PictureWrite::Written;
  }
  err << "trevak-cli: " << path << ": no free name beside it for the new picture\n";
  return PictureWrite::Failed;
}

}  // namespace trevak::cli
