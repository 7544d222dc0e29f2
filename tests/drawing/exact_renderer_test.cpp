// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "drawing/exact_footprint.h"
#include "drawing/exact_renderer.h"
#include "library/library_reader.h"
#include "library/module_table.h"

namespace trevak::exact {
namespace {

constexpr QRgb kWhitePixel = 0xffffffffu;

ExactDrawing drawingOf(const std::string& body, LengthUnit unit = LengthUnit::Decimil,
                       Options options = {}) {
  return ExactDrawing(footprintFromBody(body, unit), options);
}

/// A pad block in decimils.
std::string pad(const std::string& sh, const std::string& dr, const std::string& po,
                const std::string& layers = "00E0FFFF") {
  return "$PAD\rSh " + sh + "\rDr " + dr + "\rAt STD N " + layers + "\rNe 0 \"\"\rPo " + po +
         "\r$EndPAD\r";
}

/// The pixel of the picture at a point given in nm.
QRgb pixelAt(const QImage& image, const QTransform& t, double xNm, double yNm) {
  const QPointF p = t.map(QPointF(xNm, yNm));
  return image.pixel(static_cast<int>(std::floor(p.x())), static_cast<int>(std::floor(p.y())));
}

struct Picture {
  QImage image;
  QTransform transform;
};

Picture paint(const ExactDrawing& d, int side = 400) {
  Picture p;
  const QSize size = pictureSizeFor(d, side, &p.transform);
  p.image = QImage(size, QImage::Format_RGB32);
  p.image.fill(Qt::white);
  QPainter painter(&p.image);
  d.paint(painter, p.transform);
  return p;
}

int nonWhite(const QImage& image) {
  int n = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) n += image.pixel(x, y) != kWhitePixel ? 1 : 0;
  }
  return n;
}

// --- extents: geometry as KiCad computes it ------------------------------------------------

struct ExtentCase {
  const char* what;
  std::string body;
  double left, top, right, bottom;  // nm
};

class ExactExtent : public ::testing::TestWithParam<ExtentCase> {};

TEST_P(ExactExtent, MatchesTheGeometry) {
  const ExtentCase& c = GetParam();
  const QRectF e = drawingOf(c.body).itemExtent();
  EXPECT_NEAR(e.left(), c.left, 2) << c.what;
  EXPECT_NEAR(e.top(), c.top, 2) << c.what;
  EXPECT_NEAR(e.right(), c.right, 2) << c.what;
  EXPECT_NEAR(e.bottom(), c.bottom, 2) << c.what;
}

const double kR45 = std::sqrt(0.5);

INSTANTIATE_TEST_SUITE_P(
    Items, ExactExtent,
    ::testing::Values(
        ExtentCase{"segment with its width", "DS 0 0 1000 0 100 21\r", -127000, -127000,
                   2667000, 127000},
        // The figures of KiCad 6's own pad bounding box for this trapezoid (turned 30 degrees,
        // its copper moved by the drill offset).
        ExtentCase{"turned trapezoid with offset",
                   pad("\"1\" T 1000 600 200 0 300", "300 100 50 O 300 400", "5000 0"),
                   11375618, -1091956, 14337322, 1497867},
        ExtentCase{"rectangle turned 45 degrees",
                   pad("\"1\" R 1000 1000 0 0 450", "0 0 0", "0 0"), -2540000 * kR45 * 1,
                   -2540000 * kR45, 2540000 * kR45, 2540000 * kR45},
        ExtentCase{"rectangle turned 90 degrees", pad("\"1\" R 1000 200 0 0 900", "0 0 0", "0 0"),
                   -254000, -1270000, 254000, 1270000},
        ExtentCase{"oval turned 90 degrees", pad("\"1\" O 600 200 0 0 900", "100 0 0", "0 0"),
                   -254000, -762000, 254000, 762000},
        // Positive sweeps turn clockwise on the screen: from (1000, 0) down to (0, 1000).
        ExtentCase{"quarter arc", "DA 0 0 1000 0 900 0 21\r", 0, 0, 2540000, 2540000},
        // KiCad takes a sweep of 540 degrees as 180: the half turn on the right only.
        ExtentCase{"sweep past a turn", "DA 0 0 0 -1000 5400 0 21\r", 0, -2540000, 2540000,
                   2540000},
        ExtentCase{"negative quarter arc", "DA 0 0 1000 0 -900 0 21\r", 0, -2540000, 2540000, 0},
        ExtentCase{"circle with its width", "DC 0 0 1000 0 100 21\r", -2667000, -2667000, 2667000,
                   2667000},
        // KiCad gives a circle of no radius the box of its line's width, and a pad of no
        // height no box at all.
        ExtentCase{"circle of no radius", "DC 1500 500 1500 500 200 21\r", 3556000, 1016000,
                   4064000, 1524000},
        ExtentCase{"pad without height beside a segment",
                   pad("\"40\" R 740 0 0 0 0", "400 0 0", "39000 0") + "DS 0 0 100 0 0 21\r", 0,
                   0, 254000, 0},
        ExtentCase{"polygon",
                   "DP 0 0 0 0 3 0 21\rDl -1000 0\rDl 1000 -500\rDl 0 2000\r", -2540000,
                   -1270000, 2540000, 5080000}),
    [](const auto& param) { return "Case" + std::to_string(param.index); });

