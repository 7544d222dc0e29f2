// SPDX-License-Identifier: GPL-3.0-or-later
#include "drawing/surface.h"

#include <gtest/gtest.h>

#include <QFontInfo>
#include <algorithm>
#include <cstdint>
#include <random>

namespace trevak {
namespace {

constexpr QRgb kWhite = 0xffffffffu;
constexpr QRgb kRed = 0xffff0000u;
constexpr QRgb kBlue = 0xff0000ffu;
constexpr QRgb kGreen = 0xff008000u;
constexpr QRgb kBlack = 0xff000000u;

int inkInRow(const Surface& s, int y, int x1, int x2) {
  int n = 0;
  for (int x = x1; x <= x2; ++x) n += s.pixel(x, y) != kWhite ? 1 : 0;
  return n;
}

TEST(Surface, StartsWhiteTwoThousandSquareAndReadsWhiteOutside) {
  Surface s;
  EXPECT_EQ(s.width(), 2000);
  EXPECT_EQ(s.height(), 2000);
  EXPECT_EQ(s.image().format(), QImage::Format_RGB32);
  EXPECT_EQ(s.pixel(0, 0), kWhite);
  EXPECT_EQ(s.pixel(1999, 1999), kWhite);
  EXPECT_EQ(s.pixel(-1, 5), kWhite);
  EXPECT_EQ(s.pixel(2000, 5), kWhite);
}

TEST(SurfaceLine, LeavesTheEndPixelOutAndMovesTheCurrentPosition) {
  Surface s(50, 50);
  s.setPenColor(kRed);
  s.moveTo(10, 10);
  s.lineTo(20, 10);
  EXPECT_EQ(inkInRow(s, 10, 0, 49), 10);
  EXPECT_EQ(s.pixel(10, 10), kRed);
  EXPECT_EQ(s.pixel(19, 10), kRed);
  EXPECT_EQ(s.pixel(20, 10), kWhite);
  // The next segment starts where the last one ended, and draws that pixel.
  s.lineTo(20, 15);
  EXPECT_EQ(s.pixel(20, 10), kRed);
  EXPECT_EQ(s.pixel(20, 14), kRed);
  EXPECT_EQ(s.pixel(20, 15), kWhite);
}

TEST(SurfaceLine, DiagonalAndReversedAndZeroLength) {
  Surface s(50, 50);
  s.moveTo(5, 5);
  s.lineTo(9, 9);
  for (int k = 5; k < 9; ++k) EXPECT_EQ(s.pixel(k, k), kBlack) << k;
  EXPECT_EQ(s.pixel(9, 9), kWhite);
  s.moveTo(30, 20);
  s.lineTo(20, 20);
  EXPECT_EQ(s.pixel(30, 20), kBlack);
  EXPECT_EQ(s.pixel(21, 20), kBlack);
  EXPECT_EQ(s.pixel(20, 20), kWhite);
  s.moveTo(40, 40);
  s.lineTo(40, 40);
  EXPECT_EQ(s.pixel(40, 40), kWhite);
}

TEST(SurfaceLine, HugeCoordinatesAreClippedNotWalked) {
  Surface s(100, 100);
  s.moveTo(-2000000000, 7);
  s.lineTo(2000000000, 7);
  EXPECT_EQ(inkInRow(s, 7, 0, 99), 100);
  EXPECT_EQ(inkInRow(s, 6, 0, 99), 0);
}

TEST(SurfaceRectangle, BoxExcludesRightColumnAndBottomRow) {
  Surface s(50, 50);
  s.setPenColor(kBlue);
  s.setBrushColor(kRed);
  s.rectangle(20, 15, 10, 10);  // corners in any order
  EXPECT_EQ(s.pixel(10, 10), kBlue);
  EXPECT_EQ(s.pixel(19, 14), kBlue);
  EXPECT_EQ(s.pixel(15, 12), kRed);
  EXPECT_EQ(s.pixel(20, 12), kWhite);
  EXPECT_EQ(s.pixel(15, 15), kWhite);
  EXPECT_EQ(s.pixel(9, 12), kWhite);
  s.rectangle(30, 30, 30, 40);  // empty box
  EXPECT_EQ(s.pixel(30, 35), kWhite);
}

TEST(SurfaceEllipse, InscribedInTheBoxTouchingItsEdgesSymmetrically) {
  Surface s(50, 50);
  s.setPenColor(kBlue);
  s.setBrushColor(kRed);
  s.ellipse(10, 10, 30, 20);  // 20 x 10 pixels: columns 10..29, rows 10..19
  EXPECT_GT(inkInRow(s, 10, 0, 49), 0);
  EXPECT_GT(inkInRow(s, 19, 0, 49), 0);
  EXPECT_EQ(inkInRow(s, 9, 0, 49), 0);
  EXPECT_EQ(inkInRow(s, 20, 0, 49), 0);
  EXPECT_EQ(s.pixel(10, 14), kBlue);
  EXPECT_EQ(s.pixel(29, 15), kBlue);
  EXPECT_EQ(s.pixel(30, 15), kWhite);
  EXPECT_EQ(s.pixel(10, 10), kWhite);  // the box's corner is outside the ellipse
  EXPECT_EQ(s.pixel(20, 15), kRed);
  for (int y = 10; y < 20; ++y) {
    for (int x = 10; x < 30; ++x) {
      EXPECT_EQ(s.pixel(x, y), s.pixel(39 - x, y)) << x << "," << y;
      EXPECT_EQ(s.pixel(x, y), s.pixel(x, 29 - y)) << x << "," << y;
    }
  }
}

TEST(SurfaceEllipse, SmallBoxesAreAllOutline) {
  Surface s(20, 20);
  s.setPenColor(kBlue);
  s.setBrushColor(kRed);
  s.ellipse(5, 5, 7, 6);
  EXPECT_EQ(s.pixel(5, 5), kBlue);
  EXPECT_EQ(s.pixel(6, 5), kBlue);
  EXPECT_EQ(inkInRow(s, 5, 0, 19), 2);
  s.ellipse(10, 10, 10, 10);
  EXPECT_EQ(s.pixel(10, 10), kWhite);
}

TEST(SurfaceMask, PenAndBrushAndTheColoursBelowButFillsReplace) {
  Surface s(50, 50);
  s.setPenMode(PenMode::Mask);
  s.setPenColor(kRed);
  s.moveTo(0, 5);
  s.lineTo(50, 5);
  s.setPenColor(kBlue);
  s.moveTo(5, 0);
  s.lineTo(5, 50);
  EXPECT_EQ(s.pixel(5, 5), kBlack);  // red AND blue
  EXPECT_EQ(s.pixel(6, 5), kRed);
  EXPECT_EQ(s.pixel(5, 6), kBlue);
  s.setPenColor(kGreen);
  s.setBrushColor(kBlue);
  s.rectangle(20, 20, 30, 30);
  EXPECT_EQ(s.pixel(20, 20), kGreen);
  EXPECT_EQ(s.pixel(25, 25), kBlue);
  s.setBrushColor(kRed);
  s.fillRect(24, 24, 26, 26);
  EXPECT_EQ(s.pixel(25, 25), kRed);  // not masked
  EXPECT_EQ(s.pixel(26, 26), kBlue);
}

TEST(SurfaceText, CellsFilledWithTheBrushThenGlyphsInTheFontColour) {
  Surface s(200, 50);
  s.setPenMode(PenMode::Mask);
  s.setBrushColor(kBlue);
  s.fillRect(0, 0, 200, 50);
  s.setBrushColor(kRed);
  s.setFontColor(kGreen);
  s.textOut(10, 20, "Wm");
  const QSize cell = s.textExtent("Wm");
  EXPECT_GE(cell.height(), 11);
  EXPECT_LE(cell.height(), 16);
  EXPECT_GT(cell.width(), 10);
  int red = 0, green = 0, other = 0;
  for (int y = 20; y < 20 + cell.height(); ++y) {
    for (int x = 10; x < 10 + cell.width(); ++x) {
      const QRgb p = s.pixel(x, y);
      red += p == kRed;
      green += p == kGreen;
      other += p != kRed && p != kGreen;
    }
  }
  EXPECT_GT(red, 0);
  EXPECT_GT(green, 0);
  EXPECT_EQ(other, 0);               // no antialiasing, no masking
  EXPECT_EQ(s.pixel(10, 20), kRed);  // top-left corner of the first cell
  EXPECT_EQ(s.pixel(9, 20), kBlue);
  EXPECT_EQ(s.pixel(10, 19), kBlue);
}

TEST(SurfaceText, DejaVuSansAtElevenPixelsWhateverTheScreen) {
  const QFontInfo info(Surface::font());
  EXPECT_EQ(info.family(), QStringLiteral("DejaVu Sans"));
  EXPECT_EQ(info.pixelSize(), 11);
}

TEST(SurfaceText, FarAwayTextIsSkipped) {
  Surface s(100, 100);
  s.textOut(2000000000, 2000000000, "far");
  s.textOut(-2000000000, 5, "far");
  EXPECT_EQ(inkInRow(s, 8, 0, 99), 0);
}

TEST(SurfaceCopy, PixelsFromOutsideTheSourceArriveWhite) {
  Surface src(10, 10);
  src.setBrushColor(kRed);
  src.fillRect(0, 0, 10, 10);
  Surface dst(30, 30);
  dst.setBrushColor(kBlue);
  dst.fillRect(0, 0, 30, 30);
  dst.copyFrom(src, -5, -5, 0, 0, 20, 20);
  EXPECT_EQ(dst.pixel(0, 0), kWhite);
  EXPECT_EQ(dst.pixel(4, 10), kWhite);
  EXPECT_EQ(dst.pixel(5, 5), kRed);
  EXPECT_EQ(dst.pixel(14, 14), kRed);
  EXPECT_EQ(dst.pixel(15, 10), kWhite);
  EXPECT_EQ(dst.pixel(19, 19), kWhite);
  EXPECT_EQ(dst.pixel(20, 20), kBlue);      // outside the destination rectangle
  dst.copyFrom(src, 0, 0, 25, 25, 10, 10);  // runs past the destination's edge
  EXPECT_EQ(dst.pixel(29, 29), kRed);
}

TEST(SurfaceArc, CoincidentRaysGiveTheWholeOutline) {
  Surface a(40, 40), e(40, 40);
  // Centre (20.5, 15.5): the middle of pixel (20, 15); both rays point right.
  a.arc(5, 5, 36, 26, 30, 15, 35, 15);
  e.setBrushColor(kWhite);
  e.ellipse(5, 5, 36, 26);
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 40; ++x) ASSERT_EQ(a.pixel(x, y), e.pixel(x, y)) << x << "," << y;
  }
}

