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

TEST_F(Check, OneLinePerFindingWithItsModuleAndExitOne) {
  const std::string name(64, 'n');
  const auto r = runCli({"check", write("bad.mod", "$MODULE " + name +
                                                       "\n$EndMODULE\n"
                                                       "$MODULE X\nPo\n$MODULE x\n$EndMODULE\n")});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "(cabeçalho): a primeira linha não começa com PCBNEW-LibModule-V\n" +
                       std::string(60, 'n') + ": nome com 64 bytes cortado em 60 (" + name + ")\n" +
                       "X: módulo sem linha $EndMODULE\n"
                       "X: nome repetido 2 vezes no arquivo\n");
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
  EXPECT_NE(r.err.find("não é uma biblioteca de módulos do KiCad"), std::string::npos) << r.err;
}

}  // namespace