TEST(ExactExtent, MillimetreAndDecimilLibrariesGiveTheSamePicture) {
  const ExactDrawing dec = drawingOf(
      pad("\"1\" O 600 400 0 0 300", "250 0 0", "1000 -500") + "DS -1000 0 1000 0 100 21\r" +
          "T0 0 -1000 500 500 0 100 N V 21 N \"R1\"\r",
      LengthUnit::Decimil);
  const ExactDrawing mm = drawingOf(
      pad("\"1\" O 1.524 1.016 0 0 300", "0.635 0 0", "2.54 -1.27") +
          "DS -2.54 0 2.54 0 0.254 21\r" + "T0 0 -2.54 1.27 1.27 0 0.254 N V 21 N \"R1\"\r",
      LengthUnit::Millimetre);
  EXPECT_EQ(dec.extent(), mm.extent());
  EXPECT_EQ(renderImage(dec, 300), renderImage(mm, 300));
}

// --- pixels ---------------------------------------------------------------------------------

TEST(ExactPixels, TurnedPadCoversItsDiagonalNotItsCorners) {
  // A long thin pad at 45 degrees counter-clockwise: up-right and down-left are copper, the
  // other diagonal is not.
  const ExactDrawing d = drawingOf(pad("\"1\" R 2000 200 0 0 450", "0 0 0", "0 0") +
                                   "DS -2000 -2000 2000 2000 0 24\r");
  const Picture p = paint(d);
  const QRgb copper = layerColor(15).rgb();
  const double a = 2540 * 600 * kR45;
  EXPECT_EQ(pixelAt(p.image, p.transform, a, -a), copper);
  EXPECT_EQ(pixelAt(p.image, p.transform, -a, a), copper);
  EXPECT_NE(pixelAt(p.image, p.transform, a, a), copper);
  EXPECT_NE(pixelAt(p.image, p.transform, -a, -a), copper);
}

struct NumberCase {
  const char* sh;  // the pad's Sh line after the keyword
  double cx, cy;   // the copper's centre, decimils
  bool tall;       // the number reads along y (a tall pad, or a turned one)
};

class ExactPadNumber : public ::testing::TestWithParam<NumberCase> {};

// The number sits in the middle of its pad's copper, in black, and runs along the pad's longer
// side; a number drawn from a wrongly ordered transform lands elsewhere or runs the wrong way.
TEST_P(ExactPadNumber, SitsInTheMiddleAlongTheLongerSide) {
  const NumberCase& c = GetParam();
  const ExactDrawing d = drawingOf(pad(c.sh, "0 0 0", "0 0") + "DS -3000 -3000 3000 3000 0 24\r");
  const Picture p = paint(d, 600);
  const QPointF centre = p.transform.map(QPointF(c.cx * 2540, c.cy * 2540));
  double sx = 0, sy = 0, n = 0;
  double left = 1e9, right = -1e9, top = 1e9, bottom = -1e9;
  for (int y = 0; y < p.image.height(); ++y) {
    for (int x = 0; x < p.image.width(); ++x) {
      if (qGray(p.image.pixel(x, y)) > 40) continue;  // the number's black, not the copper
      sx += x;
      sy += y;
      ++n;
      left = std::min<double>(left, x);
      right = std::max<double>(right, x);
      top = std::min<double>(top, y);
      bottom = std::max<double>(bottom, y);
    }
  }
  ASSERT_GT(n, 20) << c.sh;
  EXPECT_NEAR((left + right) / 2, centre.x(), 4) << c.sh;
  EXPECT_NEAR((top + bottom) / 2, centre.y(), 4) << c.sh;
  EXPECT_EQ(bottom - top > right - left, c.tall) << c.sh;
}

