// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/footprint_json.h"

#include <gtest/gtest.h>

#include <string>

#include "library/kicad_mod_reader.h"

namespace trevak {
namespace {

std::string inspect(const std::string& text) {
  ModuleItems items;
  const KicadModInfo info = parseKicadMod(text, items);
  EXPECT_TRUE(info.ok) << info.error;
  InspectOrigin origin;
  origin.name = info.name;
  origin.library = "Lib";
  origin.version = info.version;
  return inspectJson(origin, items);
}

TEST(InspectJson, WholeObjectOfASmallFootprint) {
  EXPECT_EQ(
      inspect("(footprint \"Q\\\"1\" (version 20211014) (descr \"d\\nx\") (tags \"t\")"
              " (attr through_hole)\n"
              " (fp_text reference \"REF**\" (at 0 -2) (layer \"F.SilkS\")"
              " (effects (font (size 1 0.8) (thickness 0.15))))\n"
              " (fp_line (start -1 -1) (end 1 -1) (layer \"F.SilkS\") (width 0.2))\n"
              " (pad \"1\" thru_hole oval (at 0 0 90) (size 2 1) (drill 0.8)"
              " (layers *.Cu *.Mask))\n"
              " (model \"m.wrl\" (offset (xyz 0 0 0.5)) (scale (xyz 1 1 1))"
              " (rotate (xyz 0 0 -90))))"),
      R"({"name":"Q\"1","library":"Lib","format":"kicad_mod","version":20211014,)"
      R"("description":"d\u000ax","tags":"t","attributes":["through_hole"],)"
      R"("pads":[{"number":"1","type":"thru_hole","shape":"oval","at":[0,0],"angle":90,)"
      R"("size":[2000000,1000000],"delta":[0,0],"drill":{"shape":"circle",)"
      R"("size":[800000,800000],"offset":[0,0]},"layers":["B.Cu","B.Mask","F.Cu","F.Mask"],)"
      R"("roundrect_rratio":null,"chamfer_ratio":null,"chamfer":[],"primitives":0}],)"
      R"("graphics":[{"kind":"line","layer":"F.SilkS","width":200000,"fill":false,)"
      R"("points":[[-1000000,-1000000],[1000000,-1000000]]}],)"
      R"("texts":[{"kind":"reference","text":"REF**","layer":"F.SilkS","at":[0,-2000000],)"
      R"("angle":0,"size":[800000,1000000],"thickness":150000,"hidden":false,"mirrored":false}],)"
      R"("models":[{"path":"m.wrl","offset":[0,0,0.5],"scale":[1,1,1],"rotate":[0,0,-90]}],)"
      R"("extent":[-1100000,-1100000,1100000,1000000]})");
}

// KiCad 5's centre-and-angle arcs come out as KiCad 6 holds them: start, mid, end running
// clockwise on screen, a negative sweep turned round.
TEST(InspectJson, KicadFiveArcsAsStartMidEnd) {
  const std::string json = inspect(
      "(module A (layer F.Cu)\n"
      " (fp_arc (start 0 0) (end 1 0) (angle 90) (layer F.SilkS) (width 0))\n"
      " (fp_arc (start 0 0) (end 1 0) (angle -90) (layer F.SilkS) (width 0)))");
  EXPECT_NE(json.find(R"("points":[[1000000,0],[707107,707107],[0,1000000]])"),
            std::string::npos)
      << json;
  EXPECT_NE(json.find(R"("points":[[0,-1000000],[707107,-707107],[1000000,0]])"),
            std::string::npos)
      << json;
}

TEST(InspectJson, NotUtf8ReadsAsLatin1AndControlBytesAreEscaped) {
  const std::string json = inspect("(footprint \"\xe9\x01\" (fp_text user \"\\t\" (at 0 0)"
                                   " (layer F.Fab)))");
  EXPECT_NE(json.find("\"name\":\"\xc3\xa9\\u0001\""), std::string::npos) << json;
  EXPECT_NE(json.find("\"text\":\"\\u0009\""), std::string::npos) << json;
  EXPECT_NE(json.find("\"extent\":null"), std::string::npos) << json;
}

// A legacy module maps as the export maps it: its object equals that of the exported file.
TEST(InspectJson, LegacyModuleAsItsExport) {
  const std::string body =
      "Po 0 0 0 15 00000000 00000000 ~~\rLi X\rCd a descr\rKw k\r"
      "T0 0 -600 600 600 0 120 N V 21 N \"X\"\r"
      "DA 0 0 500 0 900 100 21\r"
      "$PAD\rSh \"1\" R 600 600 0 0 0\rDr 0 0 0\rAt SMD N 00888000\rNe 0 \"\"\rPo 0 0\r"
      "$EndPAD\r";
  const std::string legacy = inspectLegacyJson("X", "Lib", body, LengthUnit::Decimil);
  EXPECT_NE(legacy.find(R"("format":"legacy")"), std::string::npos) << legacy;
  EXPECT_NE(legacy.find(R"("description":"a descr")"), std::string::npos) << legacy;
  EXPECT_NE(legacy.find(R"("shape":"rect","at":[0,0],"angle":0,"size":[1524000,1524000])"),
            std::string::npos)
      << legacy;
  EXPECT_NE(legacy.find(R"("kind":"arc","layer":"F.SilkS","width":254000)"), std::string::npos)
      << legacy;
  EXPECT_NE(legacy.find(R"("layers":["F.Cu","F.Mask","F.Paste"])"), std::string::npos) << legacy;
}

}  // namespace
}  // namespace trevak
