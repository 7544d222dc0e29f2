// SPDX-License-Identifier: GPL-3.0-or-later
// trevak-cli's --lang and TREVAK_LANG: English messages unless Portuguese is asked for, and the
// footprint reader's one Portuguese text following the choice.
#include "cli/messages_language.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <QTemporaryDir>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "library/kicad_mod_reader.h"

namespace trevak::cli {
namespace {

using trevak::test::ProgramResult;
using trevak::test::runProgram;

TEST(CliLanguage, CodesAndTheLeadingOption) {
  EXPECT_EQ(messagesLanguageFromCode("en"), MessagesLanguage::English);
  EXPECT_EQ(messagesLanguageFromCode("PT_br"), MessagesLanguage::Portuguese);
  EXPECT_EQ(messagesLanguageFromCode("pt-PT"), MessagesLanguage::Portuguese);
  EXPECT_EQ(messagesLanguageFromCode("ptx"), std::nullopt);
  EXPECT_EQ(messagesLanguageFromCode(""), std::nullopt);

  std::string error;
  std::vector<std::string> args{"list", "--lang", "pt"};  // not leading: the command's own
  EXPECT_TRUE(takeLanguageOption(args, error));
  EXPECT_EQ(args.size(), 3u);
  args = {"--lang"};
  EXPECT_FALSE(takeLanguageOption(args, error));
  args = {"--lang=de", "list"};
  EXPECT_FALSE(takeLanguageOption(args, error));
  EXPECT_NE(error.find("de"), std::string::npos);
}

TEST(CliLanguage, NewerKicadRefusalFollowsTheLanguage) {
  const std::string refusal = newerKicadMessage(20991231);
  const char* before = std::getenv("TREVAK_LANG");
  const std::string saved = before ? before : "";
  ::unsetenv("TREVAK_LANG");
  EXPECT_EQ(readerMessage(refusal), "made by a newer KiCad (version 20991231)");
  EXPECT_EQ(readerMessage("expected '(footprint'"), "expected '(footprint'");
  ::setenv("TREVAK_LANG", "fr", 1);  // unknown: English
  EXPECT_EQ(readerMessage(refusal), "made by a newer KiCad (version 20991231)");
  std::vector<std::string> args{"--lang", "pt", "inspect"};
  std::string error;
  ASSERT_TRUE(takeLanguageOption(args, error));
  EXPECT_EQ(args, std::vector<std::string>{"inspect"});
  EXPECT_EQ(readerMessage(refusal), refusal);
  if (before) {
    ::setenv("TREVAK_LANG", saved.c_str(), 1);
  } else {
    ::unsetenv("TREVAK_LANG");
  }
}

TEST(CliLanguage, TheProgramTakesLangAndTrevakLang) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string folder = dir.filePath(QStringLiteral("newer.pretty")).toStdString();
  ASSERT_EQ(::mkdir(folder.c_str(), 0755), 0);
  std::ofstream(folder + "/X.kicad_mod")
      << "(footprint \"X\" (version 20991231) (generator pcbnew) (layer \"F.Cu\"))\n";
  const std::string cli = std::string("'") + TREVAK_CLI_PROGRAM + "'";
  const std::string inspect = " inspect '" + folder + "' --all";

  ProgramResult r = runProgram("env -u TREVAK_LANG " + cli + inspect);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("made by a newer KiCad (version 20991231)"), std::string::npos) << r.out;
  r = runProgram(cli + " --lang pt" + inspect);
  EXPECT_NE(r.out.find("feito por um KiCad mais novo"), std::string::npos) << r.out;
  r = runProgram("TREVAK_LANG=pt_BR " + cli + inspect);
  EXPECT_NE(r.out.find("feito por um KiCad mais novo"), std::string::npos) << r.out;
  // --lang wins over the environment.
  r = runProgram("TREVAK_LANG=pt " + cli + " --lang=en" + inspect);
  EXPECT_NE(r.out.find("made by a newer KiCad"), std::string::npos) << r.out;

  // Everything else is English either way, and a wrong code is a usage error.
  const ProgramResult english = runProgram(cli + " --lang en list '" + folder + "/none.mod'");
  const ProgramResult portuguese = runProgram(cli + " --lang pt list '" + folder + "/none.mod'");
  EXPECT_EQ(english.out, portuguese.out);
  EXPECT_EQ(english.status, portuguese.status);
  r = runProgram(cli + " --lang xx list '" + folder + "'");
  EXPECT_EQ(r.status, 2);
  EXPECT_NE(r.out.find("--lang needs en or pt"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace trevak::cli