INSTANTIATE_TEST_SUITE_P(Pads, ExactPadNumber,
                         ::testing::Values(NumberCase{"\"188\" R 2400 800 0 0 0", 0, 0, false},
                                           NumberCase{"\"188\" R 800 2400 0 0 0", 0, 0, true},
                                           NumberCase{"\"188\" R 2400 800 0 0 900", 0, 0, true},
                                           NumberCase{"\"188\" O 2400 800 0 0 1800", 0, 0, false}));

struct ReuseCase {
  const char* before;  // the Sh line of a pad drawn first on the thread
  const char* after;   // the Sh line of the pad whose picture is compared
};

class ExactNumberReuse : public ::testing::TestWithParam<ReuseCase> {};

// Numbers once drawn are kept by the thread: one drawn earlier at another size, angle or with
// other digits must never stand in for the one asked, so the picture is the one a fresh thread
// makes.
TEST_P(ExactNumberReuse, GivesThePictureOfAFreshThread) {
  const ReuseCase& c = GetParam();
  const auto picture = [](const char* sh) {
    return renderImage(drawingOf(pad(sh, "0 0 0", "0 0") + "DS -3000 -3000 3000 3000 0 24\r"),
                       300);
  };
  QImage fresh;
  std::thread([&] { fresh = picture(c.after); }).join();
  picture(c.before);
  EXPECT_EQ(picture(c.after), fresh) << c.before << " then " << c.after;
}

INSTANTIATE_TEST_SUITE_P(
    Pads, ExactNumberReuse,
    ::testing::Values(ReuseCase{"\"12\" R 2400 800 0 0 0", "\"12\" R 2400 800 0 0 900"},
                      ReuseCase{"\"12\" R 2400 800 0 0 0", "\"12\" R 1200 400 0 0 0"},
                      ReuseCase{"\"12\" R 2400 800 0 0 0", "\"13\" R 2400 800 0 0 0"},
                      ReuseCase{"\"12\" R 2400 800 0 0 0", "\"12\" R 2400 800 0 0 450"}));

struct DirectCase {
  const char* what;
  std::string body;
};

class ExactDirectDiscs : public ::testing::TestWithParam<DirectCase> {};

