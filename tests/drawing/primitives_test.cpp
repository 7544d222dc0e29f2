// SPDX-License-Identifier: GPL-3.0-or-later
#include "drawing/primitives.h"

#include <gtest/gtest.h>

#include <string>

#include "drawing/coordinates.h"
#include "drawing_fixture.h"

namespace trevak {
namespace {

using test::DrawingTest;
using test::kBlue;

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
  EXPECT_EQ(roundHalfEven(90.5L), 90);
  EXPECT_EQ(roundHalfEven(91.5L), 92);
  EXPECT_EQ(roundHalfEven(-90.5L), -90);
  EXPECT_EQ(roundHalfEven(-91.5L), -92);
  EXPECT_EQ(roundHalfEven(2.4999L), 2);
  EXPECT_EQ(roundHalfEven(-2.6L), -3);
  EXPECT_EQ(roundHalfEven(1e30L), INT64_MAX);
}

// Arcs around library (0, 0) at scale 100, whose centre pixel is 217. The cases of the
// arc table scaled by ten (the same n, a0 and d), so that each quadrant holds many pixels.
struct ArcCase {
  const char* start;  // x and y of the start point
  const char* angle;
  const char* quadrants;  // those holding ink: TR (12 to 3 o'clock), TL, BL, BR
};

class Arcs : public DrawingTest, public ::testing::WithParamInterface<ArcCase> {
 protected:
  std::string inkedQuadrants() {
    std::string q;
    auto add = [&](const char* name, int sx, int sy) {
      // A square per quadrant, 4 pixels clear of the axes.
      const int x1 = sx > 0 ? 221 : 117, y1 = sy > 0 ? 221 : 117;
      if (ink(x1, y1, x1 + 96, y1 + 96) > 0) q += q.empty() ? name : std::string(" ") + name;
    };
    add("TR", 1, -1);
    add("TL", -1, -1);
    add("BL", -1, 1);
    add("BR", 1, 1);
    return q;
  }
};

TEST_P(Arcs, CounterClockwiseFromTheComputedEndToTheStart) {
  const ArcCase& c = GetParam();
  const std::string line = std::string("DA 0 0 ") + c.start + " " + c.angle + " 120 21";
  draw({line});
  EXPECT_EQ(inkedQuadrants(), c.quadrants) << line;
  EXPECT_EQ(pane.width, 101);  // arcs never widen the box
  EXPECT_EQ(count(kBlue, 0, 0, 450, 450), ink(0, 0, 450, 450));
}

INSTANTIATE_TEST_SUITE_P(Table, Arcs,
                         ::testing::Values(ArcCase{"10000 0", "900", "BR"},        // 6 to 3
                                           ArcCase{"0 -10000", "900", "TR"},       // 3 to 12
                                           ArcCase{"0 10000", "900", "TR TL BL"},  // 3 to 6
                                           ArcCase{"-10000 0", "900", "TL"},       // 12 to 9
                                           ArcCase{"10000 0", "3600", "BL BR"},    // 9 to 3
                                           ArcCase{"10000 0", "1800", "BL BR"},
                                           ArcCase{"10000 0", "-900", "TL BL BR"},  // 12 to 3
                                           ArcCase{"3000 -4000", "900", "TR BR"},   // a quarter
                                           ArcCase{"3000 4000", "900",
                                                   "TR TL BL BR"},            // about 344 degrees
                                           ArcCase{"10000 0", "2700", "BR"},  // like 900
                                           ArcCase{"10000 0", "905", "BR"},   // 90.5 -> 90
                                           ArcCase{"10000 0", "0", "TR TL BL BR"},  // whole circle
                                           ArcCase{"0 -10000", "0", "TR TL BL BR"},
                                           ArcCase{"0 10000", "0", "TL BL"}));  // left half

TEST_F(DrawingTest, ArcOfAbout344DegreesLeavesOutItsWedge) {
  draw({"DA 0 0 3000 4000 900 120 21"});
  // Radius 5000 is 43 pixels; the gap lies between -53 and -37 degrees (below right).
  EXPECT_EQ(ink(244, 244, 250, 250), 0);  // at -45 degrees
  EXPECT_GT(ink(250, 211, 262, 223), 0);  // at 0 degrees
}

TEST_F(DrawingTest, ArcOfZeroRadiusDrawsNothing) {
  draw({"DA 500 500 500 500 900 120 21"});
  EXPECT_EQ(ink(0, 0, 999, 999), 0);
}

TEST_F(DrawingTest, ArcWhoseSquaredRadiusPassesThirtyTwoBits) {
  // 60000^2 = 3.6e9: the radius is still 60000, 248 pixels at scale 210 around pixel 456.
  draw({"DA 0 0 60000 0 900 120 21"}, false, 210);
  EXPECT_GT(ink(460, 460, 710, 710), 0);
  EXPECT_EQ(ink(200, 200, 452, 710), 0);
  EXPECT_EQ(ink(460, 200, 710, 452), 0);
  EXPECT_EQ(at(456, 703), kBlue);  // 6 o'clock, the arc's first pixel
}

struct CircleCase {
  const char* line;
  std::int64_t cx, radius;
};

class Circles : public DrawingTest, public ::testing::WithParamInterface<CircleCase> {};

TEST_P(Circles, RadiusFromTheXDistancesToTheAxis) {
  draw({GetParam().line}, false, 40);
  estado_desenho expected;
  expected.escala = 40;
  const std::int64_t cx = GetParam().cx, r = GetParam().radius;
  EXPECT_EQ(st.xmax, converte_x(expected, integerText(cx + r), false)) << GetParam().line;
  EXPECT_EQ(st.ymax, converte_y(expected, integerText(r), false)) << GetParam().line;
}

INSTANTIATE_TEST_SUITE_P(Table, Circles,
                         ::testing::Values(CircleCase{"DC 0 0 500 0 120 21", 0, 714},
                                           CircleCase{"DC -300 0 200 0 120 21", -300, 143},
                                           CircleCase{"DC 0 0 999 0 120 21", 0, 1427},
                                           CircleCase{"DC 0 0 1000 0 120 21", 0, 1000},
                                           CircleCase{"DC 0 0 -5000 700 120 21", 0, 5000},
                                           CircleCase{"DC 6000 0 1000 9 120 21", 6000, 5000}));

TEST_F(DrawingTest, CircleIsAnOutlineOnly) {
  draw({"DS -3000 0 3000 0 120 21", "DC 0 0 2000 0 120 21"}, false, 40);
  EXPECT_EQ(at(86, 86), kBlue);  // the segment through the centre still shows
  EXPECT_EQ(at(86, 80), kWhite);
  EXPECT_EQ(at(86, 44), kBlue);  // top of the outline
  EXPECT_EQ(st.imagem_trabalho->brushColor(), kWhite);
}

TEST_F(DrawingTest, RectangleTakesWhateverTheLastPrimitiveLeft) {
  const char* rect = "S -2000 -2000 2000 2000";
  draw({"DS 0 0 0 0 120 21", rect}, false, 40);  // a segment of no length still sets colours
  EXPECT_EQ(at(86, 86), kBlue);
  EXPECT_EQ(at(44, 86), kBlue);
  draw({"DC 30000 30000 31000 0", rect}, false, 40);
  EXPECT_EQ(at(86, 86), kWhite);
  EXPECT_EQ(at(44, 86), kBlue);
  draw({"T1 30000 30000 600 600 0 120 N V 21 N X", rect}, true, 40);
  EXPECT_EQ(at(86, 86), kWhite);
  EXPECT_EQ(at(44, 86), kTeal);
}

TEST_F(DrawingTest, SegmentWithBothEndsOnOnePixelWidensButDrawsNothing) {
  draw({"DS 0 0 50 0 120 21"});
  EXPECT_EQ(ink(0, 0, 999, 999), 0);
  EXPECT_EQ(pane.width, 100);
  EXPECT_EQ(pane.height, 100);
}

/// Topmost row holding pixels of `color` near pixel (217, 217).
int topRow(const Surface& s, QRgb color) {
  for (int y = 190; y < 260; ++y) {
    for (int x = 200; x < 260; ++x) {
      if (s.pixel(x, y) == color) return y;
    }
  }
  return -1;
}

TEST_F(DrawingTest, ModuleTextsOnlyWithTheSwitchAndT0TwentyRowsLower) {
  draw({"T0 0 0 600 600 0 120 N V 21 N \"REF\""}, false);
  EXPECT_EQ(ink(0, 0, 999, 999), 0);
  EXPECT_EQ(pane.width, 101);  // not widened either

  draw({"T1 0 0 600 600 0 120 N V 21 N \"REF\""}, true);
  const int t1 = topRow(work, kBlack);  // no field text yet: black
  ASSERT_GT(t1, 0);
  EXPECT_EQ(st.ymax, 217);

  draw({"T0 0 0 600 600 0 120 N V 21 N \"REF\""}, true);
  EXPECT_EQ(topRow(work, kBlack), t1 + 20);
  EXPECT_EQ(st.ymax, 217);  // the box holds the unshifted point
  EXPECT_EQ(pane.height, 100);

  draw({"T"}, true);  // the keyword alone is the text, at library (0, 0)
  EXPECT_GT(ink(217, 217, 230, 230), 0);
}

TEST_F(DrawingTest, TextCellsHideWhatIsUnderThem) {
  draw({"DS -3000 600 3000 600 120 21", "T1 0 0 600 600 0 120 N V 21 N \"...\""}, true);
  // The segment runs along row 222, inside the text's cells (rows 217 onwards).
  const int row = 222;
  EXPECT_EQ(at(200, row), kBlue);
  EXPECT_NE(at(218, row), kBlue);
  EXPECT_EQ(st.imagem_trabalho->penColor(), kTeal);
}

TEST_F(DrawingTest, FieldTextTurnsAllLaterTextsTealAndUsesTheBrushForItsCells) {
  draw({"DS -3000 -3000 3000 -3000 120 21", "F0 AB 0 0"});
  EXPECT_EQ(at(218, 217), kBlue);  // the top row of the cell: brush colour, left by the segment
  EXPECT_GT(count(kTeal, 217, 217, 240, 232), 0);
  EXPECT_EQ(count(kBlack, 217, 217, 240, 232), 0);

  // Next drawing, module text only: still teal.
  draw({"T1 0 0 600 600 0 120 N V 21 N \"REF\""}, true);
  EXPECT_GT(topRow(work, kTeal), 0);
  EXPECT_EQ(topRow(work, kBlack), -1);
}

}  // namespace
}  // namespace trevak
