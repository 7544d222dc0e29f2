// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "cli_runner.h"

namespace {

using trevak::test::runCli;

std::string lib(const std::string& modules, bool mm = false) {
  return std::string("PCBNEW-LibModule-V1  01/01/2000\r\n") + (mm ? "Units mm\r\n" : "") +
         modules + "$EndLIBRARY\r\n";
}

std::string module(const std::string& name, const std::string& body) {
  return "$MODULE " + name + "\r\n" + body + "$EndMODULE " + name + "\r\n";
}

// discret.mod: SOT23 (desc "transistor"), TO92 (kw "sot"); smd/smd.mod (mm): SOT-23-5, R0805;
// other/smd.mod: R0805 too, so the two "smd" files need their folders.
class FindAndSources : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_dir.isValid());
    write("discret.mod", lib(module("SOT23", "Po 0 0 0 15 0 0 ~~\r\nCd Transistor SOT 23\r\n") +
                             module("TO92", "Kw TR SOT\r\n")));
    write("x/smd.mod", lib(module("SOT-23-5", "Cd regulador\r\n") +
                               module("R0805", "Po 25.4 0 0 15 0 0 ~~\r\nLi R0805\r\n"),
                           true));
    write("y/smd.mod", lib(module("R0805", "Cd other\r\n")));
  }
  void write(const std::string& rel, const std::string& bytes) {
    const std::filesystem::path p = dir() + "/" + rel;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
  }
  std::string dir() const { return m_dir.path().toStdString(); }
  QTemporaryDir m_dir;
};

TEST_F(FindAndSources, FindListsNicknameAndNameInTableOrder) {
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string out;
  };
  const Case cases[] = {
      {{"sot", "23"}, 0, "x/smd\tSOT-23-5\ndiscret\tSOT23\n"},
      {{"sot"}, 0, "x/smd\tSOT-23-5\ndiscret\tSOT23\ndiscret\tTO92\n"},
      {{"--in", "name", "sot"}, 0, "x/smd\tSOT-23-5\ndiscret\tSOT23\n"},
      {{"--in", "kw", "sot"}, 0, "discret\tTO92\n"},
      {{"--in", "lib", "smd"}, 0, "x/smd\tR0805\ny/smd\tR0805\nx/smd\tSOT-23-5\n"},
      {{"--count", "r0805"}, 0, "2\n"},
      {{"nothing"}, 1, ""},
      {{"--count", "nothing"}, 1, "0\n"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"find"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    args.push_back("--");
    args.push_back(dir());
    const auto r = runCli(args);
    EXPECT_EQ(r.status, c.status) << c.args.front() << r.err;
    EXPECT_EQ(r.out, c.out) << c.args.front();
  }
}

TEST_F(FindAndSources, FindUsageErrors) {
  EXPECT_EQ(runCli({"find", "sot"}).status, 2);
  EXPECT_EQ(runCli({"find", "--in", "body", "sot", "--", dir()}).status, 2);
  const auto missing = runCli({"find", "sot", "--", dir() + "/none.mod"});
  EXPECT_EQ(missing.status, 2);
  EXPECT_NE(missing.err.find("File not found"), std::string::npos);
  // One failing source among good ones is reported and the rest searched; the status says that
  // modules may be missing.
  const auto partly = runCli({"find", "sot23", "--", dir() + "/none.mod", dir() + "/discret.mod"});
  EXPECT_EQ(partly.status, 1);
  EXPECT_EQ(partly.out, "discret\tSOT23\n");
  EXPECT_NE(partly.err.find("none.mod: File not found"), std::string::npos);
}

TEST_F(FindAndSources, ShowTakesAFolderAndNicknameColonName) {
  const auto bare = runCli({"show", dir(), "to92"});
  EXPECT_EQ(bare.status, 0);
  EXPECT_EQ(bare.out, "Kw TR SOT\n");
  const auto qualified = runCli({"show", dir(), "y/smd:R0805"});
  EXPECT_EQ(qualified.status, 0);
  EXPECT_EQ(qualified.out, "Cd other\n");
  const auto ambiguous = runCli({"show", dir(), "R0805"});
  EXPECT_EQ(ambiguous.status, 1);
  EXPECT_EQ(ambiguous.out, "");
  EXPECT_NE(ambiguous.err.find("  x/smd:R0805\n  y/smd:R0805\n"), std::string::npos) << ambiguous.err;
  EXPECT_EQ(runCli({"show", dir(), "discret:R0805"}).status, 1);
  // A single file keeps its old rules: the first of equal names, no nickname.
  EXPECT_EQ(runCli({"show", dir() + "/discret.mod", "SOT23"}).status, 0);
}

TEST_F(FindAndSources, CopyFromAFolderConvertsFromTheModulesOwnUnit) {
  const std::string out = dir() + "/out.mod";
  const auto r = runCli({"copy", dir(), dir() + "/discret.mod", "x/smd:R0805", "-o", out});
  ASSERT_EQ(r.status, 0) << r.err;
  // The module came from a millimetre library into a decimil one: 25.4 mm is 10000 decimils.
  const auto shown = runCli({"show", out, "R0805"});
  EXPECT_EQ(shown.out, "Po 10000 0 0 15 0 0 ~~\nLi R0805\n");
  const auto ambiguous = runCli({"copy", dir(), dir() + "/discret.mod", "R0805", "-o", out});
  EXPECT_EQ(ambiguous.status, 1);
}

}  // namespace

// A library of a folder that cannot be read is listed and makes the exit status 1 for every
// command that reads the folder, whatever else went well: its modules are missing.
TEST_F(FindAndSources, ALibraryThatCannotBeReadMakesTheStatusOne) {
  write("z/junk.mod", "this is no library\n");
  const std::string out = dir() + "/out";
  struct Case {
    std::vector<std::string> args;
    std::string summary;  // what standard output says, where the command prints a summary
  };
  const Case cases[] = {
      {{"find", "sot", "--", dir()}, ""},
      {{"export", dir(), "-o", out + "/x.pretty"}, "1 file not read"},
      {{"render", dir(), "--all", "-o", out + "/sketch"}, ""},
      {{"render", dir(), "--all", "--exact", "-o", out + "/exact"}, ""},
      {{"copy", dir(), out + "-new.mod", "TO92", "--new"}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.front() + " " + c.args.back());
    const auto r = runCli(c.args);
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("junk.mod"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("1 file of the source could not be read"), std::string::npos) << r.err;
    if (!c.summary.empty()) {
      EXPECT_NE(r.out.find(c.summary), std::string::npos) << r.out;
    }
  }
}
