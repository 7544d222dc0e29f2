// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/save_cleanup.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>

#include "library/library_writer.h"

namespace trevak {
namespace {

namespace fs = std::filesystem;

// A save's temporary file is removed when a signal ends the program, which then ends by that
// signal; one already renamed into place stays.
TEST(SaveCleanup, TemporaryFilesGoWhenASignalEndsTheProgram) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string folder = dir.path().toStdString();
  for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
    const std::string pending = folder + "/.LIB.mod.save-000000001";
    const std::string placed = folder + "/LIB.mod";
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      temporary_files::removeOnSignals();
      PosixFileLayer files;
      int first = -1;
      int second = -1;
      const std::string renamed = folder + "/.LIB.mod.save-000000002";
      if (files.create(pending, 0644, false, first) != 0) ::_exit(10);
      if (files.create(renamed, 0644, false, second) != 0) ::_exit(11);
      if (files.rename(renamed, placed) != 0) ::_exit(12);
      ::raise(signalNumber);
      ::_exit(13);  // not reached: the signal ends the program
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "exit " << WEXITSTATUS(status);
    EXPECT_EQ(WTERMSIG(status), signalNumber);
    EXPECT_FALSE(fs::exists(pending)) << signalNumber;
    EXPECT_TRUE(fs::exists(placed)) << signalNumber;
    fs::remove(placed);
  }
}

TEST(SaveCleanup, LeftoversBesideALibraryAreTheWritersOwnNamesOnly) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string folder = dir.path().toStdString();
  for (const char* name : {".LIB.mod.save-123456789", ".LIB.mod.save-000000000", ".LIB.mod.save-12345678",
                           ".LIB.mod.save-12345678x", ".OTHER.mod.save-123456789", "LIB.mod.save-123456789",
                           "LIB.mod"}) {
    std::ofstream(folder + "/" + name) << "x";
  }
  EXPECT_EQ(interruptedSaveLeftovers(folder + "/LIB.mod"),
            (std::vector<std::string>{folder + "/.LIB.mod.save-000000000",
                                      folder + "/.LIB.mod.save-123456789"}));
  EXPECT_TRUE(interruptedSaveLeftovers(folder + "/missing/LIB.mod").empty());
}

}  // namespace
}  // namespace trevak
