// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "library/kicad_mod_reader.h"

namespace trevak {
namespace {

struct SummaryCase {
  const char* what;
  std::string text;
  bool ok;
  std::string name;
  int version;
  std::string description;
  std::string tags;
  std::string error;  // for a file not ok
  int line;
  int column;
};

class KicadModSummaryCases : public ::testing::TestWithParam<SummaryCase> {};

TEST_P(KicadModSummaryCases, ReadsTheFieldsOrSaysWhereItStops) {
  const SummaryCase& c = GetParam();
  const KicadModSummary s = summarizeKicadMod(c.text);
  EXPECT_EQ(s.ok, c.ok) << c.what << ": " << s.error;
  EXPECT_EQ(s.name, c.name) << c.what;
  EXPECT_EQ(s.version, c.version) << c.what;
  if (c.ok) {
    EXPECT_EQ(s.description, c.description) << c.what;
    EXPECT_EQ(s.tags, c.tags) << c.what;
    EXPECT_EQ(s.error, "") << c.what;
  } else {
    EXPECT_EQ(s.error, c.error) << c.what;
    EXPECT_EQ(s.line, c.line) << c.what;
    EXPECT_EQ(s.column, c.column) << c.what;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Dialects, KicadModSummaryCases,
    ::testing::Values(
        SummaryCase{"KiCad 5",
                    "(module R_0805 (layer F.Cu) (tedit 5B30) (descr \"Resistor SMD\")\n"
                    "  (tags resistor) (fp_text reference REF** (at 0 0) (layer F.SilkS)))\n",
                    true, "R_0805", 0, "Resistor SMD", "resistor", "", 0, 0},
        SummaryCase{"KiCad 6",
                    "(footprint \"R 0805\" (version 20211014) (generator pcbnew)\n"
                    "  (layer \"F.Cu\") (descr \"a \\\"b\\\"\") (tags \"r smd\"))\n",
                    true, "R 0805", 20211014, "a \"b\"", "r smd", "", 0, 0},
        SummaryCase{"KiCad 8, a token per line, properties hold descriptions too",
                    "(footprint \"X\"\n\t(version 20240108)\n\t(generator \"pcbnew\")\n"
                    "\t(descr \"d\")\n\t(tags \"t\")\n\t(property \"Reference\" \"REF**\"\n"
                    "\t\t(at 0 0 0)\n\t)\n)\n",
                    true, "X", 20240108, "d", "t", "", 0, 0},
        SummaryCase{"KiCad 10 is the newest known",
                    "(footprint \"X\" (version 20260206))", true, "X", 20260206, "", "", "", 0,
                    0},
        SummaryCase{"a descr nested deeper is not the footprint's",
                    "(footprint \"X\" (fp_text user \"y\" (descr \"no\")) (tags a b))", true,
                    "X", 0, "", "a", "", 0, 0},
        SummaryCase{"a newer KiCad", "(footprint \"X\"\n  (version 20270101) (layer F.Cu))",
                    false, "X", 20270101, "", "", "feito por um KiCad mais novo (versão 20270101)",
                    2, 3},
        SummaryCase{"a newer KiCad and broken: the break wins",
                    "(footprint \"X\" (version 20270101) (layer", false, "X", 20270101, "", "",
                    "expected ')' before the end of the file", 1, 41},
        SummaryCase{"version not a number", "(footprint \"X\" (version 2021a))", false, "X", 0,
                    "", "", "expected a whole number after 'version'", 1, 25},
        SummaryCase{"version quoted", "(footprint \"X\" (version \"1\"))", false, "X", 0, "",
                    "", "expected a whole number after 'version'", 1, 25},
        SummaryCase{"version empty", "(footprint \"X\" (version))", false, "X", 0, "", "",
                    "expected a whole number after 'version'", 1, 24},
        SummaryCase{"empty", "", false, "", 0, "", "", "empty file: expected '(footprint'", 1,
                    1},
        SummaryCase{"not a footprint", "(kicad_pcb (version 1))", false, "", 0, "", "",
                    "expected 'footprint' or 'module' after the first '('", 1, 2},
        SummaryCase{"no name", "(footprint (layer F.Cu))", false, "", 0, "", "",
                    "expected the footprint's name", 1, 12},
        SummaryCase{"an atom first", "footprint", false, "", 0, "", "",
                    "expected '(footprint'", 1, 1},
        SummaryCase{"trailing text", "(footprint \"X\")\n\n x", false, "X", 0, "", "",
                    "expected the end of the file after the footprint's closing ')'", 3, 2},
        SummaryCase{"two footprints", "(footprint \"X\") (footprint \"Y\")", false, "X", 0, "",
                    "", "expected the end of the file after the footprint's closing ')'", 1, 17},
        SummaryCase{"unbalanced", "(footprint \"X\" (pad 1 smd (at 0 0)\n", false, "X", 0, "",
                    "", "expected ')' before the end of the file", 2, 1},
        SummaryCase{"string left open", "(footprint \"X\" (descr \"abc))\n", false, "X", 0, "",
                    "", "string left open: no closing '\"' before the end of the file", 1, 23}));

TEST(KicadModSummary, EveryCutOfARealFileIsRefusedUntilWhole) {
  const std::string text =
      "(footprint \"C_0402\" (version 20211014) (generator pcbnew)\n"
      "  (descr \"Capacitor\") (tags \"capacitor\")\n"
      "  (pad \"1\" smd roundrect (at -0.48 0) (size 0.56 0.62) (layers \"F.Cu\")"
      " (roundrect_rratio 0.25))\n)\n";
  for (std::size_t cut = 0; cut + 1 < text.size(); ++cut) {
    const KicadModSummary s = summarizeKicadMod(std::string_view(text.data(), cut));
    EXPECT_FALSE(s.ok) << "cut at " << cut;
    EXPECT_FALSE(s.error.empty()) << "cut at " << cut;
    EXPECT_GE(s.line, 1) << "cut at " << cut;
  }
  EXPECT_TRUE(summarizeKicadMod(text).ok);
}

// Every real footprint of every dialect reads, its name is its file's name, and the dialect
// folder says its version.
TEST(KicadModSummaryCorpus, EveryFileOfEveryDialectReads) {
  const std::filesystem::path root = TREVAK_SOURCE_DIR "/../shared/corpus-pretty";
  if (!std::filesystem::is_directory(root)) GTEST_SKIP() << "no " << root;
  int files = 0, kicad5 = 0, newest = 0;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (entry.path().extension() != ".kicad_mod") continue;
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const KicadModSummary s = summarizeKicadMod(text);
    ++files;
    EXPECT_TRUE(s.ok) << entry.path() << ": " << s.error << " at " << s.line << ":" << s.column;
    EXPECT_EQ(s.name, entry.path().stem().string()) << entry.path();
    if (s.version == 0) ++kicad5;
    if (s.version == kNewestKicadModVersion) ++newest;
  }
  EXPECT_GT(files, 5000);
  EXPECT_GT(kicad5, 0);
  EXPECT_GT(newest, 0);
}

}  // namespace
}  // namespace trevak