TEST(SurfaceTouchedArea, EmptyOnANewSurfaceAndAfterAWholeFill) {
  Surface s(100, 80);
  EXPECT_TRUE(s.touchedArea().isEmpty());
  s.moveTo(10, 20);
  s.lineTo(30, 25);
  EXPECT_EQ(s.touchedArea(), QRect(10, 20, 21, 6));
  s.setBrushColor(kWhite);
  s.fillRect(0, 0, 100, 80);
  EXPECT_TRUE(s.touchedArea().isEmpty());
  EXPECT_EQ(s.pixel(10, 20), kWhite);
}

TEST(SurfaceTouchedArea, ClippedToTheSurface) {
  Surface s(100, 80);
  s.rectangle(-50, -50, 500, 10);
  EXPECT_EQ(s.touchedArea(), QRect(0, 0, 100, 10));
  Surface t(100, 80);
  t.ellipse(200, 200, 300, 300);  // wholly outside: nothing touched
  EXPECT_TRUE(t.touchedArea().isEmpty());
}

TEST(SurfaceTouchedArea, APartialFillInTheBackgroundKeepsWhatItDoesNotCover) {
  Surface s(100, 80);
  s.setBrushColor(kRed);
  s.fillRect(10, 10, 20, 20);
  s.fillRect(60, 60, 70, 70);
  s.setBrushColor(kWhite);
  s.fillRect(0, 0, 50, 50);  // covers the first square only
  EXPECT_EQ(s.pixel(15, 15), kWhite);
  EXPECT_EQ(s.pixel(65, 65), kRed);
  EXPECT_TRUE(s.touchedArea().contains(QPoint(65, 65)));
  s.fillRect(0, 0, 100, 80);
  EXPECT_EQ(s.pixel(65, 65), kWhite);
  EXPECT_TRUE(s.touchedArea().isEmpty());
}

