// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/module_items.h"

#include <gtest/gtest.h>

#include <clocale>
#include <locale>
#include <optional>
#include <string>

namespace trevak {
namespace {

constexpr LengthUnit kMm = LengthUnit::Millimetre;
constexpr LengthUnit kDmil = LengthUnit::Decimil;

// --- lengths ------------------------------------------------------------------------------------

struct LengthCase {
  const char* text;
  LengthUnit unit;
  std::optional<Nanometres> expected;
};

void PrintTo(const LengthCase& c, std::ostream* os) { *os << '"' << c.text << '"'; }

class LengthField : public ::testing::TestWithParam<LengthCase> {};

TEST_P(LengthField, IsExactInNanometres) {
  EXPECT_EQ(parseLengthField(GetParam().text, GetParam().unit), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Values, LengthField,
    ::testing::Values(LengthCase{"1750", kDmil, 4445000}, LengthCase{"-1", kDmil, -2540},
                      LengthCase{"12.5", kDmil, 31750}, LengthCase{"0.0002", kDmil, 1},
                      LengthCase{"-0.0002", kDmil, -1}, LengthCase{"1e3", kDmil, 2540000},
                      LengthCase{"1.796051", kMm, 1796051}, LengthCase{"0.0000005", kMm, 1},
                      LengthCase{"0.0000004999", kMm, 0}, LengthCase{"-2.54", kMm, -2540000},
                      LengthCase{"+.5", kMm, 500000}, LengthCase{"5.", kMm, 5000000},
                      LengthCase{"0.100000000000000000000000000000000001", kMm, 100000},
                      LengthCase{"1,5", kMm, std::nullopt}, LengthCase{"", kMm, std::nullopt},
                      LengthCase{"12ab", kDmil, std::nullopt},
                      LengthCase{"1e30", kMm, std::nullopt},
                      LengthCase{"inf", kMm, std::nullopt}, LengthCase{"-", kMm, std::nullopt},
                      // Either side of the 15 digits read in 64 bits, and of the kilometre limit.
                      LengthCase{"0.12345678901234", kMm, 123457},
                      LengthCase{"12345.12345678901234", kMm, 12345123457},
                      LengthCase{"-0.0000015", kMm, -2}, LengthCase{"0.00014999", kDmil, 0},
                      LengthCase{"393700787400", kDmil, 999999999996000},
                      LengthCase{"393700787402", kDmil, std::nullopt},
                      LengthCase{"000000000000000001", kDmil, 2540},
                      LengthCase{"999999999999999", kDmil, std::nullopt},
                      LengthCase{"1000000000", kMm, 1000000000000000},
                      LengthCase{"1000000001", kMm, std::nullopt},
                      LengthCase{"99999999999999999999", kMm, std::nullopt}));

// --- module fields ------------------------------------------------------------------------------

TEST(ModuleItemsFields, ReadsEveryModuleLine) {
  const ModuleItems m = parseModuleItems(
      "Po 100 -200 900 15 4E823D06 46EAAFA5 F~\r"
      "Li OLD\r"
      "Cd  Double rangee\t \r"
      "kw DIP DIL\r"
      "Sc 46EAAFA5\r"
      "AR /47BA2624/45525076\r"
      "Op 12 A 0\r"
      "At VIRTUAL\r"
      ".SolderMask 50\r"
      ".SolderPaste -20\r"
      ".SolderPasteRatio -0.25\r"
      ".LocalClearance 10\r"
      ".ZoneConnection 2\r"
      ".ThermalWidth 30\r"
      ".ThermalGap 40\r",
      kDmil);
  ASSERT_TRUE(m.placement);
  EXPECT_EQ(m.placement->position, (NmPoint{254000, -508000}));
  EXPECT_EQ(m.placement->angle, 900);
  EXPECT_EQ(m.placement->layer, 15);
  EXPECT_EQ(m.placement->editTime, 0x4E823D06u);
  EXPECT_EQ(m.placement->timeStamp, "46EAAFA5");
  EXPECT_TRUE(m.placement->locked);
  EXPECT_FALSE(m.placement->placed);
  EXPECT_EQ(m.libraryName, "OLD");
  EXPECT_EQ(m.description, "Double rangee");
  EXPECT_EQ(m.keywords, "DIP DIL");
  EXPECT_EQ(m.timeStamp, "46EAAFA5");
  EXPECT_EQ(m.path, "/47BA2624/45525076");
  ASSERT_TRUE(m.placementCosts);
  EXPECT_EQ(m.placementCosts->rotation90, 0x12);
  EXPECT_EQ(m.placementCosts->rotation180, 0xA);
  EXPECT_EQ(m.attribute, ModuleAttribute::Virtual);
  EXPECT_EQ(m.local.solderMaskMargin, 127000);
  EXPECT_EQ(m.local.solderPasteMargin, -50800);
  EXPECT_EQ(m.local.solderPasteRatio, -0.25);
  EXPECT_EQ(m.local.clearance, 25400);
  EXPECT_EQ(m.local.zoneConnection, 2);
  EXPECT_EQ(m.local.thermalWidth, 76200);
  EXPECT_EQ(m.local.thermalGap, 101600);
  EXPECT_TRUE(m.unparsed.empty());
}

TEST(ModuleItemsFields, FieldsOnlySkipsItemsAndTheirLookalikes) {
  // The pad's Po and the model's Sc must not be taken for the module's own lines.
  const ModuleItems m = parseModuleItems(
      "$PAD\rSh \"1\" C 10 10 0 0 0\rPo 5 5\r$EndPAD\r$SHAPE3D\rSc 1 1 1\r$EndSHAPE3D\r"
      "T0 0 0 10 10 0 1 N V 21 N \"R\"\rZz junk\rCd text\r",
      kDmil, ModuleParseScope::FieldsOnly);
  EXPECT_FALSE(m.placement);
  EXPECT_FALSE(m.timeStamp);
  EXPECT_EQ(m.description, "text");
  EXPECT_TRUE(m.pads.empty() && m.texts.empty() && m.models.empty() && m.unparsed.empty());
}

// --- texts --------------------------------------------------------------------------------------

TEST(ModuleItemsTexts, ReadsEveryField) {
  const ModuleItems m = parseModuleItems(
      "T1 6940 -16220 350 300 900 60 M I 20 I \"A \\\"q\\\" \\\\ \\n\" L B\r", kDmil);
  ASSERT_EQ(m.texts.size(), 1u);
  const TextItem& t = m.texts[0];
  EXPECT_EQ(t.number, 1);
  EXPECT_EQ(t.position, (NmPoint{6940 * 2540, -16220 * 2540}));
  EXPECT_EQ(t.height, 350 * 2540);
  EXPECT_EQ(t.width, 300 * 2540);
  EXPECT_EQ(t.angle, 900);
  EXPECT_EQ(t.thickness, 60 * 2540);
  EXPECT_TRUE(t.mirrored);
  EXPECT_FALSE(t.visible);
  EXPECT_EQ(t.layer, 20);
  EXPECT_TRUE(t.italic);
  EXPECT_EQ(t.text, "A \"q\" \\ \\n");
  EXPECT_EQ(t.horizontal, HorizontalJustify::Left);
  EXPECT_EQ(t.vertical, VerticalJustify::Bottom);
  EXPECT_EQ(t.line, 1);
}

TEST(ModuleItemsTexts, ShortLinesKeepDefaultsAndBytesStayAsTheyAre) {
  // Web-exported libraries leave out the italic field; old ones hold Latin-1 bytes.
  const ModuleItems m = parseModuleItems("T2 0 0 1.5 1.2 -900 0 N V 21 \"\xB5" "F\"\r", kMm);
  ASSERT_EQ(m.texts.size(), 1u);
  EXPECT_EQ(m.texts[0].number, 2);
  EXPECT_FALSE(m.texts[0].italic);
  EXPECT_EQ(m.texts[0].height, 1500000);
  EXPECT_EQ(m.texts[0].angle, -900);
  EXPECT_EQ(m.texts[0].text, "\xB5" "F");
}

TEST(ModuleItemsTexts, MissingFlagsAreTakenFromTheTextAsKiCadTakesThem) {
  // Old official libraries leave out layer and italic: KiCad reads the quoted text as the layer.
  const ModuleItems m = parseModuleItems(
      "T0 250 -1875 500 500 0 35 N V \">NAME\"\rT1 0 0 1 1 0 1 N V 21 N \"open\r"
      "T2 0 0 1 1 0 1 N V 21 N \"crlf\r\nnext\"\nT3 0 0 1 1 0 1 N V 21 N \"lf\n",
      kDmil);
  ASSERT_EQ(m.texts.size(), 4u);
  EXPECT_EQ(m.texts[0].layer, 0);
  EXPECT_EQ(m.texts[0].text, ">NAME");
  // An unclosed quote takes its own line end in, carriage return included, as KiCad reads it.
  EXPECT_EQ(m.texts[1].text, "open\r");
  EXPECT_EQ(m.texts[2].text, "crlf\r\n");
  EXPECT_EQ(m.texts[3].text, "lf\n");
}

// --- shapes -------------------------------------------------------------------------------------

TEST(ModuleItemsShapes, ReadsSegmentCircleArcAndPolygon) {
  const ModuleItems m = parseModuleItems(
      "DS -10 -20 30 40 5 21\r"
      "DC 1 2 3 4 5 20\r"
      "DA 1 2 3 4 -453 5 28\r"
      "DP 0 0 0 0 2 0 21\rDl 1 1\rDl 2 -2\r",
      kDmil);
  ASSERT_EQ(m.shapes.size(), 4u);
  EXPECT_EQ(m.shapes[0].kind, ShapeKind::Segment);
  EXPECT_EQ(m.shapes[0].start, (NmPoint{-25400, -50800}));
  EXPECT_EQ(m.shapes[0].end, (NmPoint{76200, 101600}));
  EXPECT_EQ(m.shapes[0].width, 12700);
  EXPECT_EQ(m.shapes[0].layer, 21);
  EXPECT_EQ(m.shapes[1].kind, ShapeKind::Circle);
  EXPECT_EQ(m.shapes[1].center, (NmPoint{2540, 5080}));
  EXPECT_EQ(m.shapes[1].end, (NmPoint{7620, 10160}));
  EXPECT_EQ(m.shapes[2].kind, ShapeKind::Arc);
  EXPECT_EQ(m.shapes[2].center, (NmPoint{2540, 5080}));
  EXPECT_EQ(m.shapes[2].start, (NmPoint{7620, 10160}));
  EXPECT_EQ(m.shapes[2].angle, -453);
  EXPECT_EQ(m.shapes[2].layer, 28);
  EXPECT_EQ(m.shapes[3].kind, ShapeKind::Polygon);
  EXPECT_EQ(m.shapes[3].points, (std::vector<NmPoint>{{2540, 2540}, {5080, -5080}}));
  EXPECT_EQ(m.shapes[3].line, 4);
  EXPECT_TRUE(m.unparsed.empty());
}

TEST(ModuleItemsShapes, PolygonShortOfPointsIsReportedAndTheNextLineStillRead) {
  const ModuleItems m = parseModuleItems("DP 0 0 0 0 3 0 21\rDl 1 1\rDS 0 0 1 1 1 21\r", kDmil);
  ASSERT_EQ(m.shapes.size(), 2u);
  EXPECT_EQ(m.shapes[0].points.size(), 1u);
  EXPECT_EQ(m.shapes[1].kind, ShapeKind::Segment);
  ASSERT_EQ(m.unparsed.size(), 1u);
  EXPECT_EQ(m.unparsed[0].reason, UnparsedReason::MissingPoint);
  EXPECT_EQ(m.unparsed[0].line, 1);
}

// --- pads and 3D models -------------------------------------------------------------------------

TEST(ModuleItemsPads, ReadsEveryPadLine) {
  const ModuleItems m = parseModuleItems(
      "$PAD\r"
      "Sh \"A2\" T 520 400 10 -20 900\r"
      "Dr 350 5 -5 O 400 300\r"
      "At HOLE N 00E0FFFF\r"
      "Ne 461 \"V5.0\"\r"
      "Po 500 -500\r"
      "Le 100\r"
      ".SolderMask 1\r.SolderPaste 2\r.SolderPasteRatio 1.06876e+298\r.LocalClearance 3\r"
      ".ZoneConnection 1\r.ThermalWidth 4\r.ThermalGap 5\r"
      "$EndPAD\r",
      kDmil);
  ASSERT_EQ(m.pads.size(), 1u);
  const PadItem& p = m.pads[0];
  EXPECT_EQ(p.name, "A2");
  EXPECT_EQ(p.shape, 'T');
  EXPECT_EQ(p.size, (NmPoint{520 * 2540, 400 * 2540}));
  EXPECT_EQ(p.delta, (NmPoint{25400, -50800}));
  EXPECT_EQ(p.angle, 900);
  EXPECT_TRUE(p.hasDrillLine && p.ovalDrill);
  EXPECT_EQ(p.drill, (NmPoint{400 * 2540, 300 * 2540}));
  EXPECT_EQ(p.drillOffset, (NmPoint{12700, -12700}));
  EXPECT_EQ(p.type, PadType::Hole);
  EXPECT_EQ(p.layerMask, 0x00E0FFFFu);
  EXPECT_EQ(p.netCode, 461);
  EXPECT_EQ(p.netName, "V5.0");
  EXPECT_EQ(p.position, (NmPoint{1270000, -1270000}));
  EXPECT_EQ(p.dieLength, 254000);
  EXPECT_EQ(p.local.solderMaskMargin, 2540);
  EXPECT_EQ(p.local.solderPasteMargin, 5080);
  EXPECT_EQ(p.local.solderPasteRatio, 1.06876e+298);
  EXPECT_EQ(p.local.clearance, 7620);
  EXPECT_EQ(p.local.zoneConnection, 1);
  EXPECT_EQ(p.local.thermalWidth, 10160);
  EXPECT_EQ(p.local.thermalGap, 12700);
  EXPECT_TRUE(p.complete);
  EXPECT_TRUE(m.unparsed.empty());
}

TEST(ModuleItemsPads, RoundDrillGivesItsDiameterTwiceAndUnknownWordsReadAsStandard) {
  const ModuleItems m =
      parseModuleItems("$PAD\rDr 0.8 0 0\rAt MECA N 00C0FFFF\rRo 1 2 3\r", kMm);
  ASSERT_EQ(m.pads.size(), 1u);
  EXPECT_EQ(m.pads[0].drill, (NmPoint{800000, 800000}));
  EXPECT_FALSE(m.pads[0].ovalDrill);
  EXPECT_EQ(m.pads[0].type, PadType::Standard);
  EXPECT_EQ(m.pads[0].shape, 0);
  EXPECT_FALSE(m.pads[0].complete);
  ASSERT_EQ(m.unparsed.size(), 1u);
  EXPECT_EQ(m.unparsed[0].text, "Ro 1 2 3");
}

TEST(ModuleItemsModels, OffsetsAreInchesInEveryLibrary) {
  const ModuleItems m = parseModuleItems(
      "$SHAPE3D\rNa \"conn_DBxx/db25_male.wrl\"\rSc 0.3937 1 1\rOf 0.1 -0.05 0\r"
      "Ro 0 0 -90\r$EndSHAPE3D\r",
      kMm);
  ASSERT_EQ(m.models.size(), 1u);
  const Model3dItem& model = m.models[0];
  EXPECT_EQ(model.fileName, "conn_DBxx/db25_male.wrl");
  EXPECT_EQ(model.scale, (std::array<double, 3>{0.3937, 1, 1}));
  EXPECT_EQ(model.offset, (std::array<Nanometres, 3>{2540000, -1270000, 0}));
  EXPECT_EQ(model.rotation, (std::array<double, 3>{0, 0, -90}));
  EXPECT_TRUE(model.complete);
}

// --- what is not understood ---------------------------------------------------------------------

struct UnparsedCase {
  const char* body;
  UnparsedReason reason;
};

class ModuleItemsUnparsed : public ::testing::TestWithParam<UnparsedCase> {};

TEST_P(ModuleItemsUnparsed, IsListedWithItsText) {
  const ModuleItems m = parseModuleItems(GetParam().body, kDmil);
  ASSERT_EQ(m.unparsed.size(), 1u);
  std::string firstLine = GetParam().body;
  firstLine.resize(firstLine.find('\r'));
  EXPECT_EQ(m.unparsed[0].text, firstLine);
  EXPECT_EQ(m.unparsed[0].reason, GetParam().reason);
  EXPECT_TRUE(m.shapes.empty() && m.texts.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ModuleItemsUnparsed,
    ::testing::Values(UnparsedCase{"Zz 1 2\r\r  \r", UnparsedReason::UnknownKeyword},
                      UnparsedCase{"Dl 1 2\r", UnparsedReason::UnknownKeyword},
                      UnparsedCase{"  DS 0 0 1 1 1 21\r", UnparsedReason::UnknownKeyword},
                      UnparsedCase{"DS 0 0 1 1\r", UnparsedReason::BadField},
                      UnparsedCase{"DA 0 0 1 1 x 1 21\r", UnparsedReason::BadField},
                      UnparsedCase{"T0 0 0 1,5 1 0 1 N V 21 N \"R\"\r", UnparsedReason::BadField},
                      UnparsedCase{"Tx 0 0 1 1 0 1 N V 21 N \"R\"\r", UnparsedReason::BadField}));

// --- the locale ---------------------------------------------------------------------------------

TEST(ModuleItemsLocale, DecimalCommaLocaleChangesNothing) {
  struct CommaPoint : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
  };
  const std::locale oldGlobal =
      std::locale::global(std::locale(std::locale::classic(), new CommaPoint));
  const std::string oldC = std::setlocale(LC_ALL, nullptr);
  for (const char* name : {"pt_BR.UTF-8", "pt_BR.utf8", "de_DE.UTF-8", "de_DE.utf8", "pt_BR"}) {
    if (std::setlocale(LC_ALL, name) != nullptr) break;
  }
  const ModuleItems m =
      parseModuleItems("DA 0 0 1.5 0 -45.5 0.15 21\r.SolderPasteRatio -0.125\r", kMm);
  std::setlocale(LC_ALL, oldC.c_str());
  std::locale::global(oldGlobal);
  ASSERT_EQ(m.shapes.size(), 1u);
  EXPECT_EQ(m.shapes[0].angle, -45.5);
  EXPECT_EQ(m.shapes[0].start.x, 1500000);
  EXPECT_EQ(m.local.solderPasteRatio, -0.125);
}

}  // namespace
}  // namespace trevak
