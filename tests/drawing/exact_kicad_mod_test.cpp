// SPDX-License-Identifier: GPL-3.0-or-later
// The exact drawing of the constructs only `.kicad_mod` files hold: rounded and cut pad corners,
// custom pads, curves, polygons and rectangles filled or not, text boxes, and the layers legacy
// numbers cannot name.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cmath>
#include <string>

#include "drawing/exact_footprint.h"
#include "drawing/exact_renderer.h"
#include "library/module_table.h"

namespace trevak::exact {
namespace {

constexpr QRgb kWhitePixel = 0xffffffffu;
constexpr double kMm = 1e6;

ExactDrawing drawingOf(const std::string& items, Options options = Options{kAllLayers, false, true, false}) {
  const std::string text = "(footprint \"T\" (version 20211014) (generator pcbnew) (layer \"F.Cu\")\n" +
                           items + ")\n";
  return ExactDrawing(footprintFromBody(text, LengthUnit::Millimetre, ModuleFormat::KicadMod),
                      options);
}

struct Picture {
  QImage image;
  QTransform transform;
  /// The pixel at a point given in millimetres.
  QRgb at(double xMm, double yMm) const {
    const QPointF p = transform.map(QPointF(xMm * kMm, yMm * kMm));
    return image.pixel(static_cast<int>(std::floor(p.x())), static_cast<int>(std::floor(p.y())));
  }
};

Picture paint(const ExactDrawing& d, int side = 500) {
  Picture p;
  const QSize size = pictureSizeFor(d, side, &p.transform);
  p.image = QImage(size, QImage::Format_RGB32);
  p.image.fill(Qt::white);
  QPainter painter(&p.image);
  d.paint(painter, p.transform);
  return p;
}

const QRgb kCopper = layerColor(15).rgb();

struct CornerCase {
  const char* name;
  const char* pad;  // a 2 x 1 mm pad at the origin
  // Just inside each corner (top left, top right, bottom right, bottom left): copper or not.
  bool corners[4];
};

class ExactPadCorners : public ::testing::TestWithParam<CornerCase> {};

// A point 0.03 mm inside each corner is copper only where the corner stays square; the middle
// of each side is copper whatever the corners, and the pad's extent is its size.
TEST_P(ExactPadCorners, FollowRoundingAndCuts) {
  const ExactDrawing d = drawingOf(GetParam().pad);
  const Picture p = paint(d);
  const double x = 1 - 0.03, y = 0.5 - 0.03;
  const double at[4][2] = {{-x, -y}, {x, -y}, {x, y}, {-x, y}};
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(p.at(at[i][0], at[i][1]) == kCopper, GetParam().corners[i]) << "corner " << i;
  }
  EXPECT_EQ(p.at(0.97, 0), kCopper);
  EXPECT_EQ(p.at(0, -0.47), kCopper);
  EXPECT_EQ(p.at(0, 0.47), kCopper);
  EXPECT_NEAR(d.itemExtent().left(), -1 * kMm, 1);
  EXPECT_NEAR(d.itemExtent().top(), -0.5 * kMm, 1);
  EXPECT_NEAR(d.itemExtent().right(), 1 * kMm, 1);
  EXPECT_NEAR(d.itemExtent().bottom(), 0.5 * kMm, 1);
}

INSTANTIATE_TEST_SUITE_P(
    Pads, ExactPadCorners,
    ::testing::Values(
        CornerCase{"rect", R"((pad "1" smd rect (at 0 0) (size 2 1) (layers "F.Cu")))",
                   {true, true, true, true}},
        CornerCase{"roundrect",
                   R"((pad "1" smd roundrect (at 0 0) (size 2 1) (layers "F.Cu") (roundrect_rratio 0.25)))",
                   {false, false, false, false}},
        // A ratio past a half is KiCad's half: the short sides are half circles.
        CornerCase{"roundrect_over_half",
                   R"((pad "1" smd roundrect (at 0 0) (size 2 1) (layers "F.Cu") (roundrect_rratio 0.9)))",
                   {false, false, false, false}},
        CornerCase{"chamfer_top_left_others_square",
                   R"((pad "1" smd roundrect (at 0 0) (size 2 1) (layers "F.Cu") (roundrect_rratio 0)
                      (chamfer_ratio 0.3) (chamfer top_left)))",
                   {false, true, true, true}},
        CornerCase{"chamfer_bottom_right_others_rounded",
                   R"((pad "1" smd roundrect (at 0 0) (size 2 1) (layers "F.Cu") (roundrect_rratio 0.25)
                      (chamfer_ratio 0.2) (chamfer bottom_right)))",
                   {false, false, false, false}},
        // Turned by half a turn, the cut top-left corner is at the bottom right.
        CornerCase{"chamfer_turned",
                   R"((pad "1" smd roundrect (at 0 0 180) (size 2 1) (layers "F.Cu") (roundrect_rratio 0)
                      (chamfer_ratio 0.3) (chamfer top_left)))",
                   {true, true, false, true}}),
    [](const auto& c) { return std::string(c.param.name); });

