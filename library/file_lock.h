// SPDX-License-Identifier: GPL-3.0-or-later
// Guards against lost updates: a lock for a command's read-change-write of a library file, and
// what tells a file apart from the one that was loaded.
#pragma once

#include <chrono>
#include <optional>
#include <string>

namespace trevak {

/// An advisory lock (flock) on a library file for the whole of a read-change-write, so that two
/// programs that change one library take turns instead of each writing over the other's
/// change. Another Trevak holding it is waited for up to `wait`; then IoError kLibraryLocked.
/// A save replaces the file by a new one: a lock taken on the old file while another program
/// saved is taken again on the new one. A file that does not exist is not locked (there is
/// nothing to lose, and its load reports it). A `.pretty` library's folder is locked as a
/// file is. Released when destroyed.
class LibraryLock {
 public:
  LibraryLock(const std::string& path, std::chrono::milliseconds wait);
  ~LibraryLock();
  LibraryLock(const LibraryLock&) = delete;
  LibraryLock& operator=(const LibraryLock&) = delete;

 private:
  int m_fd = -1;
};

/// What tells a file apart from the one read earlier: its place on the disk, size and times of
/// change (to the nanosecond). A program that writes the file changes at least its change time.
struct FileIdentity {
  unsigned long long device = 0, inode = 0;
  long long size = 0;
  long long modified = 0, changed = 0;  // nanoseconds since the epoch
  bool operator==(const FileIdentity&) const = default;
};

/// The identity of the file at `path` (links followed); nullopt when there is none.
std::optional<FileIdentity> fileIdentityOf(const std::string& path);

}  // namespace trevak
