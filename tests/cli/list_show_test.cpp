// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>
#include <fstream>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/cli.h"
#include "cli_runner.h"

namespace {

using Result = trevak::test::CliResult;
using trevak::test::runCli;

class ListShow : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_dir.isValid());
    m_mm = write("mm.mod",
                 "PCBNEW-LibModule-V1  01/01/2013\r\nUnits mm\r\n$INDEX\r\nb\r\n$EndINDEX\r\n"
                 "$MODULE b\r\nPo 0 0\r\n$EndMODULE b\r\n"
                 "$MODULE DIP8\r\nfirst\r\n\r\n  third\r\n$EndMODULE DIP8\r\n"
                 "$MODULE dip8\r\nsecond dip8\r\n$EndMODULE dip8\r\n"
                 "$MODULE \xC9tage\r\n$EndMODULE\r\n"
                 "$MODULE\r\n$EndMODULE\r\n$EndLIBRARY\r\n");
    m_decimil = write("decimil.mod", "PCBNEW-LibModule-V1\n$MODULE X\n$EndMODULE X\n");
  }

  std::string write(const std::string& name, const std::string& bytes) {
    const std::string path = m_dir.path().toStdString() + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }

  QTemporaryDir m_dir;
  std::string m_mm;
  std::string m_decimil;
};

}  // namespace

TEST_F(ListShow, ListPrintsNamesInTableOrderByteForByte) {
  const Result r = runCli({"list", m_mm});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "\nb\nDIP8\ndip8\n\xC9tage\n");
  EXPECT_EQ(r.err, "");
}

TEST_F(ListShow, ListUnitsPrintsOnlyTheUnit) {
  EXPECT_EQ(runCli({"list", m_mm, "--units"}).out, "mm\n");
  EXPECT_EQ(runCli({"list", "--units", m_decimil}).out, "decimil\n");
}

TEST_F(ListShow, ShowPrintsTheBodyLinesOfTheModuleOfExactlyThatName) {
  const Result r = runCli({"show", m_mm, "DIP8"});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "first\n\n  third\n");
  EXPECT_EQ(runCli({"show", m_mm, "dip8"}).out, "second dip8\n");
  // Two differ from it in case only: which one is meant is not guessed.
  const Result ambiguous = runCli({"show", m_mm, "Dip8"});
  EXPECT_EQ(ambiguous.status, 1);
  EXPECT_EQ(ambiguous.out, "");
  EXPECT_NE(ambiguous.err.find("  DIP8\n  dip8\n"), std::string::npos) << ambiguous.err;
  EXPECT_EQ(runCli({"show", m_mm, "B"}).out, "Po 0 0\n");  // one case-only match is taken
  EXPECT_EQ(runCli({"show", m_mm, "\xE9TAGE"}).out, "");
  EXPECT_EQ(runCli({"show", m_mm, "\xE9TAGE"}).status, 0);
}

TEST_F(ListShow, ShowOfAnAbsentModuleIsStatusOne) {
  const Result r = runCli({"show", m_mm, "DIP"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("'DIP'"), std::string::npos) << r.err;
}

TEST_F(ListShow, FileErrorsUseTheProgramTextsAndStatusTwo) {
  const std::string missing = m_dir.path().toStdString() + "/missing.mod";
  Result r = runCli({"list", missing});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "trevak-cli: " + missing + ": File not found\n");
  // A folder is a set of libraries now: one holding none is the error.
  const std::string empty = m_dir.path().toStdString() + "/empty";
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(empty)));
  r = runCli({"show", empty, "X"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err, "trevak-cli: " + empty + ": no library could be read\n");
  EXPECT_EQ(runCli({"list", ""}).err, "trevak-cli: : Invalid filename\n");
}

class ListShowUsage : public ::testing::TestWithParam<std::vector<std::string>> {};

TEST_P(ListShowUsage, IsStatusTwoWithAMessage) {
  const Result r = runCli(GetParam());
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, "");
  EXPECT_NE(r.err.find("usage"), std::string::npos) << r.err;
}

INSTANTIATE_TEST_SUITE_P(Cases, ListShowUsage,
                         ::testing::Values(std::vector<std::string>{"list"},
                                           std::vector<std::string>{"list", "a.mod", "b.mod"},
                                           std::vector<std::string>{"list", "--unit", "a.mod"},
                                           std::vector<std::string>{"show", "a.mod"},
                                           std::vector<std::string>{"show", "a.mod", "A", "B"}));

// The program's own entry ends the process itself; its status must still be the command's.
TEST_F(ListShow, ProcessRunEndsWithTheCommandsStatus) {
  const std::string missing = m_dir.path().toStdString() + "/missing.mod";
  EXPECT_EXIT(trevak::cli::runProcess({"list", "--units", m_mm}), ::testing::ExitedWithCode(0),
              "");
  EXPECT_EXIT(trevak::cli::runProcess({"show", m_mm, "DIP"}), ::testing::ExitedWithCode(1),
              "no module named 'DIP'");
  EXPECT_EXIT(trevak::cli::runProcess({"list", missing}), ::testing::ExitedWithCode(2),
              "File not found");
  EXPECT_EXIT(trevak::cli::runProcess({"--version"}), ::testing::ExitedWithCode(0), "");
}