TEST(ExactKicadMod, ChamferCutsAlongTheDiagonal) {
  // A 1 x 1 mm pad cut 0.4 mm at its top right: the cut runs from (0.1, -0.5) to (0.5, -0.1).
  const Picture p = paint(drawingOf(
      R"((pad "1" smd roundrect (at 0 0) (size 1 1) (layers "F.Cu") (roundrect_rratio 0)
         (chamfer_ratio 0.4) (chamfer top_right)))"));
  EXPECT_EQ(p.at(0.25, -0.2), kCopper);      // below the cut line (x - y < 0.4)
  EXPECT_EQ(p.at(0.35, -0.3), kWhitePixel);  // beyond it
  EXPECT_EQ(p.at(0.05, -0.47), kCopper);     // the top side before the cut
}

TEST(ExactKicadMod, CustomPadIsItsAnchorAndItsPrimitives) {
  // A small round anchor, a filled triangle to the right and a 0.2 mm line going up, all
  // turned a quarter counter-clockwise with the pad: the triangle ends up above, the line left.
  const ExactDrawing d = drawingOf(R"(
    (pad "1" smd custom (at 0 0 90) (size 0.4 0.4) (layers "F.Cu")
      (options (clearance outline) (anchor circle))
      (primitives
        (gr_poly (pts (xy 0 -0.5) (xy 2 0) (xy 0 0.5)) (width 0))
        (gr_line (start 0 0) (end 0 -2) (width 0.2))))
    (fp_rect (start -3 -3) (end 3 3) (layer "Dwgs.User") (width 0))
  )");
  const Picture p = paint(d);
  EXPECT_EQ(p.at(0, 0), kCopper);
  EXPECT_EQ(p.at(0, -1.5), kCopper);      // the triangle
  EXPECT_EQ(p.at(0.4, -1.5), kWhitePixel);  // beside its narrowing end
  EXPECT_EQ(p.at(-1.9, 0), kCopper);      // the line
  EXPECT_EQ(p.at(-1.5, 0.2), kWhitePixel);  // past the line's half width
  EXPECT_EQ(p.at(0, 1.5), kWhitePixel);   // nothing on the other side
  // Hovering a primitive finds the pad.
  EXPECT_EQ(d.padAt(QPointF(0, -1.5 * kMm)), 0);
  EXPECT_EQ(d.padAt(QPointF(0, 1.5 * kMm)), -1);
  // The line's end is round.
  EXPECT_EQ(d.padAt(QPointF(-2.07 * kMm, 0)), 0);
  EXPECT_EQ(d.padAt(QPointF(-2.07 * kMm, 0.09 * kMm)), -1);
}

TEST(ExactKicadMod, CurveFollowsTheBezierNotItsControls) {
  // Start and end on the x axis, both controls 2 mm up: the curve's top is 1.5 mm up.
  const ExactDrawing d = drawingOf(
      R"((fp_curve (pts (xy -2 0) (xy -1 -2) (xy 1 -2) (xy 2 0)) (layer "F.SilkS") (width 0.1))
         (fp_rect (start -3 -3) (end 3 3) (layer "Dwgs.User") (width 0)))");
  const Picture p = paint(d);
  const QRgb silk = layerColor(21).rgb();
  EXPECT_EQ(p.at(0, -1.5), silk);
  EXPECT_EQ(p.at(0, -1.8), kWhitePixel);
  EXPECT_EQ(p.at(0, -1.2), kWhitePixel);
  // Its extent is the curve's, not its controls'.
  const QRectF silkOnly =
      drawingOf(R"((fp_curve (pts (xy -2 0) (xy -1 -2) (xy 1 -2) (xy 2 0)) (layer "F.SilkS") (width 0.1)))")
          .itemExtent();
  EXPECT_NEAR(silkOnly.top(), -1.55 * kMm, 0.01 * kMm);
}

struct FillCase {
  const char* name;
  const char* item;  // an outline around the origin, 1 mm from it
  bool filled;
};

class ExactFill : public ::testing::TestWithParam<FillCase> {};

// The inside is drawn only when the item says so; the outline is always drawn.
TEST_P(ExactFill, InsideOnlyWhenFilled) {
  const Picture p = paint(drawingOf(GetParam().item));
  const QRgb silk = layerColor(21).rgb();
  EXPECT_EQ(p.at(0, 0) == silk, GetParam().filled);
  EXPECT_EQ(p.at(0, 1), silk);
}

