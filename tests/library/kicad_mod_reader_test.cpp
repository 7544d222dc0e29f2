// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/kicad_mod_reader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <utility>

namespace trevak {
namespace {

ModuleItems read(const std::string& text, KicadModInfo* infoOut = nullptr) {
  ModuleItems items;
  const KicadModInfo info = parseKicadMod(text, items);
  if (infoOut) *infoOut = info;
  EXPECT_TRUE(info.ok) << info.error << " at " << info.line << ":" << info.column;
  return items;
}

TEST(KicadModReaderArcs, KicadFiveCentreAndAngle) {
  const ModuleItems items = read(
      "(module A (layer F.Cu)\n"
      "  (fp_arc (start 1 2) (end 3 2) (angle 90) (layer F.SilkS) (width 0.12)))");
  ASSERT_EQ(items.shapes.size(), 1u);
  const ShapeItem& s = items.shapes[0];
  EXPECT_EQ(s.kind, ShapeKind::Arc);
  EXPECT_FALSE(s.threePointArc);
  EXPECT_EQ(s.center, (NmPoint{1'000'000, 2'000'000}));
  EXPECT_EQ(s.start, (NmPoint{3'000'000, 2'000'000}));
  EXPECT_DOUBLE_EQ(s.angle, 900);
  EXPECT_EQ(s.width, 120'000);
  EXPECT_EQ(s.layerName, "F.SilkS");
  EXPECT_EQ(s.layer, 21);
}

TEST(KicadModReaderArcs, StartMidEndGiveCentreAndClockwiseSweep) {
  // Start right of the centre, through the point below it (y down: clockwise on screen), to
  // the left: a positive half turn; the reverse order is a negative one.
  const ModuleItems items = read(
      "(footprint \"A\" (version 20211014)\n"
      "  (fp_arc (start 1 0) (mid 0 1) (end -1 0) (layer \"F.Fab\") (width 0.1))\n"
      "  (fp_arc (start -1 0) (mid 0 1) (end 1 0) (stroke (width 0.2) (type solid))"
      " (layer \"F.Fab\")))");
  ASSERT_EQ(items.shapes.size(), 2u);
  EXPECT_TRUE(items.shapes[0].threePointArc);
  EXPECT_EQ(items.shapes[0].center, (NmPoint{0, 0}));
  EXPECT_NEAR(items.shapes[0].angle, 1800, 1e-6);
  EXPECT_EQ(items.shapes[0].arcMid, (NmPoint{0, 1'000'000}));
  EXPECT_EQ(items.shapes[0].arcEnd, (NmPoint{-1'000'000, 0}));
  EXPECT_NEAR(items.shapes[1].angle, -1800, 1e-6);
  EXPECT_EQ(items.shapes[1].width, 200'000);
  EXPECT_EQ(items.shapes[1].layer, 24);  // no legacy number for F.Fab
}

TEST(KicadModReaderPads, EveryShapeDrillAndLayerList) {
  const ModuleItems items = read(
      "(footprint \"P\" (version 20240108) (attr smd exclude_from_bom)\n"
      " (pad \"1\" thru_hole roundrect (at 1 2 90) (size 1.5 1) (drill oval 0.8 0.6"
      " (offset 0.1 -0.1)) (layers \"*.Cu\" \"*.Mask\") (roundrect_rratio 0.25)"
      " (chamfer_ratio 0.2) (chamfer top_left bottom_right) (property pad_prop_heatsink)"
      " (solder_mask_margin 0.05) (uuid \"x\"))\n"
      " (pad \"2\" smd custom (at 0 0) (size 0.5 0.5) (layers \"F.Cu\")"
      " (options (clearance outline) (anchor circle))"
      " (primitives (gr_poly (pts (xy 0 0) (xy 1 0) (xy 1 1))) (gr_circle (center 0 0) (end 1 0))))\n"
      " (pad \"\" np_thru_hole circle (at 0 0) (size 1 1) (drill 1) (layers \"F&B.Cu\"))\n"
      " (pad 4 smd trapezoid (at 0 0) (size 1 1) (rect_delta 0.1 0) (layers F.Cu F.Paste)))");
  ASSERT_EQ(items.pads.size(), 4u);
  const PadItem& rr = items.pads[0];
  EXPECT_EQ(rr.kicadShape, "roundrect");
  EXPECT_EQ(rr.type, PadType::Standard);
  EXPECT_EQ(rr.position, (NmPoint{1'000'000, 2'000'000}));
  EXPECT_DOUBLE_EQ(rr.angle, 900);
  EXPECT_TRUE(rr.ovalDrill);
  EXPECT_EQ(rr.drill, (NmPoint{800'000, 600'000}));
  EXPECT_EQ(rr.drillOffset, (NmPoint{100'000, -100'000}));
  EXPECT_EQ(rr.layerNames, (std::vector<std::string>{"*.Cu", "*.Mask"}));
  EXPECT_EQ(rr.layerMask, 0x00C0FFFFu);
  EXPECT_EQ(rr.roundrectRatio, 0.25);
  EXPECT_EQ(rr.chamferRatio, 0.2);
  EXPECT_EQ(rr.chamferCorners, (std::vector<std::string>{"top_left", "bottom_right"}));
  EXPECT_EQ(rr.property, "pad_prop_heatsink");
  EXPECT_EQ(rr.local.solderMaskMargin, 50'000);
  EXPECT_EQ(items.pads[1].kicadShape, "custom");
  EXPECT_EQ(items.pads[1].primitives, 2);
  EXPECT_EQ(items.pads[1].anchor, "circle");
  // The primitives themselves, in the pad's coordinates: a polygon without a fill is copper
  // (filled), a circle of no width a disc.
  ASSERT_EQ(items.pads[1].primitiveShapes.size(), 2u);
  EXPECT_EQ(items.pads[1].primitiveShapes[0].kind, ShapeKind::Polygon);
  EXPECT_EQ(items.pads[1].primitiveShapes[0].points.size(), 3u);
  EXPECT_TRUE(items.pads[1].primitiveShapes[0].filled);
  EXPECT_EQ(items.pads[1].primitiveShapes[1].kind, ShapeKind::Circle);
  EXPECT_EQ(items.pads[1].primitiveShapes[1].end, (NmPoint{1'000'000, 0}));
  EXPECT_TRUE(items.pads[1].primitiveShapes[1].filled);
  EXPECT_TRUE(items.shapes.empty());  // none of them among the footprint's drawings
  EXPECT_EQ(items.pads[2].type, PadType::Hole);
  EXPECT_EQ(items.pads[2].drill, (NmPoint{1'000'000, 1'000'000}));
  EXPECT_EQ(items.pads[2].layerMask, 0x8001u);
  EXPECT_EQ(items.pads[3].name, "4");
  EXPECT_EQ(items.pads[3].delta, (NmPoint{100'000, 0}));
  EXPECT_EQ(items.pads[3].layerMask, (1u << 15) | (1u << 19));
  EXPECT_EQ(items.attributes, (std::vector<std::string>{"smd", "exclude_from_bom"}));
  EXPECT_EQ(items.attribute, ModuleAttribute::Smd);
}

TEST(KicadModReaderTexts, FpTextPropertyAndTextBoxWithEffects) {
  const ModuleItems items = read(
      "(footprint \"T\" (version 20240108)\n"
      " (property \"Reference\" \"REF**\" (at 0 -1 90) (layer \"F.SilkS\") (uuid \"u\")\n"
      "  (effects (font (size 1.2 1) (thickness 0.15) (bold yes)) (justify left mirror)))\n"
      " (property \"Datasheet\" \"\" (at 0 0) (layer \"F.Fab\") (hide yes)"
      " (effects (font (size 1 1))))\n"
      " (property \"Footprint\" \"x\")\n"
      " (fp_text user \"${REFERENCE}\" (at 1 1) (layer \"F.Fab\") hide"
      " (effects (font (size 1 1) (thickness 0.1) italic)))\n"
      " (fp_text_box \"box\" (start 0 0) (end 2 1) (layer \"F.SilkS\")"
      " (effects (font (size 1 1)))))");
  ASSERT_EQ(items.texts.size(), 4u);
  const TextItem& ref = items.texts[0];
  EXPECT_EQ(ref.number, 0);
  EXPECT_EQ(ref.propertyName, "Reference");
  EXPECT_EQ(ref.position, (NmPoint{0, -1'000'000}));
  EXPECT_DOUBLE_EQ(ref.angle, 900);
  EXPECT_EQ(ref.height, 1'200'000);
  EXPECT_EQ(ref.width, 1'000'000);
  EXPECT_EQ(ref.thickness, 150'000);
  EXPECT_TRUE(ref.bold);
  EXPECT_TRUE(ref.mirrored);
  EXPECT_EQ(ref.horizontal, HorizontalJustify::Left);
  EXPECT_TRUE(ref.visible);
  EXPECT_EQ(items.texts[1].number, 2);
  EXPECT_FALSE(items.texts[1].visible);
  EXPECT_EQ(items.texts[2].text, "${REFERENCE}");
  EXPECT_FALSE(items.texts[2].visible);
  EXPECT_TRUE(items.texts[2].italic);
  EXPECT_TRUE(items.texts[3].textBox);
  EXPECT_EQ(items.texts[3].boxCorners.size(), 2u);
  EXPECT_EQ(items.texts[3].boxBorder, 0);  // no stroke: no border
}

TEST(KicadModReaderTexts, TextBoxBorderFromItsStrokeUnlessSaidNo) {
  for (const auto& [border, width] :
       {std::pair{"", 100'000}, std::pair{" (border yes)", 100'000}, std::pair{" (border no)", 0}}) {
    const ModuleItems items = read(std::string("(footprint \"T\" (version 20240108)\n"
                                               " (fp_text_box \"b\" (start 0 0) (end 2 1) (layer \"F.SilkS\")") +
                                   border + " (stroke (width 0.1) (type solid)) (effects (font (size 1 1)))))");
    ASSERT_EQ(items.texts.size(), 1u) << border;
    EXPECT_EQ(items.texts[0].boxBorder, width) << border;
  }
}

// KiCad 10's M.2 footprints hold two Reference properties; KiCad keeps the last.
TEST(KicadModReaderTexts, ASecondReferenceOrValueReplacesTheFirst) {
  const ModuleItems items = read(
      "(footprint \"T\" (property \"Reference\" \"A\" (at 0 0) (layer F.SilkS))\n"
      " (fp_text user \"u\" (at 0 0) (layer F.Fab))\n"
      " (property \"Reference\" \"B\" (at 1 1) (layer F.SilkS))\n"
      " (fp_text value \"V1\" (at 0 0) (layer F.Fab)) (fp_text value \"V2\" (at 0 0) (layer F.Fab)))");
  ASSERT_EQ(items.texts.size(), 3u);
  EXPECT_EQ(items.texts[0].text, "B");
  EXPECT_EQ(items.texts[0].position, (NmPoint{1'000'000, 1'000'000}));
  EXPECT_EQ(items.texts[1].text, "u");
  EXPECT_EQ(items.texts[2].text, "V2");
}

TEST(KicadModReaderShapes, RectPolyCurveCircleAndFill) {
  const ModuleItems items = read(
      "(module S (layer F.Cu)\n"
      " (fp_poly (pts (xy 0 0) (xy 1 0) (xy 1 1)) (layer F.SilkS) (width 0.1))\n"
      " (fp_circle (center 0 0) (end 1 0) (layer F.CrtYd) (width 0.05))\n"
      " (fp_curve (pts (xy 0 0) (xy 1 0) (xy 1 1) (xy 0 1)) (layer F.SilkS) (width 0.1))\n"
      " (fp_rect (start 0 0) (end 1 1) (layer F.SilkS) (width 0.1) (fill solid))\n"
      " (fp_poly (pts (xy 0 0) (xy 1 0)) (layer F.SilkS) (width 0.1) (fill none)))");
  ASSERT_EQ(items.shapes.size(), 5u);
  EXPECT_TRUE(items.shapes[0].filled);  // KiCad 5 polygons are filled
  EXPECT_EQ(items.shapes[0].points.size(), 3u);
  EXPECT_FALSE(items.shapes[1].filled);
  EXPECT_EQ(items.shapes[1].layerName, "F.CrtYd");
  EXPECT_EQ(items.shapes[2].kind, ShapeKind::Curve);
  EXPECT_EQ(items.shapes[3].kind, ShapeKind::Rect);
  EXPECT_TRUE(items.shapes[3].filled);
  EXPECT_FALSE(items.shapes[4].filled);
}

// Lists left without their values read as if absent (the sanitizers saw a read before the
// tree's first node here).
TEST(KicadModReaderShapes, ListsWithoutTheirValues) {
  const ModuleItems items = read(
      "(module S (layer F.Cu)\n"
      " (fp_poly (pts (xy 0 0) (xy 1 0) (xy 1 1)) (layer F.SilkS) (width 0.1) (fill))\n"
      " (pad 1 thru_hole circle (at 0 0) (size 1 1) (drill) (layers *.Cu)))");
  ASSERT_EQ(items.shapes.size(), 1u);
  EXPECT_TRUE(items.shapes[0].filled);
  ASSERT_EQ(items.pads.size(), 1u);
  EXPECT_FALSE(items.pads[0].ovalDrill);
}

TEST(KicadModReaderKept, ZonesGroupsKeptAndUnknownTokensListedOnce) {
  const std::string text =
      "(footprint \"K\" (version 20221018) (tedit 1) (uuid \"x\")\n"
      " (zone (net 0) (layer \"F.Cu\") (polygon (pts (xy 0 0))))\n"
      " (group \"\" (id \"a\") (members \"b\"))\n"
      " (future_thing 1 (x)) (future_thing 2) (other)\n"
      " (model \"${KICAD6_3DMODEL_DIR}/R.wrl\" (offset (xyz 1 2 3)) (scale (xyz 1 1 1))"
      " (rotate (xyz 0 0 90))))";
  const ModuleItems items = read(text);
  ASSERT_EQ(items.keptItems.size(), 2u);
  EXPECT_EQ(items.keptItems[0], "(zone (net 0) (layer \"F.Cu\") (polygon (pts (xy 0 0))))");
  EXPECT_EQ(items.keptItems[1], "(group \"\" (id \"a\") (members \"b\"))");
  EXPECT_EQ(items.unknownTokens, (std::vector<std::string>{"future_thing", "other"}));
  ASSERT_EQ(items.models.size(), 1u);
  EXPECT_EQ(items.models[0].offset, (std::array<Nanometres, 3>{1'000'000, 2'000'000, 3'000'000}));
  EXPECT_EQ(items.models[0].rotation[2], 90);
}

TEST(KicadModReaderModels, KicadFiveAtIsInInches) {
  const ModuleItems items =
      read("(module M (layer F.Cu) (model x.wrl (at (xyz 0.1 0 -0.01)) (scale (xyz 1 1 1))"
           " (rotate (xyz 0 0 0))))");
  ASSERT_EQ(items.models.size(), 1u);
  EXPECT_EQ(items.models[0].offset, (std::array<Nanometres, 3>{2'540'000, 0, -254'000}));
}

struct RefusalCase {
  std::string text;
  std::string error;
  int line;
  bool tooNew;
};

class KicadModReaderRefusals : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(KicadModReaderRefusals, SaysWhereAndLeavesNoItems) {
  ModuleItems items;
  items.pads.emplace_back();  // stale content from an earlier file goes
  const KicadModInfo info = parseKicadMod(GetParam().text, items);
  EXPECT_FALSE(info.ok);
  EXPECT_EQ(info.error, GetParam().error);
  EXPECT_EQ(info.line, GetParam().line);
  EXPECT_EQ(info.tooNew, GetParam().tooNew);
  EXPECT_TRUE(items.pads.empty());
  EXPECT_TRUE(items.texts.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Files, KicadModReaderRefusals,
    ::testing::Values(
        RefusalCase{"(footprint \"X\" (version 20990101)\n (pad 1 smd rect (at 0 0) (size 1 1)))",
                    "feito por um KiCad mais novo (versão 20990101)", 1, true},
        RefusalCase{"(footprint \"X\"\n (pad 1 smd rect (at 0 0) (size 1 x)))",
                    "expected a length, not 'x'", 2, false},
        RefusalCase{"(footprint \"X\"\n (pad 1 smd rect (size 1 1)))",
                    "expected '(at' in 'pad'", 2, false},
        RefusalCase{"(footprint \"X\"\n (pad 1 smd hexagon (at 0 0) (size 1 1)))",
                    "unknown pad shape 'hexagon'", 2, false},
        RefusalCase{"(footprint \"X\"\n (fp_line (start 0 0) (layer F.SilkS)))",
                    "expected '(end' in 'fp_line'", 2, false},
        RefusalCase{"(footprint \"X\"\n (fp_text user x (at 0 nan) (layer F.SilkS)))",
                    "expected a length, not 'nan'", 2, false},
        RefusalCase{"(footprint \"X\"\n (fp_arc (start 0 0) (end 1 0) (angle 1e308)))",
                    "angle out of range: '1e308'", 2, false},
        RefusalCase{"(footprint \"X\" (fp_line", "expected ')' before the end of the file", 1,
                    false}));

TEST(KicadModReaderArcs, ThreePointsInALineGiveNoCentreFarAway) {
  const ModuleItems items = read(
      "(footprint \"A\" (fp_arc (start 0 0) (mid 1 0.000001) (end 2 0) (layer F.SilkS)"
      " (width 0.1)) (fp_arc (start 0 0) (mid 1 0) (end 2 0) (layer F.SilkS) (width 0.1)))");
  ASSERT_EQ(items.shapes.size(), 2u);
  for (const ShapeItem& s : items.shapes) {
    EXPECT_LT(std::abs(s.center.y), 1'000'000'000'000'000) << s.center.y;
    EXPECT_TRUE(std::isfinite(s.angle));
  }
  EXPECT_EQ(items.shapes[1].angle, 0);
}

// Every real footprint of every dialect parses with no token unknown.
void readTree(const std::filesystem::path& root, int minimum) {
  if (!std::filesystem::is_directory(root)) GTEST_SKIP() << "not installed: " << root;
  int files = 0, pads = 0;
  std::map<std::string, int> unknown;
  ModuleItems items;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (entry.path().extension() != ".kicad_mod") continue;
    std::ifstream in(entry.path(), std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const KicadModInfo info = parseKicadMod(text, items);
    ++files;
    EXPECT_TRUE(info.ok) << entry.path() << ": " << info.error << " at " << info.line;
    for (const std::string& t : items.unknownTokens) ++unknown[t];
    pads += static_cast<int>(items.pads.size());
  }
  EXPECT_GE(files, minimum);
  EXPECT_GT(pads, files);
  for (const auto& [token, count] : unknown) ADD_FAILURE() << "unknown token " << token << " in " << count << " files";
}

TEST(KicadModReaderCorpus, EveryDialectOfTheCorpusParses) {
  readTree(TREVAK_SOURCE_DIR "/../shared/corpus-pretty", 5000);
}

TEST(KicadModReaderCorpus, DebiansLibraryParses) { readTree("/usr/share/kicad/footprints", 12000); }

}  // namespace
}  // namespace trevak
