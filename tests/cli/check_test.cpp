// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <fstream>
#include <string>
#include <vector>

#include "cli_runner.h"

namespace {

using trevak::test::runCli;

class Check : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }
  std::string write(const std::string& name, const std::string& bytes) {
    const std::string path = m_dir.path().toStdString() + "/" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
  }
  QTemporaryDir m_dir;
};

TEST_F(Check, CleanLibraryPrintsNothingAndSucceeds) {
  const auto r =
      runCli({"check", write("ok.mod", "PCBNEW-LibModule-V1\n$MODULE A\n$EndMODULE A\n")});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "");
}

// A save ended by a signal before it finished left its temporary file beside the library.
TEST_F(Check, LeftoversOfInterruptedSavesAreReported) {
  const std::string library = write("u.mod", "PCBNEW-LibModule-V1\n$MODULE A\n$EndMODULE A\n");
  write(".u.mod.save-123456789", "PCBNEW-LibModule-V1\n");
  write(".other.mod.save-123456789", "");
  const auto r = runCli({"check", library});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "(folder): " + m_dir.path().toStdString() +
                       "/.u.mod.save-123456789: left by a save that was ended before it "
                       "finished; the library does not need it\n");
}

TEST_F(Check, OneLinePerFindingWithItsModuleAndExitOne) {
  const std::string name(64, 'n');
  const auto r = runCli({"check", write("bad.mod", "$MODULE " + name +
                                                       "\n$EndMODULE\n"
                                                       "$MODULE X\nPo\n$MODULE x\n$EndMODULE\n")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "(header): the first line does not start with PCBNEW-LibModule-V\n" +
                       name + ": name over 60 bytes; older tools cut it at 60 (" +
                       std::string(60, 'n') + ")\n" +
                       "X: module without an $EndMODULE line\n"
                       "X: name repeated 2 times in the file\n");
}

// A module left in another library's unit by a copy that did not convert is reported; one in
// its library's unit is not.
TEST_F(Check, ModulesWhoseLengthsFitTheOtherUnitAreReported) {
  const auto library = [](bool mm, const std::string& x) {
    return std::string("PCBNEW-LibModule-V1\n") + (mm ? "Units mm\n" : "") +
           "$MODULE P\nPo 0 0 0 15 0 0 ~~\n$PAD\nSh \"1\" R " + x + " " + x +
           " 0 0 0\nPo 0 0\n$EndPAD\n$EndMODULE P\n";
  };
  struct Case {
    bool mm;
    const char* size;
    const char* out;
  };
  for (const Case& c :
       {Case{true, "600", "P: lengths that fit decimils far better than millimetres "
                          "(median pad side 600 mm)\n"},
        Case{false, "1.5", "P: lengths that fit millimetres far better than decimils "
                           "(median pad side 0.00381 mm)\n"},
        Case{true, "1.5", ""}, Case{false, "600", ""}}) {
    SCOPED_TRACE(std::string(c.mm ? "mm " : "decimil ") + c.size);
    const auto r = runCli({"check", write("u.mod", library(c.mm, c.size))});
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.status, *c.out == '\0' ? 0 : 1);
  }
}

// Every command refuses a file that is no library, with exit 2 and the message.
TEST_F(Check, FilesThatAreNoLibraryAreRefusedByEveryCommand) {
  const std::string png = write("p.png", std::string("\x89PNG\r\n\x1a\n\0\0", 10));
  const std::string empty = write("e.mod", "");
  for (const std::string& path : {png, empty, m_dir.path().toStdString()}) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{"check", path},
                                                 {"list", path},
                                                 {"show", path, "A"},
                                                 {"strip-prefix", path}}) {
      const auto r = runCli(args);
      EXPECT_EQ(r.status, 2) << args[0] << " " << path;
      EXPECT_NE(r.err.find(path), std::string::npos) << r.err;
    }
  }
  const auto r = runCli({"list", png});
  EXPECT_NE(r.err.find("is not a KiCad module library"), std::string::npos) << r.err;
}

}  // namespace