TEST(SurfaceTouchedArea, AWholeFillInAnotherColourIsTheNewBackground) {
  Surface s(60, 40);
  s.setBrushColor(kBlue);
  s.fillRect(0, 0, 60, 40);
  EXPECT_TRUE(s.touchedArea().isEmpty());
  s.setPenColor(kRed);
  s.moveTo(5, 5);
  s.lineTo(10, 5);
  s.setBrushColor(kWhite);
  s.fillRect(0, 0, 60, 40);  // must reach the blue pixels outside the segment as well
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 60; ++x) ASSERT_EQ(s.pixel(x, y), kWhite) << x << "," << y;
  }
}

/// Every kind of operation, at random places (partly and wholly off the surface), in random
/// colours and modes, on two surfaces. The second one is made blank by a fill in another
/// colour before each whole fill, so its whole fills really paint every pixel; the first
/// relies on its touched area. After every operation the two must be pixel-identical, and every
/// pixel of the first outside its touched area must have the colour of its last whole fill.
TEST(SurfaceTouchedArea, WholeFillsMatchFillsOfEveryPixelOverRandomOperations) {
  constexpr int kW = 240, kH = 160;
  Surface fast(kW, kH), full(kW, kH);
  Surface source(90, 70);
  source.setBrushColor(kGreen);
  source.ellipse(5, 5, 80, 60);
  const QRgb palette[] = {kWhite, kRed, kBlue, kGreen, kBlack, 0xff808000u, 0xff008080u};
  std::mt19937 random(20260101);
  auto pick = [&](int lo, int hi) {
    return lo + static_cast<int>(random() % static_cast<std::uint32_t>(hi - lo + 1));
  };
  auto colour = [&] { return palette[pick(0, 6)]; };
  auto coord = [&](int size) { return pick(-60, size + 60); };
  QRgb background = kWhite;

  for (int step = 0; step < 3000; ++step) {
    const int op = pick(0, 9);
    const QRgb pen = colour(), brush = colour(), font = colour();
    const PenMode mode = pick(0, 1) == 0 ? PenMode::Copy : PenMode::Mask;
    const int x1 = coord(kW), y1 = coord(kH), x2 = coord(kW), y2 = coord(kH);
    const int x3 = coord(kW), y3 = coord(kH), x4 = coord(kW), y4 = coord(kH);
    const int w = pick(1, 120), h = pick(1, 90);
    auto apply = [&](Surface& s) {
      s.setPenColor(pen);
      s.setBrushColor(brush);
      s.setFontColor(font);
      s.setPenMode(mode);
      switch (op) {
        case 0:
          s.moveTo(x1, y1);
          s.lineTo(x2, y2);
          break;
        case 1:
          s.rectangle(x1, y1, x2, y2);
          break;
        case 2:
          s.ellipse(x1, y1, x2, y2);
          break;
        case 3:
          s.arc(x1, y1, x2, y2, x3, y3, x4, y4);
          break;
        case 4:
          s.textOut(x1, y1, "Wjg_|");
          break;
        case 5:
          s.fillRect(x1, y1, x2, y2);
          break;
        case 6:
          s.copyFrom(source, x3 - 60, y3 - 60, x1, y1, w, h);
          break;
        default:
          break;
      }
    };
    if (op <= 6) {
      apply(fast);
      apply(full);
      const bool wholeFill = op == 5 && std::min(x1, x2) <= 0 && std::min(y1, y2) <= 0 &&
                             std::max(x1, x2) >= kW && std::max(y1, y2) >= kH;
      if (wholeFill) background = brush;
    } else {
      // A whole fill, mostly in the background colour (the redraw's clear), at times in another.
      const QRgb fill = op == 9 ? colour() : background;
      full.setBrushColor(fill == kRed ? kBlue : kRed);
      full.fillRect(0, 0, kW, kH);
      for (Surface* s : {&fast, &full}) {
        s->setBrushColor(fill);
        s->fillRect(-10, -10, kW + op, kH + 10);
      }
      background = fill;
      ASSERT_TRUE(fast.touchedArea().isEmpty()) << step;
    }
    ASSERT_EQ(fast.image(), full.image()) << "step " << step << ", operation " << op;
    const QRect touched = fast.touchedArea();
    for (int y = 0; y < kH; ++y) {
      const auto* row = reinterpret_cast<const QRgb*>(fast.image().constScanLine(y));
      for (int x = 0; x < kW; ++x) {
        if (row[x] == background || touched.contains(x, y)) continue;
        FAIL() << "outside the touched area at " << x << "," << y << ", step " << step << ", op "
               << op;
      }
    }
  }
}

}  // namespace
}  // namespace trevak
