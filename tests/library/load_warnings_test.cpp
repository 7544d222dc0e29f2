// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/load_warnings.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "library/library_reader.h"
#include "library/module_table.h"

namespace {

using trevak::LoadFinding;
using trevak::LoadWarnings;
using trevak::ModuleTable;
using Kind = LoadFinding::Kind;

std::vector<LoadFinding> findingsOf(std::string_view bytes) {
  LoadWarnings warnings;
  warnings.start("t.mod");
  ModuleTable table;
  trevak::MemoryByteSource source(bytes);
  trevak::loadLibrary(source, table, &warnings);
  return warnings.findings();
}

std::vector<Kind> kindsOf(const std::vector<LoadFinding>& findings) {
  std::vector<Kind> kinds;
  for (const auto& f : findings) kinds.push_back(f.kind);
  return kinds;
}

const std::string kHeader = "PCBNEW-LibModule-V1  01/01/2010\r\n";
const std::string kLong(70, 'L');

struct FindingCase {
  const char* label;
  std::string bytes;
  std::vector<Kind> kinds;
  std::string firstModule;
};

void PrintTo(const FindingCase& c, std::ostream* os) { *os << c.label; }

class LoadFindings : public ::testing::TestWithParam<FindingCase> {};

TEST_P(LoadFindings, AreReportedWithTheirModule) {
  const FindingCase& c = GetParam();
  const auto findings = findingsOf(c.bytes);
  EXPECT_EQ(kindsOf(findings), c.kinds);
  if (!findings.empty()) {
    EXPECT_EQ(findings.front().module, c.firstModule);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LoadFindings,
    ::testing::Values(
        FindingCase{"CleanLibrary", kHeader + "$MODULE A\r\n$EndMODULE A\r\n", {}, ""},
        FindingCase{"HeaderInSmallLettersAfterBlankLines",
                    "\r\n  \r\n  pcbnew-libmodule-v2 x\r\n$MODULE A\r\n$EndMODULE A\r\n",
                    {},
                    ""},
        FindingCase{"NoHeader", "$MODULE A\r\n$EndMODULE A\r\n", {Kind::HeaderMissing}, ""},
        FindingCase{"HeaderWordCutShort",
                    "PCBNEW-LibModule\r\n$MODULE A\r\n$EndMODULE\r\n",
                    {Kind::HeaderMissing},
                    ""},
        FindingCase{"LongName",
                    kHeader + "$MODULE " + kLong + "\r\n$EndMODULE\r\n",
                    {Kind::NameTooLong},
                    kLong},
        FindingCase{"LongNamesThatCollideOnceCut",
                    kHeader + "$MODULE " + kLong + "1\r\n$EndMODULE\r\n$MODULE " + kLong +
                        "2\r\n$EndMODULE\r\n",
                    {Kind::NameTooLong, Kind::NameTooLong, Kind::CutNameCollides,
                     Kind::CutNameCollides},
                    kLong + "1"},
        FindingCase{"NameWithABlank",
                    kHeader + "$MODULE SOT 23\r\n$EndMODULE\r\n",
                    {Kind::NameCutAtBlank},
                    "SOT 23"},
        FindingCase{"NamesEqualOnceCutAtTheBlank",
                    kHeader + "$MODULE R 1\r\n$EndMODULE\r\n$MODULE r\t2\r\n$EndMODULE\r\n",
                    {Kind::NameCutAtBlank, Kind::NameCutAtBlank, Kind::CutNameCollides,
                     Kind::CutNameCollides},
                    "R 1"},
        FindingCase{"CutNameEqualToAnUncutOne",
                    kHeader + "$MODULE SOT\r\n$EndMODULE\r\n$MODULE SOT 23\r\n$EndMODULE\r\n",
                    {Kind::NameCutAtBlank, Kind::CutNameCollides},
                    "SOT 23"},
        FindingCase{"QuotedName",
                    kHeader + "$MODULE \"R 1\"\r\n$EndMODULE\r\n",
                    {Kind::NameCutAtQuote},
                    "\"R 1\""},
        FindingCase{"EndLineMissingBeforeTheNext",
                    kHeader + "$MODULE A\r\nPo 0\r\n$MODULE B\r\n$EndMODULE\r\n",
                    {Kind::EndLineMissing},
                    "A"},
        FindingCase{"EndLineMissingAtTheEnd",
                    kHeader + "$MODULE Z\r\nPo 0\r\n",
                    {Kind::EndLineMissing},
                    "Z"},
        FindingCase{"DuplicateIgnoringCase",
                    kHeader + "$MODULE dip8\r\n$EndMODULE\r\n$MODULE DIP8\r\n$EndMODULE\r\n",
                    {Kind::DuplicateName},
                    "dip8"},
        FindingCase{"UnitLinesKiCadIgnores",
                    kHeader + "Units MM\r\n Units mm\r\n$INDEX\r\nA\r\n$EndINDEX\r\nUnits mm\r\n"
                              "$MODULE A\r\nUnits mm\r\n$EndMODULE A\r\n",
                    {Kind::UnitLineIgnored, Kind::UnitLineIgnored, Kind::UnitLineIgnored},
                    ""},
        // A line that names decimils says what KiCad reads anyway.
        FindingCase{"UnitLinesKiCadReadsAsMeant",
                    kHeader + "Units mm\r\nunits\tdecimils\r\nUnits deci-mils\r\n$INDEX\r\n"
                              "$EndINDEX\r\n",
                    {},
                    ""}),
    [](const auto& p) { return std::string(p.param.label); });

TEST(LoadFindingText, NamesTheWholeModuleAndWhatOlderToolsRead) {
  const auto findings = findingsOf(kHeader + "$MODULE " + kLong + "\r\n$EndMODULE\r\n");
  ASSERT_EQ(findings.size(), 1U);
  EXPECT_EQ(trevak::describeFinding(findings[0]),
            kLong + ": name over 60 bytes; older tools cut it at 60 (" +
                std::string(60, 'L') + ")");
}

TEST(LoadFindingText, OldToolNamesAreTheSecondWordCutTo60Bytes) {
  EXPECT_EQ(trevak::oldToolModuleName("$MODULE R 0805"), "R");
  EXPECT_EQ(trevak::oldToolModuleName("$MODULE\t\"R 1\" x"), "R 1");
  EXPECT_EQ(trevak::oldToolModuleName("$MODULE " + kLong), std::string(60, 'L'));
}

// Bytes from the file reach a terminal escaped and cut, never raw.
TEST(LoadFindingText, QuotesFileBytesEscapedAndBounded) {
  const std::string hostile = "\x1b]0;owned\x07\x1b[2J" + std::string(300, 'x');
  const auto findings = findingsOf(kHeader + "Units mm " + hostile + "\r\n$INDEX\r\nUnits " +
                                   hostile + "\r\n$MODULE " + hostile + "\r\n$EndMODULE\r\n");
  ASSERT_FALSE(findings.empty());
  for (const auto& f : findings) {
    const std::string text = trevak::describeFinding(f);
    EXPECT_EQ(text.find('\x1b'), std::string::npos) << text;
    EXPECT_EQ(text.find('\x07'), std::string::npos) << text;
    EXPECT_LT(text.size(), 2U * 200U + 120U) << text;
  }
  EXPECT_NE(trevak::describeFinding(findings.back()).find("\\x1b]0;owned\\x07"), std::string::npos);
}

// Files that are not libraries, as a user might pick them in the open dialog.
struct RefusalCase {
  const char* label;
  std::string bytes;
};

class NotALibrary : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(NotALibrary, IsRefusedNamingTheFileAndTheTableKept) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string path = dir.path().toStdString() + "/picked.file";
  std::ofstream(path, std::ios::binary) << GetParam().bytes;
  ModuleTable table;
  table.AppendRecord();
  table.SetField("nome_Componente", "KEEP");
  table.PostRecord();
  try {
    trevak::loadLibraryFile(path, table);
    ADD_FAILURE() << "loaded";
  } catch (const trevak::NotALibraryError& e) {
    const std::string text = e.what();
    EXPECT_NE(text.find(path), std::string::npos) << text;
    EXPECT_NE(text.find("is not a KiCad module library"), std::string::npos) << text;
    EXPECT_EQ(e.path(), path);
  }
  ASSERT_EQ(table.RecordCount(), 1);
  EXPECT_EQ(*table.recordAt(0).nome_Componente, "KEEP");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NotALibrary,
    ::testing::Values(RefusalCase{"Png", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)},
                      RefusalCase{"Empty", ""}, RefusalCase{"BlankLines", "\r\n \r\n"},
                      RefusalCase{"Text", "hello\nworld\n$ENDMODULE\n"},
                      RefusalCase{"BoardFile", "PCBNEW-BOARD Version 1 date\r\n$EndBOARD\r\n"}),
    [](const auto& p) { return std::string(p.param.label); });

TEST(NotALibrary, AHeaderWithoutModulesIsAnEmptyLibrary) {
  EXPECT_TRUE(findingsOf(kHeader + "$INDEX\r\n$EndINDEX\r\n$EndLIBRARY\r\n").empty());
}

TEST(LoadWarningsCorpus, NamesOverSixtyBytesAreReported) {
  const std::filesystem::path file =
      std::filesystem::path(TREVAK_CORPUS_DIR) /
      "kicad-official-2015/Choke_Toroid_ThroughHole_RevB_06Aug2010.mod";
  if (!std::filesystem::exists(file)) GTEST_SKIP() << "corpus not present";
  LoadWarnings warnings;
  ModuleTable table;
  trevak::loadLibraryFile(file.string(), table, &warnings);
  const auto& findings = warnings.findings();
  const auto longNames = std::count_if(findings.begin(), findings.end(),
                                       [](const auto& f) { return f.kind == Kind::NameTooLong; });
  EXPECT_GE(longNames, 10);
  for (const auto& f : findings) {
    if (f.kind != Kind::NameTooLong) continue;
    EXPECT_GT(f.module.size(), 60U);  // the table holds the whole name
    EXPECT_EQ(f.detail, f.module.substr(0, 60));
  }
}

}  // namespace
