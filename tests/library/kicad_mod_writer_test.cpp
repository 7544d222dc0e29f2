// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/kicad_mod_writer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace trevak {
namespace {

constexpr LengthUnit kMm = LengthUnit::Millimetre;
constexpr LengthUnit kDmil = LengthUnit::Decimil;

constexpr std::string_view kHead =
    "(footprint \"M\" (version 20211014) (generator trevak)\n  (layer \"F.Cu\")\n  (tedit 0)\n";
constexpr std::string_view kDefaultTexts =
    "  (fp_text reference \"\" (at 0 0) (layer \"F.SilkS\")\n"
    "    (effects (font (size 1.27 1.27) (thickness 0.15)))\n  )\n"
    "  (fp_text value \"\" (at 0 0) (layer \"F.SilkS\")\n"
    "    (effects (font (size 1.27 1.27) (thickness 0.15)))\n  )\n";

// The file for a module holding `body`, less what every file holds: the head, the default
// reference and value texts and the closing parenthesis.
std::string itemsText(std::string_view body, LengthUnit unit) {
  std::vector<KicadModNote> notes;
  std::string text = writeKicadMod("M", parseModuleItems(body, unit), notes);
  for (std::string_view fixed : {kHead, kDefaultTexts}) {
    const std::size_t at = text.find(fixed);
    if (at != std::string::npos) text.erase(at, fixed.size());
  }
  if (text.size() >= 2 && text.compare(text.size() - 2, 2, ")\n") == 0) text.resize(text.size() - 2);
  return text;
}

struct LineCase {
  const char* label;
  const char* body;
  LengthUnit unit;
  const char* expected;
};

void PrintTo(const LineCase& c, std::ostream* os) { *os << c.label; }

class KicadModLine : public ::testing::TestWithParam<LineCase> {};

TEST_P(KicadModLine, GivesKiCadsText) {
  EXPECT_EQ(itemsText(GetParam().body, GetParam().unit), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    ModuleFields, KicadModLine,
    ::testing::Values(
        LineCase{"CdKwEscapedAndTrimmed", "Cd  say \"hi\" \\o/ \rKw DIP DIL\r", kDmil,
                 "  (descr \"say \\\"hi\\\" \\\\o/\")\n  (tags \"DIP DIL\")\n"},
        LineCase{"ScArLiDropped", "Sc 46EAAFA5\rAR /47BA2624\rLi OLD\r", kDmil, ""},
        LineCase{"OpNibbles", "Op 12 A 0\r", kDmil,
                 "  (autoplace_cost90 18)\n  (autoplace_cost180 10)\n"},
        LineCase{"OpZero", "Op 0 0 0\r", kDmil, ""},
        LineCase{"AtSmd", "At SMD\r", kDmil, "  (attr smd)\n"},
        LineCase{"AtVirtual", "At VIRTUAL\r", kDmil,
                 "  (attr exclude_from_pos_files exclude_from_bom)\n"},
        LineCase{"AtStd", "At STD\r", kDmil, "  (attr through_hole exclude_from_pos_files)\n"},
        LineCase{"LocalSettings",
                 ".SolderMask 50\r.SolderPaste -20\r.SolderPasteRatio -0.25\r"
                 ".LocalClearance 10\r.ZoneConnection 2\r.ThermalWidth 30\r.ThermalGap 40\r",
                 kDmil,
                 "  (solder_mask_margin 0.127) (solder_paste_margin -0.0508) "
                 "(solder_paste_ratio -0.25) (clearance 0.0254) (zone_connect 2) "
                 "(thermal_width 0.0762) (thermal_gap 0.1016)\n"},
        LineCase{"ModuleRatioClamped", ".SolderPasteRatio 1.06876e+298\r", kDmil, ""},
        LineCase{"PoLayerAndEditTime", "Po 100 100 0 0 4E823D06 0 ~~\r", kDmil,
                 "(footprint \"M\" (version 20211014) (generator trevak)\n  (layer \"B.Cu\")\n"
                 "  (tedit 4E823D06)\n"}));

INSTANTIATE_TEST_SUITE_P(
    Texts, KicadModLine,
    ::testing::Values(
        LineCase{"ReferenceEveryField",
                 "T0 100 -200 600 500 900 120 M I 21 I \"U1\" L T\r", kDmil,
                 "  (fp_text reference \"U1\" (at 0.254 -0.508 90) (layer \"F.SilkS\") hide\n"
                 "    (effects (font (size 1.524 1.27) (thickness 0.3048) italic) "
                 "(justify left top mirror))\n  )\n"
                 "  (fp_text value \"\" (at 0 0) (layer \"F.SilkS\")\n"
                 "    (effects (font (size 1.27 1.27) (thickness 0.15)))\n  )\n"},
        LineCase{"UserTextOnCopperZeroThicknessVariables",
                 "T0 0 0 1 1 0 0.1 N V 21 N \"R\"\rT1 0 0 1 1 0 0.1 N V 21 N \"V\"\r"
                 "T2 0 0 1 1 -3600 0 N V 15 N \"%R ~RST\"\r",
                 kMm,
                 "  (fp_text reference \"R\" (at 0 0) (layer \"F.SilkS\")\n"
                 "    (effects (font (size 1 1) (thickness 0.1)))\n  )\n"
                 "  (fp_text value \"V\" (at 0 0) (layer \"F.SilkS\")\n"
                 "    (effects (font (size 1 1) (thickness 0.1)))\n  )\n"
                 "  (fp_text user \"${REFERENCE} ~{RST}\" (at 0 0) (layer \"F.SilkS\")\n"
                 "    (effects (font (size 1 1) (thickness 0)))\n  )\n"},
        LineCase{"ModuleAngleTakenWithinHalfATurn",
                 "Po 0 0 2700 15 0 0 ~~\rT0 0 0 1 1 0 0.1 N V 21 N \"r\"\r", kMm,
                 "  (fp_text reference \"r\" (at 0 0 90) (layer \"F.SilkS\")\n"
                 "    (effects (font (size 1 1) (thickness 0.1)))\n  )\n"
                 "  (fp_text value \"\" (at 0 0) (layer \"F.SilkS\")\n"
                 "    (effects (font (size 1.27 1.27) (thickness 0.15)))\n  )\n"},
        LineCase{"AngleRelativeToTheModuleAndLatin1",
                 "Po 0 0 900 15 0 0 ~~\rT0 0 0 1 1 0 0.1 N V 0 N \"\xB5\"\r"
                 "T1 0 0 1 1 2700 0.1 N V 30 N \"v\"\r",
                 kMm,
                 "  (fp_text reference \"\xC2\xB5\" (at 0 0 -90) (layer \"B.SilkS\")\n"
                 "    (effects (font (size 1 1) (thickness 0.1)))\n  )\n"
                 "  (fp_text value \"v\" (at 0 0 180) (layer \"Edge.Cuts\")\n"
                 "    (effects (font (size 1 1) (thickness 0.1)))\n  )\n"}));

INSTANTIATE_TEST_SUITE_P(
    Drawings, KicadModLine,
    ::testing::Values(
        LineCase{"Segment", "DS -100 0 100 0 50 21\r", kDmil,
                 "  (fp_line (start -0.254 0) (end 0.254 0) (layer \"F.SilkS\") (width 0.127))\n"},
        LineCase{"CircleOnInnerCopper", "DC 0 0 1.5 0 0 3\r", kMm,
                 "  (fp_circle (center 0 0) (end 1.5 0) (layer \"In12.Cu\") (width 0) "
                 "(fill none))\n"},
        LineCase{"ArcPositiveSweep", "DA 0 0 100 0 900 10 21\r", kDmil,
                 "  (fp_arc (start 0.254 0) (mid 0.179605 0.179605) (end 0 0.254) "
                 "(layer \"F.SilkS\") (width 0.0254))\n"},
        LineCase{"ArcNegativeSweepSwapsTheEnds", "DA 0 0 100 0 -900 10 21\r", kDmil,
                 "  (fp_arc (start 0 -0.254) (mid 0.179605 -0.179605) (end 0.254 0) "
                 "(layer \"F.SilkS\") (width 0.0254))\n"},
        LineCase{"ArcLayerOutOfRange", "DA 0 0 1 0 1800 0.1 40\r", kMm,
                 "  (fp_arc (start 1 0) (mid 0 1) (end -1 0) (layer \"F.SilkS\") (width 0.1))\n"},
        LineCase{"PolygonFilled", "DP 0 0 0 0 3 0 21\rDl 0 0\rDl 100 0\rDl 0 100\r", kDmil,
                 "  (fp_poly (pts\n      (xy 0 0) (xy 0.254 0) (xy 0 0.254)\n    ) "
                 "(layer \"F.SilkS\") (width 0) (fill solid))\n"},
        LineCase{"PolygonWithoutPoints", "DP 0 0 0 0 0 0 21\r", kDmil, ""}));

INSTANTIATE_TEST_SUITE_P(
    Pads, KicadModLine,
    ::testing::Values(
        LineCase{"Smd", "$PAD\rSh \"1\" R 0.5 0.6 0 0 0\rDr 0 0 0\rAt SMD N 00888000\r"
                        "Ne 0 \"\"\rPo -1 0.5\r$EndPAD\r",
                 kMm,
                 "  (pad \"1\" smd rect (at -1 0.5) (size 0.5 0.6) "
                 "(layers \"F.Cu\" \"F.Paste\" \"F.Mask\"))\n"},
        LineCase{"ThroughHoleRotatedModule",
                 "Po 0 0 900 15 0 0 ~~\r$PAD\rSh \"A/2\" C 600 600 0 0 0\rDr 320 0 0\r"
                 "At STD N 00E0FFFF\rPo 100 0\r$EndPAD\r",
                 kDmil,
                 "  (pad \"A/2\" thru_hole circle (at 0.254 0 270) (size 1.524 1.524) "
                 "(drill 0.8128) (layers *.Cu *.Mask \"F.SilkS\"))\n"},
        LineCase{"OvalDrillWithOffset",
                 "$PAD\rSh \"2\" O 2 1 0 0 900\rDr 0 0.1 0 O 1.2 0.6\rAt STD N 00A88001\r"
                 "Po 0 0\r$EndPAD\r",
                 kMm,
                 "  (pad \"2\" thru_hole oval (at 0 0 90) (size 2 1) (drill oval 1.2 0.6 "
                 "(offset 0.1 0)) (layers F&B.Cu \"F.Paste\" \"F.SilkS\" \"F.Mask\"))\n"},
        LineCase{"HoleWithZeroDrill", "$PAD\rSh \"\" C 1 1 0 0 0\rDr 0 0 0\rAt HOLE N 00C0FFFF\r"
                                      "Po 0 0\r$EndPAD\r",
                 kMm,
                 "  (pad \"\" np_thru_hole circle (at 0 0) (size 1 1) (drill 0) "
                 "(layers *.Cu *.Mask))\n"},
        LineCase{"TrapezoidConnectorAndSettings",
                 "$PAD\rSh \"3\" T 1 1 0.1 -0.2 0\rAt CONN N 1FFFFFFF\rPo 0 0\rLe 1\r"
                 ".SolderMask 0.1\r.SolderPaste -0.05\r.SolderPasteRatio -0.1\r"
                 ".LocalClearance 0.2\r.ZoneConnection 0\r.ThermalWidth 0.3\r.ThermalGap 0.4\r"
                 "$EndPAD\r",
                 kMm,
                 "  (pad \"3\" connect trapezoid (at 0 0) (size 1 1) (rect_delta 0.1 -0.2) "
                 "(layers *.Cu *.Adhes *.Paste *.SilkS *.Mask \"Dwgs.User\" \"Cmts.User\" "
                 "\"Eco1.User\" \"Eco2.User\" \"Edge.Cuts\") (die_length 1) "
                 "(solder_mask_margin 0.1) (solder_paste_margin -0.05) "
                 "(solder_paste_margin_ratio -0.1) (clearance 0.2) (zone_connect 0) "
                 "(thermal_width 0.3) (thermal_gap 0.4))\n"},
        LineCase{"DieLengthBeyondKiCadsRangeReadsAsZero",
                 "$PAD\rSh \"5\" R 1 1 0 0 0\rAt SMD N 00008000\rLe -2147.483648\r$EndPAD\r",
                 kMm, "  (pad \"5\" smd rect (at 0 0) (size 1 1) (layers \"F.Cu\"))\n"},
        LineCase{"MaskBitsInnerAndAbove28", "$PAD\rSh \"4\" R 1 1 0 0 0\rAt SMD N 20008006\r"
                                            "$EndPAD\r",
                 kMm,
                 "  (pad \"4\" smd rect (at 0 0) (size 1 1) (layers \"F.Cu\" \"In13.Cu\" "
                 "\"In14.Cu\" \"Cmts.User\"))\n"}));

INSTANTIATE_TEST_SUITE_P(
    Models, KicadModLine,
    ::testing::Values(LineCase{"OffsetsFromInches",
                               "$SHAPE3D\rNa \"conn_DBxx/db25_male.wrl\"\rSc 0.3937 1 1\r"
                               "Of 0.1 -0.05 0\rRo 0 0 -90\r$EndSHAPE3D\r",
                               kMm,
                               "  (model \"conn_DBxx/db25_male.wrl\"\n"
                               "    (offset (xyz 2.54 -1.27 0))\n"
                               "    (scale (xyz 0.3937 1 1))\n"
                               "    (rotate (xyz 0 0 -90))\n  )\n"}));

// --- names and notes ----------------------------------------------------------------------------

TEST(KicadModName, EscapesAsKiCadAndReadsLatin1) {
  EXPECT_EQ(kicadFootprintName("a\\b/c:d\"e<f>g|h*i?j k"),
            "a%5cb%2fc%3ad%22e%3cf%3eg%7ch*i?j k");
  EXPECT_EQ(kicadFootprintName("\xE9t\xE9"), "\xC3\xA9t\xC3\xA9");
  EXPECT_EQ(kicadFootprintName("\xC3\xA9t\xC3\xA9"), "\xC3\xA9t\xC3\xA9");
}

TEST(KicadModNotes, EachUnknownLineKindOnceAndBadPadsSkipped) {
  std::vector<KicadModNote> notes;
  const std::string text = writeKicadMod(
      "M",
      parseModuleItems("Zz 1\rZz 2\rQq\r$PAD\rSh \"9\" X 1 1 0 0 0\r$EndPAD\r"
                       "$PAD\rSh \"8\" R 1 0 0 0 0\r$EndPAD\r",
                       kMm),
      notes);
  ASSERT_EQ(notes.size(), 4u);
  EXPECT_EQ(notes[0].kind, KicadModNote::Kind::PadSkipped);
  EXPECT_EQ(notes[1].kind, KicadModNote::Kind::PadSkipped);
  EXPECT_EQ(notes[2].kind, KicadModNote::Kind::LineNotUnderstood);
  EXPECT_EQ(notes[2].detail, "Zz 1");
  EXPECT_EQ(notes[2].line, 1);
  EXPECT_EQ(notes[3].detail, "Qq");
  EXPECT_EQ(text.find("(pad"), std::string::npos);
}

// A pad that cannot be written as it is, is left out and said: never a pad of the default
// size at the origin for an Sh line that could not be read, nor a pad past KiCad's range.
TEST(KicadModNotes, PadsThatCannotBeWrittenAsTheyAreAreLeftOut) {
  const LengthUnit decimil = LengthUnit::Decimil;
  for (const char* sh : {"Sh \"\" R 1e308 nan 0 0 0", "Sh \"1\" R 845466 600 0 0 0",
                         "Sh \"1\" R 600 -845466 0 0 0", "Sh \"1\" T 600 600 0 845466 0"}) {
    SCOPED_TRACE(sh);
    std::vector<KicadModNote> notes;
    const std::string text = writeKicadMod(
        "M", parseModuleItems(std::string("$PAD\r") + sh + "\rPo 100 100\r$EndPAD\r"
                              "$PAD\rSh \"2\" R 600 600 0 0 0\rPo 0 0\r$EndPAD\r",
                              decimil),
        notes);
    int skipped = 0;
    for (const KicadModNote& n : notes) skipped += n.kind == KicadModNote::Kind::PadSkipped;
    EXPECT_EQ(skipped, 1);
    EXPECT_EQ(text.find("(pad \"1\""), std::string::npos) << text;
    EXPECT_EQ(text.find("(pad \"\""), std::string::npos) << text;
    EXPECT_NE(text.find("(pad \"2\""), std::string::npos) << text;
  }
  // 845,465 decimil is still KiCad's.
  std::vector<KicadModNote> notes;
  const std::string text = writeKicadMod(
      "M", parseModuleItems("$PAD\rSh \"1\" R 845465 600 0 0 0\r$EndPAD\r", decimil), notes);
  EXPECT_TRUE(notes.empty());
  EXPECT_NE(text.find("(pad \"1\""), std::string::npos);
}

}  // namespace
}  // namespace trevak
