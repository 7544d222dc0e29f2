// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/io_error.h"

#include <gtest/gtest.h>

#include <cerrno>

namespace trevak {
namespace {

TEST(IoError, LinuxErrorNumbersMapToTheProgramTexts) {
  struct Case {
    int err;
    int code;
    const char* text;
  };
  const Case cases[] = {
      {ENOENT, 2, "File not found"},
      {ENOTDIR, 2, "File not found (a part of the path is not a folder)"},
      {ENAMETOOLONG, 3, "Invalid filename"}, {EINVAL, 3, "Invalid filename"},
      {EMFILE, 4, "Too many open files"}, {ENFILE, 4, "Too many open files"},
      {EACCES, 5, "File access denied"}, {EPERM, 5, "File access denied"},
      {EROFS, 5, "File access denied"},  {EISDIR, 5, "File access denied"},
      {ENOSPC, 101, "Disk full"},        {EDQUOT, 101, "Disk full"},
      {EIO, EIO, "I/O error 5 (input/output error)"},
      {ELOOP, ELOOP, "I/O error 40 (a link loop, or too many links in the path)"},
  };
  for (const Case& c : cases) {
    const IoError e = ioErrorFromErrno(c.err);
    EXPECT_EQ(e.code(), c.code) << c.err;
    EXPECT_STREQ(e.what(), c.text) << c.err;
  }
}

TEST(IoError, UnmappedErrorNumbersNeverBorrowAProgramText) {
  // ENETUNREACH is 101 on Linux, the same number as "Disk full".
  const IoError e = ioErrorFromErrno(ENETUNREACH);
  EXPECT_EQ(std::string(e.what()), "I/O error " + std::to_string(ENETUNREACH) + " (network is unreachable)");
  EXPECT_EQ(ioErrorText(100), "Read beyond end of file");
  EXPECT_EQ(ioErrorText(106), "Invalid numeric input");
  EXPECT_EQ(ioErrorText(77), "I/O error 77");
  EXPECT_STREQ(invalidFilenameError().what(), "Invalid filename");
}

}  // namespace
}  // namespace trevak