// On an RGB32 picture round pads, round holes and the ends of lines are painted straight into
// the pixels; on any other picture Qt paints them. Both must show the same thing: a hole at the
// copper's offset instead of the pad's position, a diameter taken for a radius or a dot in
// the wrong colour differs in whole regions, not in an edge's shading.
TEST_P(ExactDirectDiscs, LookLikeQtsOwn) {
  const DirectCase& c = GetParam();
  const ExactDrawing d = drawingOf(c.body);
  const QImage direct = renderImage(d, 300);
  QTransform t;
  QImage viaQt(pictureSizeFor(d, 300, &t), QImage::Format_ARGB32_Premultiplied);
  viaQt.fill(Qt::white);
  {
    QPainter painter(&viaQt);
    d.paint(painter, t);
  }
  viaQt = viaQt.convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(direct.size(), viaQt.size()) << c.what;
  int far = 0;
  for (int y = 0; y < direct.height(); ++y) {
    for (int x = 0; x < direct.width(); ++x) {
      const QRgb a = direct.pixel(x, y), b = viaQt.pixel(x, y);
      const int most = std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                 std::abs(qBlue(a) - qBlue(b))});
      far += most > 100 ? 1 : 0;
    }
  }
  EXPECT_LE(far, 12) << c.what << ": pixels far from Qt's own drawing";
  EXPECT_LT(nonWhite(direct), direct.width() * direct.height()) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Bodies, ExactDirectDiscs,
    ::testing::Values(
        DirectCase{"round pad with a round hole", pad("\"1\" C 1200 1200 0 0 0", "500 0 0", "0 0")},
        DirectCase{"hole with the copper moved",
                   pad("\"1\" C 1200 1200 0 0 0", "400 300 0", "100 0")},
        DirectCase{"turned pad, offset copper",
                   pad("\"2\" C 900 900 0 0 450", "300 200 -100", "-500 700")},
        DirectCase{"a hole alone", pad("\"\" C 0 0 0 0 0", "800 0 0", "0 0", "00E0FFFF") +
                                       "DS -1000 -1000 1000 1000 50 21\r"},
        DirectCase{"wide lines' round ends",
                   "DS -2000 -500 2000 700 300 21\rDS 0 -2000 150 1800 "
                   "220 20\rDA 0 0 1500 0 900 180 21\r"},
        DirectCase{"circles and arcs both ways", "DC 0 0 1800 0 120 21\rDA 0 0 1200 0 900 150 "
                                                 "21\rDA 100 0 600 0 -2500 90 24\r"},
        DirectCase{"rectangles and ovals a quarter turned or not",
                   pad("\"1\" R 1200 500 0 0 0", "0 0 0", "-1500 0") +
                       pad("\"2\" R 1200 500 0 0 900", "300 0 0", "0 0") +
                       pad("\"3\" O 1200 500 0 0 2700", "300 200 0", "1500 0") +
                       pad("\"4\" O 1200 500 0 0 1800", "0 0 0", "0 1500")},
        DirectCase{"back and front pads",
                   pad("\"1\" C 1000 1000 0 0 0", "0 0 0", "0 0", "00000001") +
                       pad("\"2\" C 700 700 0 0 0", "300 0 0", "400 0")}),
    [](const ::testing::TestParamInfo<DirectCase>& param) {
      return "case" + std::to_string(param.index);
    });

TEST(ExactPixels, OvalDrillStaysAtThePadPositionWhileTheCopperMoves) {
  // Copper 1000 x 400 moved 300 right of its hole; the hole is an oval 100 x 300.
  const ExactDrawing d =
      drawingOf(pad("\"\" R 1000 400 0 0 0", "0 300 0 O 100 300", "0 0"), LengthUnit::Decimil,
                Options{kAllLayers, false, true, false});
  const Picture p = paint(d);
  const QRgb copper = layerColor(15).rgb();
  EXPECT_EQ(pixelAt(p.image, p.transform, 0, 0), kWhitePixel);           // hole centre
  EXPECT_EQ(pixelAt(p.image, p.transform, 0, 2540 * 120), kWhitePixel);  // hole is tall
  EXPECT_EQ(pixelAt(p.image, p.transform, 2540 * 100, 0), copper);       // beside it: copper
  EXPECT_EQ(pixelAt(p.image, p.transform, 2540 * 750, 0), copper);       // the moved copper
  EXPECT_EQ(d.itemExtent().left(), -2540.0 * 200);
  EXPECT_EQ(d.itemExtent().right(), 2540.0 * 800);
}

TEST(ExactPixels, PolygonIsFilled) {
  const ExactDrawing d = drawingOf("DP 0 0 0 0 4 0 21\rDl 0 0\rDl 1000 0\rDl 1000 1000\rDl 0 1000\r");
  const Picture p = paint(d);
  EXPECT_EQ(pixelAt(p.image, p.transform, 2540 * 500, 2540 * 500), layerColor(21).rgb());
}

TEST(ExactPixels, FrontLayersCoverBackLayersWhateverTheLineOrder) {
  const std::string front = pad("\"1\" C 1000 1000 0 0 0", "0 0 0", "0 0", "00888000");
  const std::string back = pad("\"2\" R 1200 1200 0 0 0", "0 0 0", "0 0", "00440001");
  const Options noNumbers{kAllLayers, false, true, false};
  for (const std::string& body : {front + back, back + front}) {
    const Picture p = paint(drawingOf(body, LengthUnit::Decimil, noNumbers));
    EXPECT_EQ(pixelAt(p.image, p.transform, 0, 0), layerColor(15).rgb());
    EXPECT_EQ(pixelAt(p.image, p.transform, 2540 * 580, 2540 * 580), layerColor(0).rgb());
  }
}

