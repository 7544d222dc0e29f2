// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/file_lock.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "library/io_error.h"

namespace trevak {
namespace {

namespace fs = std::filesystem;

class FileLock : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "trevak-lock-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    m_folder = pattern;
  }
  void TearDown() override { fs::remove_all(m_folder); }
  std::string path(const std::string& name) const { return (m_folder / name).string(); }
  void write(const std::string& name, const std::string& text) const {
    std::ofstream(m_folder / name, std::ios::binary | std::ios::trunc) << text;
  }
  fs::path m_folder;
};

// A second lock waits for the first and then gives up with its own code; once the first is
// gone it is taken. A library that is not there is not locked.
TEST_F(FileLock, OneHolderAtATime) {
  write("lib.mod", "x");
  std::optional<LibraryLock> first(std::in_place, path("lib.mod"), std::chrono::milliseconds(0));
  try {
    LibraryLock second(path("lib.mod"), std::chrono::milliseconds(50));
    ADD_FAILURE() << "a second lock was taken";
  } catch (const IoError& e) {
    EXPECT_EQ(e.code(), kLibraryLocked);
  }
  first.reset();
  EXPECT_NO_THROW(LibraryLock(path("lib.mod"), std::chrono::milliseconds(0)));
  EXPECT_NO_THROW(LibraryLock(path("none.mod"), std::chrono::milliseconds(0)));
}

TEST_F(FileLock, AFolderLibraryIsLockedToo) {
  fs::create_directory(path("lib.pretty"));
  const LibraryLock first(path("lib.pretty"), std::chrono::milliseconds(0));
  EXPECT_THROW(LibraryLock(path("lib.pretty"), std::chrono::milliseconds(30)), IoError);
}

// A save replaces the file: the lock of the new file is another one, and the identity changes
// even when the size stays.
TEST_F(FileLock, AReplacedFileIsAnotherFile) {
  write("lib.mod", "aaaa");
  const std::optional<FileIdentity> before = fileIdentityOf(path("lib.mod"));
  ASSERT_TRUE(before);
  EXPECT_EQ(fileIdentityOf(path("lib.mod")), before);
  const LibraryLock held(path("lib.mod"), std::chrono::milliseconds(0));
  write("lib.new", "bbbb");
  fs::rename(path("lib.new"), path("lib.mod"));
  EXPECT_NE(fileIdentityOf(path("lib.mod")), before);
  EXPECT_NO_THROW(LibraryLock(path("lib.mod"), std::chrono::milliseconds(0)));
  EXPECT_FALSE(fileIdentityOf(path("none.mod")));
}

}  // namespace
}  // namespace trevak
