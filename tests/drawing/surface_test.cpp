// SPDX-License-Identifier: GPL-3.0-or-later
#include "drawing/surface.h"

#include <gtest/gtest.h>

#include <QFontInfo>

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

}  // namespace
}  // namespace trevak
