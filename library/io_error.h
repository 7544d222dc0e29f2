// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdexcept>
#include <string>

namespace trevak {

/// Program error codes of file input/output, with the texts the user sees.
enum IoErrorCode : int {
  kFileNotFound = 2,
  kInvalidFilename = 3,
  kTooManyOpenFiles = 4,
  kFileAccessDenied = 5,
  kReadBeyondEnd = 100,
  kDiskFull = 101,
  kInvalidNumericInput = 106,
  kLineTooLong = 1001,      ///< a line past the reader's bound (16 MB)
  kNotARegularFile = 1002,  ///< a device, FIFO or socket given as a library
  kLibraryLocked = 1003,    ///< another program held the library's lock too long
};

/// A failed open, read, write, flush, rename or close of a library file.
class IoError : public std::runtime_error {
 public:
  IoError(int code, const std::string& message) : std::runtime_error(message), m_code(code) {}
  /// The program's code (2, 3, 4, 5, 100, 101, 106) or, for any other failure, the system's
  /// error number.
  int code() const { return m_code; }

 private:
  int m_code;
};

/// The text for a program code: "File not found", ..., or "I/O error N".
std::string ioErrorText(int code);

/// Maps a Linux error number to the program's code: ENOENT/ENOTDIR 2; ENAMETOOLONG/EINVAL 3;
/// EMFILE/ENFILE 4; EACCES/EPERM/EROFS/EISDIR 5; ENOSPC/EDQUOT 101; anything else unchanged.
int ioCodeFromErrno(int errnoValue);

/// The system's words for an error number, lower case: "input/output error", "a link loop...".
std::string systemErrorWords(int errnoValue);

/// The error for a failed system call, from its error number. Error numbers that have no code
/// of their own read "I/O error N (the system's words)" even where N collides with a program
/// code; ENOTDIR reads "File not found (a part of the path is not a folder)".
IoError ioErrorFromErrno(int errnoValue);

/// The error for an empty file name.
IoError invalidFilenameError();

}  // namespace trevak
