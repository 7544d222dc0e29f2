// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <sys/types.h>

#include <QtGlobal>
#include <ctime>
#include <stdexcept>
#include <string>
#include <string_view>

namespace trevak {

class ModuleTable;

/// The refusal to save a library without modules, shown in an error box with one OK button.
inline constexpr std::string_view kEmptyLibraryMessage =
    QT_TRANSLATE_NOOP("trevak::library", "Biblioteca vazia!");

/// Thrown by saveLibrary for a table without modules; what() is kEmptyLibraryMessage.
class EmptyLibraryError : public std::runtime_error {
 public:
  EmptyLibraryError() : std::runtime_error(std::string(kEmptyLibraryMessage)) {}
};

/// The moment written into a library's header line.
struct HeaderTime {
  std::time_t instant = 0;
  bool utc = false;  ///< format in UTC rather than in the local time zone
};

/// The header line, without its line end: "PCBNEW-LibModule-V1", three spaces and the moment as
/// dd/mm/yyyy-hh:nn:ss (24-hour clock, the year in at least four digits). Throws
/// std::out_of_range when the moment cannot be broken down into a calendar date.
std::string formatHeaderLine(const HeaderTime& time);

/// The current moment, in local time.
HeaderTime headerTimeNow();

/// The header moment for tools that must give reproducible files: `sourceDateEpoch` is the
/// value of SOURCE_DATE_EPOCH (nullptr or empty when unset). Set: that many seconds after
/// 1970-01-01 00:00:00 UTC, formatted in UTC; unset: now in local time. Throws
/// std::invalid_argument when the value is not a whole number of seconds with a calendar date.
HeaderTime headerTimeFromSourceDateEpoch(const char* sourceDateEpoch);

/// The file operations of a save, one virtual call each, so that tests can make any step fail.
/// Every operation returns 0 on success or the system error number (errno) of its failure.
class SaveFileLayer {
 public:
  virtual ~SaveFileLayer() = default;
  /// Creates `path` for writing; fails with EEXIST when it exists already. With `exactMode` the
  /// file gets exactly the permission bits `mode`; otherwise `mode` less the process umask.
  virtual int create(const std::string& path, mode_t mode, bool exactMode, int& handle) = 0;
  /// Writes all of `data` (retrying short writes).
  virtual int write(int handle, std::string_view data) = 0;
  /// Forces what was written onto the disk.
  virtual int flush(int handle) = 0;
  /// Closes the handle; called exactly once per created file, also after a failure.
  virtual int close(int handle) = 0;
  /// Puts `from` in the place of `to` in one step, replacing `to`.
  virtual int rename(const std::string& from, const std::string& to) = 0;
  /// Removes a file.
  virtual int remove(const std::string& path) = 0;
  /// Puts `from` in the place of `to` in one step only when nothing is at `to` (EEXIST then).
  /// ENOTSUP: this layer cannot do it; the caller looks before it renames instead.
  virtual int renameNoReplace(const std::string& from, const std::string& to);
  /// Creates a file without a name in `folder` for writing (`mode` less the umask); it
  /// vanishes when closed unless linkUnnamed names it first. ENOTSUP: this layer or the file
  /// system cannot; the caller writes through a named temporary file instead.
  virtual int createUnnamed(const std::string& folder, mode_t mode, int& handle);
  /// Names the unnamed file `handle` as `path`, only where nothing is (EEXIST then). ENOTSUP as
  /// for createUnnamed; the handle is still to be closed.
  virtual int linkUnnamed(int handle, const std::string& path);
  /// Gives the created file `handle` an owner and a group (-1: leave that one). Returns 0 by
  /// default, for layers that keep no owners.
  virtual int setOwner(int handle, uid_t owner, gid_t group);
};

/// The system's files, through POSIX calls.
class PosixFileLayer : public SaveFileLayer {
 public:
  int create(const std::string& path, mode_t mode, bool exactMode, int& handle) override;
  int write(int handle, std::string_view data) override;
  int flush(int handle) override;
  int close(int handle) override;
  /// Also forces the folder's entry to the disk, as far as the system allows.
  int rename(const std::string& from, const std::string& to) override;
  int remove(const std::string& path) override;
  /// Does not force the folder to disk: callers that write many files force it once.
  int renameNoReplace(const std::string& from, const std::string& to) override;
  int createUnnamed(const std::string& folder, mode_t mode, int& handle) override;
  int setOwner(int handle, uid_t owner, gid_t group) override;
  int linkUnnamed(int handle, const std::string& path) override;

 protected:
  /// createUnnamed and linkUnnamed with `folder` and `path` relative to the open folder `base`
  /// (AT_FDCWD: the working folder).
  static int createUnnamedAt(int base, const char* folder, mode_t mode, int& handle);
  static int linkUnnamedAt(int handle, int base, const char* path);
};

/// How a library is saved.
/// What a save could not keep of the file it replaced: the new file takes the old one's owner
/// and group where the user may give them (a group the user belongs to, any owner for root);
/// where not, the save still succeeds and says so here for the caller to report.
struct SaveOwnership {
  bool ownerLost = false;  ///< the file now belongs to the user who saved it
  bool groupLost = false;  ///< the file now has the saving user's group
};

struct SaveOptions {
  HeaderTime time;                 ///< the moment for the header line
  SaveFileLayer* files = nullptr;  ///< nullptr: the system's files (PosixFileLayer)
  SaveOwnership* ownership = nullptr;  ///< told what of the old owner and group was lost
};

/// Saves `table` as a library file at `path`: the header, the index of all names and every
/// module framed by its "$MODULE name" and "$EndMODULE name" lines, in table order, each line
/// ended by CR LF, names and bodies written byte for byte. Body lines are those of the body
/// view (splitBodyLines of Comandos). A table in millimetres gets the line "Units mm" right after
/// the header, so that its lengths load back as millimetres; any other unit writes no such line.
///
/// Such a file loads back into the same names and bodies, with two exceptions the format cannot
/// avoid: a name holding a blank comes back cut at its first blank, and a name whose index line
/// reads as a module line ("$MODULE", "$module x", ...) makes the reader open an extra module
/// there, holding the index lines after it; the modules saved all come back.
///
/// The table walk: SuspendNotifications, MoveFirst (which settles a record left open), the
/// index, MoveFirst, ResumeNotifications, then the modules with notifications on, so a view
/// bound to the table follows the walk. The last record is left current; the window's MoveFirst
/// after the save brings the first one back. The table's content is not changed.
///
/// The file is replaced safely: everything goes into a new file beside the target, which is
/// forced to disk and then renamed over the target. On any failure the new file is removed, an
/// existing target keeps its bytes and IoError is thrown with the program's error text ("Disk
/// full", "File access denied", ...). A replaced file keeps its permission bits; a new one gets
/// 0666 less the umask. A symbolic link keeps pointing at its file, which is the one replaced.
/// A folder, a device or a write-protected file as target gives "File access denied".
///
/// Throws EmptyLibraryError, touching neither table nor file, when the table IsEmpty; the
/// window checks IsEmpty itself before showing its save dialog. Notifications are resumed
/// whatever happens. The caller clears its modified flag only after a normal return.
void saveLibrary(ModuleTable& table, const std::string& path, const SaveOptions& options);

}  // namespace trevak