INSTANTIATE_TEST_SUITE_P(
    Outlines, ExactFill,
    ::testing::Values(
        FillCase{"poly_none",
                 R"((fp_poly (pts (xy -1 -1) (xy 1 -1) (xy 1 1) (xy -1 1)) (layer "F.SilkS") (width 0.1) (fill none)))",
                 false},
        FillCase{"poly_solid",
                 R"((fp_poly (pts (xy -1 -1) (xy 1 -1) (xy 1 1) (xy -1 1)) (layer "F.SilkS") (width 0.1) (fill solid)))",
                 true},
        FillCase{"rect_none",
                 R"((fp_rect (start -1 -1) (end 1 1) (layer "F.SilkS") (width 0.1) (fill none)))", false},
        FillCase{"rect_solid",
                 R"((fp_rect (start -1 -1) (end 1 1) (layer "F.SilkS") (width 0.1) (fill solid)))", true},
        FillCase{"circle_none",
                 R"((fp_circle (center 0 0) (end 1 0) (layer "F.SilkS") (width 0.1) (fill none)))", false},
        FillCase{"circle_yes",
                 R"((fp_circle (center 0 0) (end 1 0) (layer "F.SilkS") (stroke (width 0.1) (type solid)) (fill yes)))",
                 true}),
    [](const auto& c) { return std::string(c.param.name); });

TEST(ExactKicadMod, FabricationAndCourtyardAreLayersOfTheirOwn) {
  const std::string items = R"(
    (fp_line (start -2 -1) (end 2 -1) (layer "F.Fab") (width 0.2))
    (fp_line (start -2 1) (end 2 1) (layer "F.CrtYd") (width 0.2))
    (fp_line (start -2 0) (end 2 0) (layer "B.Fab") (width 0.2))
    (fp_line (start -2 2) (end 2 2) (layer "User.3") (width 0.2)))";
  const Picture all = paint(drawingOf(items));
  EXPECT_EQ(all.at(0, -1), layerColor(kFrontFab).rgb());
  EXPECT_EQ(all.at(0, 1), layerColor(kFrontCourtyard).rgb());
  EXPECT_EQ(all.at(0, 0), layerColor(kBackFab).rgb());
  EXPECT_EQ(all.at(0, 2), layerColor(kUserLayer1 + 2).rgb());
  EXPECT_NE(layerColor(kFrontFab).rgb(), layerColor(24).rgb());
  EXPECT_NE(layerColor(kFrontCourtyard).rgb(), layerColor(kFrontFab).rgb());

  Options fabOnly{kAllLayers, false, true, false};
  fabOnly.layers = *parseLayerList("F.Fab");
  const ExactDrawing d = drawingOf(items, fabOnly);
  EXPECT_NEAR(d.itemExtent().top(), -1.1 * kMm, 1);
  EXPECT_NEAR(d.itemExtent().bottom(), -0.9 * kMm, 1);
}

TEST(ExactKicadMod, LayerNamesAndNumbersGoBothWays) {
  for (int l = 0; l < kLayerCount; ++l) {
    EXPECT_EQ(layerNumber(layerName(l)), l) << layerName(l);
  }
  EXPECT_EQ(layerNumber("F.Courtyard"), kFrontCourtyard);  // KiCad 5's spelling
  EXPECT_EQ(layerNumber("Nowhere"), -1);
  EXPECT_EQ(*parseLayerList("*.CrtYd"),
            (LayerMask{1} << kFrontCourtyard) | (LayerMask{1} << kBackCourtyard));
  EXPECT_EQ(*parseLayerList("*.Fab"), (LayerMask{1} << kFrontFab) | (LayerMask{1} << kBackFab));
}

TEST(ExactKicadMod, TextBoxDrawsItsBorderAndKeepsItsTextInside) {
  const ExactDrawing d = drawingOf(R"(
    (fp_text_box "Hi" (start -2 -1) (end 2 1) (layer "F.SilkS")
      (effects (font (size 0.5 0.5) (thickness 0.1)) (justify left top))
      (stroke (width 0.1) (type solid))))");
  const Picture p = paint(d);
  const QRgb silk = layerColor(21).rgb();
  EXPECT_EQ(p.at(0, -1), silk);
  EXPECT_EQ(p.at(2, 0), silk);
  EXPECT_TRUE(d.extent().contains(QRectF(-2 * kMm, -1 * kMm, 4 * kMm, 2 * kMm)));
  EXPECT_LE(d.extent().width(), 4.2 * kMm);  // the text stays inside the box

  // Without a border nothing is drawn on its edges.
  const Picture bare = paint(drawingOf(R"(
    (fp_text_box "" (start -2 -1) (end 2 1) (layer "F.SilkS") (border no)
      (effects (font (size 0.5 0.5) (thickness 0.1)))
      (stroke (width 0.1) (type solid)))
    (fp_line (start -3 -3) (end 3 3) (layer "Dwgs.User") (width 0)))"));
  EXPECT_EQ(bare.at(1, -1), kWhitePixel);
}

TEST(ExactKicadMod, EmptyFillOrDrillListsReadWithoutHarm) {
  // `(fill)` and `(drill)` with nothing in them name nothing: the items still draw.
  const ExactDrawing d = drawingOf(R"(
    (fp_poly (pts (xy -1 -1) (xy 1 -1) (xy 1 1)) (layer "F.SilkS") (width 0.1) (fill))
    (pad "1" thru_hole circle (at 3 0) (size 1 1) (drill) (layers "*.Cu")))");
  EXPECT_EQ(d.footprint().shapes.size(), 1u);
  EXPECT_EQ(d.footprint().pads.size(), 1u);
}

}  // namespace
}  // namespace trevak::exact
