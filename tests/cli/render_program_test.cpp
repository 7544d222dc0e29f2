// SPDX-License-Identifier: GPL-3.0-or-later
// The real trevak-cli program hands `render` to trevak-cli-render and passes on what it prints
// and returns; every other command runs without Qt's GUI libraries.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <QTemporaryDir>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "cli_runner.h"

namespace trevak::test {
namespace {

std::string shellQuoted(const std::string& s) { return "'" + s + "'"; }

std::string readBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

class RenderProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_dir.isValid());
    m_library = path("lib.mod");
    std::ofstream(m_library, std::ios::binary)
        << "PCBNEW-LibModule-V1  01/01/2024-00:00:00\n$INDEX\nR1\n$EndINDEX\n$MODULE R1\n"
           "Po 0 0 0 15 0 0 ~~\nLi R1\nDS -500 0 500 0 80 21\n$PAD\nSh \"1\" R 600 600 0 0 0\n"
           "Dr 300 0 0\nAt STD N 00E0FFFF\nNe 0 \"\"\nPo -500 0\n$EndPAD\n$EndMODULE R1\n"
           "$EndLIBRARY\n";
  }
  std::string path(const char* name) const { return m_dir.filePath(name).toStdString(); }

  QTemporaryDir m_dir;
  std::string m_library;
};

// Also the long spelling of -o, which every command takes.
TEST_F(RenderProgram, DrawsThroughTheDrawingProgramAsInProcess) {
  for (const char* extra : {"", " --exact"}) {
    SCOPED_TRACE(extra);
    const std::string viaProgram = path("program.png");
    const ProgramResult r =
        runProgram(shellQuoted(TREVAK_CLI_PROGRAM) + " render " + shellQuoted(m_library) +
                   " R1 --output " + shellQuoted(viaProgram) + extra);
    EXPECT_EQ(r.status, 0) << r.out;
    const std::string inProcess = path("process.png");
    std::vector<std::string> args{"render", m_library, "R1", "-o", inProcess};
    if (*extra != '\0') args.push_back("--exact");
    ASSERT_EQ(runCli(args).status, 0);
    EXPECT_FALSE(readBytes(viaProgram).empty());
    EXPECT_EQ(readBytes(viaProgram), readBytes(inProcess));
  }
  // What the drawing program prints and returns comes through: a missing module is 1.
  const ProgramResult missing =
      runProgram(shellQuoted(TREVAK_CLI_PROGRAM) + " render " + shellQuoted(m_library) +
                 " NONE -o " + shellQuoted(path("x.png")));
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.out.find("NONE"), std::string::npos) << missing.out;
}

TEST_F(RenderProgram, AMissingDrawingProgramIsAFileErrorAndOtherCommandsStillRun) {
  // trevak-cli alone in a folder, as an install that lost the drawing program.
  const std::string alone = path("trevak-cli");
  std::filesystem::copy_file(TREVAK_CLI_PROGRAM, alone);
  const ProgramResult r = runProgram(shellQuoted(alone) + " render " + shellQuoted(m_library) +
                                     " R1 -o " + shellQuoted(path("y.png")));
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.out.find("trevak-cli: cannot run "), std::string::npos) << r.out;
  EXPECT_FALSE(std::filesystem::exists(path("y.png")));
  const ProgramResult list = runProgram(shellQuoted(alone) + " list " + shellQuoted(m_library));
  EXPECT_EQ(list.status, 0);
  EXPECT_EQ(list.out, "R1\n");
}

TEST(RenderInProcess, WithoutTheDrawingCommandsIsAUsageError) {
  trevak::cli::setRenderCommand(nullptr);
  std::ostringstream out, err;
  EXPECT_EQ(trevak::cli::run({"render", "lib.mod", "R1", "-o", "x.png"}, out, err), 2);
  EXPECT_NE(err.str().find("trevak-cli-render"), std::string::npos);
  trevak::cli::setRenderCommand(trevak::cli::cmdRender);
}

}  // namespace
}  // namespace trevak::test
