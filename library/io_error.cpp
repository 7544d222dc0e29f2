// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/io_error.h"

#include <cerrno>
#include <cctype>
#include <cstring>

namespace trevak {

std::string ioErrorText(int code) {
  switch (code) {
    case kFileNotFound: return "File not found";
    case kInvalidFilename: return "Invalid filename";
    case kTooManyOpenFiles: return "Too many open files";
    case kFileAccessDenied: return "File access denied";
    case kReadBeyondEnd: return "Read beyond end of file";
    case kDiskFull: return "Disk full";
    case kInvalidNumericInput: return "Invalid numeric input";
    default: return "I/O error " + std::to_string(code);
  }
}

std::string systemErrorWords(int errnoValue) {
  if (errnoValue == ELOOP) return "a link loop, or too many links in the path";
  // strerrordesc_np: the untranslated text, safe from any thread.
  const char* words = strerrordesc_np(errnoValue);
  if (words == nullptr) return "unknown system error";
  std::string text(words);
  if (!text.empty()) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
  return text;
}

int ioCodeFromErrno(int errnoValue) {
  switch (errnoValue) {
    case ENOENT:
    case ENOTDIR: return kFileNotFound;
    case ENAMETOOLONG:
    case EINVAL: return kInvalidFilename;
    case EMFILE:
    case ENFILE: return kTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return kFileAccessDenied;
    case ENOSPC:
    case EDQUOT: return kDiskFull;
    default: return errnoValue;
  }
}

IoError ioErrorFromErrno(int errnoValue) {
  const int code = ioCodeFromErrno(errnoValue);
  const bool mapped = errnoValue == ENOENT || errnoValue == ENOTDIR || errnoValue == ENAMETOOLONG ||
                      errnoValue == EINVAL || errnoValue == EMFILE || errnoValue == ENFILE ||
                      errnoValue == EACCES || errnoValue == EPERM || errnoValue == EROFS ||
                      errnoValue == EISDIR || errnoValue == ENOSPC || errnoValue == EDQUOT;
  if (!mapped) {
    // Not one of ours: the number is the system's, whatever program code it may resemble; the
    // system's own words say what it means.
    return IoError(code, "I/O error " + std::to_string(code) + " (" + systemErrorWords(errnoValue) + ")");
  }
  if (errnoValue == ENOTDIR) return IoError(code, ioErrorText(code) + " (a part of the path is not a folder)");
  return IoError(code, ioErrorText(code));
}

IoError invalidFilenameError() { return IoError(kInvalidFilename, ioErrorText(kInvalidFilename)); }

}  // namespace trevak