TEST(ExactPixels, LayerChoiceLeavesOutTheOthers) {
  const std::string body =
      pad("\"1\" C 1000 1000 0 0 0", "0 0 0", "0 0", "00888000") + "DS 0 0 3000 0 150 21\r";
  Options silkOnly;
  silkOnly.layers = *parseLayerList("F.SilkS");
  const ExactDrawing d = drawingOf(body, LengthUnit::Decimil, silkOnly);
  EXPECT_EQ(d.padAt(QPointF(0, 0)), -1);
  EXPECT_NEAR(d.itemExtent().left(), -2540 * 75, 1);
}

TEST(ExactPixels, TextsTurnWithTheirAngle) {
  const std::string text = "IIIIIIIIIIII";
  const QRectF flat =
      drawingOf("T2 0 0 500 500 0 100 N V 21 N \"" + text + "\"\r").extent();
  const QRectF upright =
      drawingOf("T2 0 0 500 500 900 100 N V 21 N \"" + text + "\"\r").extent();
  EXPECT_GT(flat.width(), 2 * flat.height());
  EXPECT_GT(upright.height(), 2 * upright.width());
  EXPECT_NEAR(flat.width(), upright.height(), 1);
}

TEST(ExactPixels, HiddenTextsOnlyWhenAsked) {
  const std::string body = "T1 0 0 500 500 0 100 N I 21 N \"VAL\"\rDS 0 0 100 0 0 21\r";
  Options hidden;
  hidden.hiddenTexts = true;
  EXPECT_LT(drawingOf(body).extent().height(), 10);
  EXPECT_GT(drawingOf(body, LengthUnit::Decimil, hidden).extent().height(), 2540 * 400);
}

TEST(ExactPixels, PadUnderTheMouse) {
  const ExactDrawing d = drawingOf(pad("\"1\" R 1000 200 0 0 900", "0 0 0", "0 0") +
                                   pad("\"2\" C 400 400 0 0 0", "0 0 0", "2000 0"));
  EXPECT_EQ(d.padAt(QPointF(0, 2540 * 400)), 0);  // turned: tall, not wide
  EXPECT_EQ(d.padAt(QPointF(2540 * 400, 0)), -1);
  EXPECT_EQ(d.padAt(QPointF(2540 * 2100, 0)), 1);
}

TEST(ExactPixels, EmptyModuleGivesAWhiteSquare) {
  const QImage image = renderImage(drawingOf("Li X\r"), 64);
  EXPECT_EQ(image.size(), QSize(64, 64));
  EXPECT_EQ(nonWhite(image), 0);
}

// --- layer names ----------------------------------------------------------------------------

struct LayerListCase {
  const char* list;
  std::optional<LayerMask> mask;
};

class ExactLayerList : public ::testing::TestWithParam<LayerListCase> {};

TEST_P(ExactLayerList, Parses) {
  EXPECT_EQ(parseLayerList(GetParam().list), GetParam().mask) << GetParam().list;
}

INSTANTIATE_TEST_SUITE_P(
    Names, ExactLayerList,
    ::testing::Values(LayerListCase{"F.Cu", 1u << 15}, LayerListCase{"b.cu,F.SilkS", 1u | 1u << 21},
                      LayerListCase{"*.Cu", 0xffffu}, LayerListCase{"*.Mask", 3u << 22},
                      LayerListCase{"In1.Cu", 1u << 14}, LayerListCase{"Edge.Cuts", 1u << 28},
                      LayerListCase{"F.Cu,Bogus", std::nullopt},
                      LayerListCase{"Dwgs.User,", 1u << 24}),
    [](const auto& param) { return "Case" + std::to_string(param.index); });

// --- the corpus -----------------------------------------------------------------------------

TEST(ExactCorpus, LogoOfPolygonsIsDrawn) {
  ModuleTable table;
  loadLibraryFile(std::string(TREVAK_CORPUS_DIR) + "/walter-2015/w_logo.mod", table);
  ASSERT_GT(table.RecordCount(), 0);
  for (int row = 0; row < table.RecordCount(); ++row) {
    const std::string body = table.recordAt(row).Comandos.value_or("");
    const ExactDrawing d(footprintFromBody(body, table.unit()), Options{});
    const QImage image = renderImage(d, 200);
    EXPECT_GT(nonWhite(image), image.width() * image.height() / 50)
        << table.recordAt(row).nome_Componente.value_or("");
  }
}

}  // namespace
}  // namespace trevak::exact
