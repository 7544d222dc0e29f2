// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/length_units.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <algorithm>
#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <locale>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "library/body_lines.h"
#include "library/library_reader.h"

namespace trevak {
namespace {

namespace fs = std::filesystem;

constexpr LengthUnit kMm = LengthUnit::Millimetre;
constexpr LengthUnit kDmil = LengthUnit::Decimil;

double numberOf(std::string_view text) {
  double v = 0;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
  EXPECT_EQ(r.ptr, text.data() + text.size()) << text;
  return v;
}

// --- one number -------------------------------------------------------------------------------

struct NumberCase {
  const char* text;
  LengthUnit from;
  LengthUnit to;
  std::optional<std::string> expected;
};

void PrintTo(const NumberCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class ConvertLength : public ::testing::TestWithParam<NumberCase> {};

TEST_P(ConvertLength, GivesTheExactOrRoundedValueOrRefuses) {
  const NumberCase& c = GetParam();
  EXPECT_EQ(convertLength(c.text, c.from, c.to), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    MillimetresToDecimils, ConvertLength,
    ::testing::Values(
        NumberCase{"1.524", kMm, kDmil, "600"}, NumberCase{"-1.27", kMm, kDmil, "-500"},
        NumberCase{"0", kMm, kDmil, "0"}, NumberCase{"-0.0", kMm, kDmil, "0"},
        NumberCase{"25.4", kMm, kDmil, "10000"}, NumberCase{"+2.54", kMm, kDmil, "1000"},
        NumberCase{".254", kMm, kDmil, "100"}, NumberCase{"254.", kMm, kDmil, "100000"},
        NumberCase{"1.27e1", kMm, kDmil, "5000"}, NumberCase{"127E-2", kMm, kDmil, "500"},
        NumberCase{"000001.5240000", kMm, kDmil, "600"},
        // 0.00127 mm is exactly half of 1/10000 inch: away from zero.
        NumberCase{"0.00127", kMm, kDmil, "1"}, NumberCase{"-0.00127", kMm, kDmil, "-1"},
        NumberCase{"0.0012699999999", kMm, kDmil, "0"},
        NumberCase{"0.0012700000001", kMm, kDmil, "1"},
        NumberCase{"1.00203", kMm, kDmil, "395"},  // 394.5
        NumberCase{"-1.00203", kMm, kDmil, "-395"},
        NumberCase{"0.15", kMm, kDmil, "59"},   // 59.055...
        NumberCase{"-0.001", kMm, kDmil, "0"},  // no "-0"
        NumberCase{"1e-300", kMm, kDmil, "0"}, NumberCase{"-2147.483648", kMm, kDmil, "-845466"},
        NumberCase{"12345678901234", kMm, kDmil, "4860503504422835"},
        NumberCase{"1e30", kMm, kDmil, std::nullopt}),
    [](const auto& p) { return "Case" + std::to_string(p.index); });

INSTANTIATE_TEST_SUITE_P(
    DecimilsToMillimetres, ConvertLength,
    ::testing::Values(
        NumberCase{"600", kDmil, kMm, "1.524"}, NumberCase{"-500", kDmil, kMm, "-1.27"},
        NumberCase{"0", kDmil, kMm, "0"}, NumberCase{"-0", kDmil, kMm, "0"},
        NumberCase{"1", kDmil, kMm, "0.00254"}, NumberCase{"-1", kDmil, kMm, "-0.00254"},
        NumberCase{"5", kDmil, kMm, "0.0127"}, NumberCase{"10000", kDmil, kMm, "25.4"},
        NumberCase{"1000000", kDmil, kMm, "2540"},
        NumberCase{"1e7", kDmil, kMm, "25400"},  // never an exponent
        NumberCase{"+600", kDmil, kMm, "1.524"}, NumberCase{"00600", kDmil, kMm, "1.524"},
        NumberCase{"600.5", kDmil, kMm, "1.52527"}, NumberCase{"0.001", kDmil, kMm, "0.00000254"},
        NumberCase{"2147483647", kDmil, kMm, "5454608.46338"},
        NumberCase{"-2147483648", kDmil, kMm, "-5454608.46592"},
        NumberCase{"123456789012345678901", kDmil, kMm, std::nullopt},
        NumberCase{"1e-60", kDmil, kMm, std::nullopt}),
    [](const auto& p) { return "Case" + std::to_string(p.index); });

// Nothing that is not a whole decimal number is touched, in either direction.
INSTANTIATE_TEST_SUITE_P(
    Malformed, ConvertLength,
    ::testing::Values(
        NumberCase{"", kMm, kDmil, std::nullopt}, NumberCase{"-", kMm, kDmil, std::nullopt},
        NumberCase{"+", kDmil, kMm, std::nullopt}, NumberCase{".", kMm, kDmil, std::nullopt},
        NumberCase{"1,5", kMm, kDmil, std::nullopt}, NumberCase{"1.2.3", kMm, kDmil, std::nullopt},
        NumberCase{"12ab", kDmil, kMm, std::nullopt}, NumberCase{"0x10", kDmil, kMm, std::nullopt},
        NumberCase{"$10", kDmil, kMm, std::nullopt}, NumberCase{"inf", kMm, kDmil, std::nullopt},
        NumberCase{"nan", kDmil, kMm, std::nullopt}, NumberCase{"1e", kMm, kDmil, std::nullopt},
        NumberCase{"1e+", kMm, kDmil, std::nullopt}, NumberCase{"e5", kMm, kDmil, std::nullopt},
        NumberCase{"--1", kDmil, kMm, std::nullopt}, NumberCase{" 1", kDmil, kMm, std::nullopt},
        NumberCase{"1 ", kMm, kDmil, std::nullopt}, NumberCase{"1\t", kMm, kDmil, std::nullopt},
        NumberCase{"1.5\"", kMm, kDmil, std::nullopt}, NumberCase{"abc", kMm, kMm, std::nullopt}),
    [](const auto& p) { return "Case" + std::to_string(p.index); });

INSTANTIATE_TEST_SUITE_P(SameOrNoUnit, ConvertLength,
                         ::testing::Values(NumberCase{"1.524", kMm, kMm, "1.524"},
                                           NumberCase{"0600", kDmil, kDmil, "0600"},
                                           NumberCase{"1.524", kMm, LengthUnit::None, "1.524"},
                                           NumberCase{"600", LengthUnit::None, kMm, "600"}),
                         [](const auto& p) { return "Case" + std::to_string(p.index); });

TEST(ConvertLengthRoundTrip, DecimilsThroughMillimetresComeBackExactly) {
  std::vector<long long> values;
  for (long long v = -20000; v <= 20000; ++v) values.push_back(v);
  std::mt19937_64 random(7);
  for (int i = 0; i < 20000; ++i) {
    values.push_back(static_cast<long long>(random() % 4000000000ULL) - 2000000000LL);
  }
  for (const long long v : values) {
    const std::string text = std::to_string(v);
    const std::optional<std::string> mm = convertLength(text, kDmil, kMm);
    ASSERT_TRUE(mm) << text;
    ASSERT_EQ(mm->find_first_of("eE"), std::string::npos) << *mm;
    ASSERT_TRUE(mm->find('.') == std::string::npos || mm->back() != '0') << *mm;
    ASSERT_EQ(convertLength(*mm, kMm, kDmil), text) << *mm;
  }
}

TEST(ConvertLengthRoundTrip, MillimetresThroughDecimilsStayWithinHalfAUnit) {
  std::mt19937_64 random(11);
  for (int i = 0; i < 50000; ++i) {
    const long long micro = static_cast<long long>(random() % 200000000ULL) - 100000000LL;
    char text[32];
    std::snprintf(text, sizeof text, "%s%lld.%06lld", micro < 0 ? "-" : "",
                  std::llabs(micro) / 1000000, std::llabs(micro) % 1000000);
    const std::optional<std::string> dmil = convertLength(text, kMm, kDmil);
    ASSERT_TRUE(dmil) << text;
    const std::optional<std::string> back = convertLength(*dmil, kDmil, kMm);
    ASSERT_TRUE(back) << *dmil;
    EXPECT_LE(std::fabs(numberOf(*back) - numberOf(text)), 0.00127 + 1e-9) << text;
    EXPECT_NEAR(numberOf(*dmil), numberOf(text) / 0.00254, 0.5 + 1e-6) << text;
  }
}

TEST(ConvertLengthLocale, ACommaLocaleChangesNothing) {
  struct CommaPoint : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
  };
  const std::locale oldGlobal =
      std::locale::global(std::locale(std::locale::classic(), new CommaPoint));
  const QLocale oldQt;
  QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
  const std::string oldC = std::setlocale(LC_ALL, nullptr);
  for (const char* name : {"pt_BR.UTF-8", "pt_BR.utf8", "de_DE.UTF-8", "de_DE.utf8", "pt_BR"}) {
    if (std::setlocale(LC_ALL, name) != nullptr) break;
  }

  EXPECT_EQ(convertLength("600", kDmil, kMm), "1.524");
  EXPECT_EQ(convertLength("1.524", kMm, kDmil), "600");
  EXPECT_EQ(convertLength("1,524", kMm, kDmil), std::nullopt);
  EXPECT_EQ(convertBodyLengths("Po 600 -500\r", kDmil, kMm), "Po 1.524 -1.27\r");

  std::setlocale(LC_ALL, oldC.c_str());
  QLocale::setDefault(oldQt);
  std::locale::global(oldGlobal);
}

// --- one line -----------------------------------------------------------------------------------

// A line in both units; every length here is a whole number of 1/10000 inch, so the conversion
// is exact both ways.
struct LineCase {
  const char* label;
  const char* millimetres;
  const char* decimils;
};

void PrintTo(const LineCase& c, std::ostream* os) { *os << c.label; }

class LengthFields : public ::testing::TestWithParam<LineCase> {};

TEST_P(LengthFields, ConvertExactlyTheLengthsBothWays) {
  const LineCase& c = GetParam();
  LengthFieldConverter toDecimils(kMm, kDmil);
  EXPECT_EQ(toDecimils.line(c.millimetres), c.decimils);
  LengthFieldConverter toMillimetres(kDmil, kMm);
  EXPECT_EQ(toMillimetres.line(c.decimils), c.millimetres);
}

INSTANTIATE_TEST_SUITE_P(
    Keywords, LengthFields,
    ::testing::Values(
        LineCase{"PadPosition", "Po -1.27 0", "Po -500 0"},
        LineCase{"ModulePosition", "Po 56.515 236.22 0 15 00200000 00000000 ~~",
                 "Po 22250 93000 0 15 00200000 00000000 ~~"},
        // Field 6 is the orientation; 8 on are flags, layer and the text.
        LineCase{"Text0", "T0 1.27 -6.985 1.524 1.524 900 0.3048 N V 21 N \"BUS-PC\"",
                 "T0 500 -2750 600 600 900 120 N V 21 N \"BUS-PC\""},
        LineCase{"Text2", "T2 -0.127 2.413 0.762 0.762 0 0.1524 N V 21 N \"25.4\"",
                 "T2 -50 950 300 300 0 60 N V 21 N \"25.4\""},
        LineCase{"TextOldStyle", "T1 -16.51 -6.985 1.524 1.524 0 0.3048 N I 21 \"P**\"",
                 "T1 -6500 -2750 600 600 0 120 N I 21 \"P**\""},
        LineCase{"TextLowerCase", "t1 1.27 0 0.254 0.254 0 0.0254 N V 21 N VAL",
                 "t1 500 0 100 100 0 10 N V 21 N VAL"},
        LineCase{"Segment", "DS 40.64 3.81 -40.64 3.81 0.3048 21",
                 "DS 16000 1500 -16000 1500 120 21"},
        LineCase{"SegmentLowerCase", "ds 2.54 0 0 2.54 0.254 21", "ds 1000 0 0 1000 100 21"},
        LineCase{"Circle", "DC -0.00254 0 0.99822 1.24968 0.127 21", "DC -1 0 393 492 50 21"},
        // Field 6 is the angle.
        LineCase{"Arc", "DA -0.1016 15.8496 0 17.018 1000 0.2032 21",
                 "DA -40 6240 0 6700 1000 80 21"},
        // Field 6 is the number of corners.
        LineCase{"Polygon", "DP 0 0 0 0 108 0.00254 20", "DP 0 0 0 0 108 1 20"},
        LineCase{"PolygonCorner", "Dl -0.00254 2.54", "Dl -1 1000"},
        // Name, shape and orientation stay; sizes and deltas are lengths.
        LineCase{"PadShape", "Sh \"1\" R 1.778 7.62 0.254 -0.254 900",
                 "Sh \"1\" R 700 3000 100 -100 900"},
        LineCase{"PadShapeEmptyName", "Sh \"\" C 0.4064 0.4064 0 0 0", "Sh \"\" C 160 160 0 0 0"},
        LineCase{"Drill", "Dr 0.8128 0.254 -0.254", "Dr 320 100 -100"},
        LineCase{"OvalDrill", "Dr 0 0 0 O 1.27 0.762", "Dr 0 0 0 O 500 300"},
        // Only a capital O makes the oval sizes.
        LineCase{"DrillOtherShape", "Dr 0.762 0 0 o 1.27 0.762", "Dr 300 0 0 o 1.27 0.762"},
        LineCase{"DieLength", "Le 0.00254", "Le 1"},
        LineCase{"SolderMask", ".SolderMask -0.1016", ".SolderMask -40"},
        LineCase{"SolderPaste", ".SolderPaste -0.0508", ".SolderPaste -20"},
        LineCase{"LocalClearance", ".LocalClearance 0.254", ".LocalClearance 100"},
        LineCase{"ThermalWidth", ".ThermalWidth 0.508", ".ThermalWidth 200"},
        LineCase{"ThermalGap", ".ThermalGap 0.762", ".ThermalGap 300"},
        // Ratios, counts, layers, names and texts are no lengths.
        LineCase{"PasteRatio", ".SolderPasteRatio -0.05", ".SolderPasteRatio -0.05"},
        LineCase{"ZoneConnection", ".ZoneConnection 2", ".ZoneConnection 2"},
        LineCase{"Attribute", "At STD N 00E0FFFF", "At STD N 00E0FFFF"},
        LineCase{"Net", "Ne 0 \"\"", "Ne 0 \"\""},
        LineCase{"Scale", "Sc 0.05 0.04 0.05", "Sc 0.05 0.04 0.05"},
        LineCase{"Offset", "Of 0.1 0 0", "Of 0.1 0 0"},
        LineCase{"Rotation", "Op 0 A 0", "Op 0 A 0"},
        LineCase{"Description", "Cd 2.54 mm pitch", "Cd 2.54 mm pitch"},
        LineCase{"Keywords", "Kw 1.27", "Kw 1.27"},
        LineCase{"UnknownKeyword", "DX 1.27 2.54", "DX 1.27 2.54"},
        LineCase{"PadStart", "$PAD", "$PAD"}, LineCase{"Empty", "", ""},
        LineCase{"Blanks", "   ", "   "}),
    [](const auto& p) { return std::string(p.param.label); });

// Everything around the numbers stays as it was, byte for byte.
INSTANTIATE_TEST_SUITE_P(
    Layout, LengthFields,
    ::testing::Values(
        LineCase{"RepeatedAndTrailingBlanks", "  DS  2.54   0 0  2.54 0.254 21   ",
                 "  DS  1000   0 0  1000 100 21   "},
        // KiCad separates fields at a TAB too.
        LineCase{"Tabs", "DS\t2.54\t0\t0\t2.54\t0.254\t25", "DS\t1000\t0\t0\t1000\t100\t25"},
        LineCase{"QuotedLength", "Sh \"1\" R \"1.524\" 1.524 0 0 0",
                 "Sh \"1\" R \"600\" 600 0 0 0"},
        LineCase{"QuoteGluedToKeyword", "Po\"1.27\"2.54", "Po\"500\"1000"},
        LineCase{"QuotedTextHoldsBlanks", "Sh \"A 1\" R 1.524 1.524 0 0 0",
                 "Sh \"A 1\" R 600 600 0 0 0"},
        LineCase{"MissingFields", "Po 1.27", "Po 500"},
        LineCase{"NonAsciiText", "T0 0 0 1.524 1.524 0 0.3048 N V 21 N \"\xb5\xc3\xa9\"",
                 "T0 0 0 600 600 0 120 N V 21 N \"\xb5\xc3\xa9\""},
        // A field that is no plain number is left alone; the others are still converted.
        LineCase{"MalformedFields", "Po 1,27 2.54", "Po 1,27 1000"},
        LineCase{"MalformedDrill", "Dr 1.2.3 abc 0.254", "Dr 1.2.3 abc 100"}),
    [](const auto& p) { return std::string(p.param.label); });

TEST(LengthFieldConverter, WritesEachNumberInItsPlainForm) {
  LengthFieldConverter toDecimils(kMm, kDmil);
  EXPECT_EQ(toDecimils.line("Po +1.27 -0.0"), "Po 500 0");
  EXPECT_EQ(toDecimils.line("Sh \"1\" R 1.5 0.15 0 0 0"), "Sh \"1\" R 591 59 0 0 0");
  LengthFieldConverter toMillimetres(kDmil, kMm);
  EXPECT_EQ(toMillimetres.line("Po +500 1e3"), "Po 1.27 2.54");
}

TEST(LengthFieldConverter, SameUnitsOrNoUnitLeaveEveryLine) {
  for (const auto& [from, to] :
       {std::pair{kMm, kMm}, std::pair{kDmil, kDmil}, std::pair{LengthUnit::None, kMm},
        std::pair{kDmil, LengthUnit::None}}) {
    LengthFieldConverter same(from, to);
    EXPECT_FALSE(same.converts());
    const std::string_view line = "Po 1.27 0";
    EXPECT_EQ(same.line(line).data(), line.data());
  }
  EXPECT_TRUE(LengthFieldConverter(kMm, kDmil).converts());
  EXPECT_TRUE(LengthFieldConverter(kDmil, kMm).converts());
}

// --- a whole body
// ---------------------------------------------------------------------------------

TEST(ConvertBodyLengths, ThreeDimensionalShapesStayInInches) {
  const std::string mm =
      "Po 0 0 0 15 54F9DF30 00000000 ~~\r"
      "$PAD\rSh \"\" C 0.4064 0.4064 0 0 0\rPo 2.54 0\r$EndPAD\r"
      "$SHAPE3D\rNa \"cherry.wrl\"\rSc 1 1 1\rOf 0.1 0 0\rPo 2.54 0\rRo 0 0 0\r$EndSHAPE3D\r"
      "DS 0 0 2.54 0 0.254 21\r"
      "$shape3d\rPo 2.54 0\r$endshape3d\rPo 2.54 0\r";
  const std::string dmil =
      "Po 0 0 0 15 54F9DF30 00000000 ~~\r"
      "$PAD\rSh \"\" C 160 160 0 0 0\rPo 1000 0\r$EndPAD\r"
      "$SHAPE3D\rNa \"cherry.wrl\"\rSc 1 1 1\rOf 0.1 0 0\rPo 2.54 0\rRo 0 0 0\r$EndSHAPE3D\r"
      "DS 0 0 1000 0 100 21\r"
      "$shape3d\rPo 2.54 0\r$endshape3d\rPo 1000 0\r";
  EXPECT_EQ(convertBodyLengths(mm, kMm, kDmil), dmil);
  EXPECT_EQ(convertBodyLengths(dmil, kDmil, kMm), mm);
}

TEST(ConvertBodyLengths, EveryLineEndStaysAsItWas) {
  EXPECT_EQ(convertBodyLengths("Po 1.27 0\r\nLe 2.54\n\rDl 0 2.54\r\r\nPo 1.27 0", kMm, kDmil),
            "Po 500 0\r\nLe 1000\n\rDl 0 1000\r\r\nPo 500 0");
  EXPECT_EQ(convertBodyLengths("", kMm, kDmil), "");
  EXPECT_EQ(convertBodyLengths("\r\r", kDmil, kMm), "\r\r");
}

TEST(ConvertBodyLengths, AnOpenShapeBlockEndsWithTheBody) {
  EXPECT_EQ(convertBodyLengths("$SHAPE3D\rPo 2.54 0\r", kMm, kDmil), "$SHAPE3D\rPo 2.54 0\r");
  // The next body starts outside any block.
  EXPECT_EQ(convertBodyLengths("Po 2.54 0\r", kMm, kDmil), "Po 1000 0\r");
}

// Lines made of keywords, numbers, quotes, TABs and stray bytes: once in whole 1/10000 inch,
// a line goes to millimetres and back unchanged, and keeps its quotes and TABs.
TEST(LengthFieldConverterRobustness, TokenSoupSurvivesTheRoundTrip) {
  const std::vector<std::string> pieces = {
      "Po",    "T0",      "t2",  "DS",   "ds",  "DC",          "DA",       "DP",
      "Dl",    "Sh",      "Dr",  "O",    "Le",  ".SolderMask", "$SHAPE3D", "$EndSHAPE3D",
      "0",     "-0",      "1",   "-17",  "600", "1.5",         "-2.54",    "+3",
      ".5",    "7.",      "1e3", "2E-2", "1,5", "1.2.3",       "x",        "\"",
      "\"1\"", "\"2 3\"", "\t",  " ",    "  ",  "\r",          "\xff",     ""};
  std::mt19937 random(2024);
  for (int i = 0; i < 20000; ++i) {
    std::string line;
    const int count = static_cast<int>(random() % 10);
    for (int k = 0; k < count; ++k) {
      line += pieces[random() % pieces.size()];
      if (random() % 3 != 0) line += ' ';
    }
    LengthFieldConverter toDecimils(kMm, kDmil);
    const std::string decimils(toDecimils.line(line));
    LengthFieldConverter toMillimetres(kDmil, kMm);
    const std::string millimetres(toMillimetres.line(decimils));
    LengthFieldConverter back(kMm, kDmil);
    ASSERT_EQ(back.line(millimetres), decimils) << line;
    for (const std::string& converted : {decimils, millimetres}) {
      ASSERT_EQ(std::count(converted.begin(), converted.end(), '"'),
                std::count(line.begin(), line.end(), '"'))
          << line;
      ASSERT_EQ(std::count(converted.begin(), converted.end(), '\t'),
                std::count(line.begin(), line.end(), '\t'))
          << line;
    }
  }
}

// --- the corpus ---------------------------------------------------------------------------------

std::vector<std::string_view> fieldsOf(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= line.size(); ++i) {
    if (i < line.size() && line[i] != ' ' && line[i] != '\t') continue;
    if (i > start) fields.push_back(line.substr(start, i - start));
    start = i + 1;
  }
  return fields;
}

// Every module of every library of the corpus, copied into the other unit and back: from
// 1/10000 inch the very bytes return; from millimetres every field returns within half of
// 1/10000 inch and everything that is not a number returns unchanged.
TEST(ConvertBodyLengthsCorpus, EveryModuleThereAndBack) {
  const fs::path corpus = TREVAK_CORPUS_DIR;
  ASSERT_TRUE(fs::is_directory(corpus)) << "the corpus of real libraries is missing: " << corpus;
  int millimetreLibraries = 0;
  int libraries = 0;
  for (const auto& entry : fs::recursive_directory_iterator(corpus)) {
    if (!entry.is_regular_file() || entry.path().extension() != ".mod") continue;
    SCOPED_TRACE(entry.path().string());
    ModuleTable table;
    loadLibraryFile(entry.path().string(), table);
    ++libraries;
    const LengthUnit unit = table.unit();
    const LengthUnit other = unit == kMm ? kDmil : kMm;
    millimetreLibraries += unit == kMm ? 1 : 0;
    for (int row = 0; row < table.RecordCount(); ++row) {
      const std::string& body = table.recordAt(row).Comandos.value();
      const std::string there = convertBodyLengths(body, unit, other);
      const std::string back = convertBodyLengths(there, other, unit);
      if (unit == kDmil) {
        ASSERT_EQ(back, body) << table.recordAt(row).nome_Componente.value();
        continue;
      }
      const std::vector<std::string_view> before = splitBodyLines(body);
      const std::vector<std::string_view> after = splitBodyLines(back);
      ASSERT_EQ(after.size(), before.size());
      for (std::size_t i = 0; i < before.size(); ++i) {
        if (after[i] == before[i]) continue;
        const std::vector<std::string_view> a = fieldsOf(before[i]);
        const std::vector<std::string_view> b = fieldsOf(after[i]);
        ASSERT_EQ(a.size(), b.size()) << before[i] << " | " << after[i];
        for (std::size_t k = 0; k < a.size(); ++k) {
          if (a[k] == b[k]) continue;
          EXPECT_NEAR(numberOf(b[k]), numberOf(a[k]), 0.00127 + 1e-9)
              << before[i] << " | " << after[i];
        }
      }
    }
  }
  EXPECT_EQ(libraries, 150);
  EXPECT_EQ(millimetreLibraries, 36);
}

}  // namespace
}  // namespace trevak
