// SPDX-License-Identifier: GPL-3.0-or-later
#include "drawing/preview.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string_view>
#include <vector>

#include "drawing_fixture.h"

namespace trevak {
namespace {

using test::DrawingTest;
using test::kBlue;
using test::kRed;

using Redraw = DrawingTest;

TEST_F(Redraw, CopiesTheBoxWithItsMarginAtNaturalSize) {
  // Columns 150 to 350, rows 180 to 260.
  draw({"DS -7800 -4350 15300 4950 120 21"});
  EXPECT_EQ(st.xmin, 150);
  EXPECT_EQ(st.xmax, 350);
  EXPECT_EQ(st.ymin, 180);
  EXPECT_EQ(st.ymax, 260);
  ASSERT_EQ(pane.width, 300);
  ASSERT_EQ(pane.height, 180);
  const QImage shown = paneImage(pane);
  EXPECT_EQ(shown.size(), QSize(300, 180));
  // Working pixel (x, y) shows at (x - 100, y - 130).
  EXPECT_EQ(at(150, 180), kBlue);
  EXPECT_EQ(shown.pixel(50, 50), kBlue);
  for (int x = 100; x < 400; x += 7) {
    for (int y = 130; y < 310; y += 5) {
      ASSERT_EQ(shown.pixel(x - 100, y - 130), at(x, y)) << x << "," << y;
    }
  }
}

TEST_F(Redraw, LeavesTheWorkingSurfaceInMaskModeWithABlackPen) {
  draw({"Po 0 0"});
  EXPECT_EQ(work.penMode(), PenMode::Mask);
  EXPECT_EQ(work.penColor(), kBlack);
  EXPECT_EQ(work.brushColor(), kWhite);
}

TEST_F(Redraw, NothingWidenedGivesABlankPictureOf101) {
  pane.raster.setBrushColor(kRed);
  pane.raster.fillRect(0, 0, 2000, 2000);
  draw({"DA 0 0 1000 0 900 120 21", "Cd an arc only"});
  EXPECT_EQ(pane.width, 101);
  EXPECT_EQ(pane.height, 101);
  const QImage shown = paneImage(pane);
  ASSERT_EQ(shown.size(), QSize(101, 101));
  for (int y = 0; y < 101; ++y) {
    for (int x = 0; x < 101; ++x) ASSERT_EQ(shown.pixel(x, y), kWhite);
  }
  EXPECT_EQ(pane.raster.pixel(1500, 1500), kWhite);  // the whole raster is cleared
}

TEST_F(Redraw, MarginBeyondTheSurfaceIsWhite) {
  // The pad reaches column 0, so the 50 columns of margin on its left lie off the surface.
  draw({"$PAD", "Sh \"1\" R 2000 2000 0 0 0", "At SMD", "Po -24900 0", "$EndPAD"});
  EXPECT_EQ(st.xmin, 0);
  const QImage shown = paneImage(pane);
  EXPECT_EQ(shown.pixel(10, 60), kWhite);
  EXPECT_EQ(shown.pixel(50, 60), kRed);
}

TEST_F(Redraw, PicturesAreCutAt2100) {
  draw({"DS 0 0 3000000 3000000 120 21"});
  EXPECT_EQ(pane.width, 2100);
  EXPECT_EQ(pane.height, 2100);
  const QImage shown = paneImage(pane);
  ASSERT_EQ(shown.size(), QSize(2100, 2100));
  EXPECT_EQ(shown.pixel(2050, 2050), kWhite);  // past the raster
  EXPECT_EQ(shown.pixel(50, 50), kBlue);       // the segment's start (217, 217)
}

TEST_F(Redraw, DrawingWhollyFarNegativeShowsNothing) {
  draw({"DS -300000 -300000 -310000 -310000 120 21"});
  EXPECT_EQ(st.xmin, 0);
  EXPECT_LT(st.xmax, -100);
  EXPECT_EQ(pane.width, 0);
  EXPECT_EQ(pane.height, 0);
  EXPECT_TRUE(paneImage(pane).isNull());
}

TEST_F(Redraw, SaturatedCoordinatesDoNotWrap) {
  draw({"DS 0 0 4294967296000 0 120 21"});  // 1000 x 2^32: wrapping would read 0
  EXPECT_GT(st.xmax, 1000000);              // saturated at the 32-bit maximum, not wrapped negative
  EXPECT_EQ(pane.width, 2100);
  EXPECT_EQ(pane.height, 100);
}

TEST_F(Redraw, EachPictureLeavesTheRestOfThePaneRasterWhite) {
  // Large, small, wide, tall, nothing: the raster beyond each picture must hold nothing of the
  // pictures before it.
  const std::vector<std::vector<std::string_view>> bodies = {
      {"DS 0 0 3000000 3000000 120 21", "DC 0 0 40000 0 120 21"},
      {"DS -7800 -4350 15300 4950 120 21"},
      {"DS -90000 0 90000 0 120 21"},
      {"DS 0 -90000 0 90000 120 21"},
      {"DA 0 0 1000 0 900 120 21"},
  };
  for (const auto& body : bodies) {
    redesenhar(st, body, false);
    const QImage& raster = pane.raster.image();
    for (int y = 0; y < raster.height(); ++y) {
      const auto* row = reinterpret_cast<const QRgb*>(raster.constScanLine(y));
      const int from = y < pane.height ? std::max(pane.width, 0) : 0;
      for (int x = from; x < raster.width(); ++x) {
        ASSERT_EQ(row[x], kWhite) << body.front() << " at " << x << "," << y;
      }
    }
  }
}

TEST_F(Redraw, ClearingTouchesOnlyTheTargetsVisibleArea) {
  pane.raster.setBrushColor(kRed);
  pane.raster.fillRect(0, 0, 2000, 2000);
  pane.width = 100;
  pane.height = 50;
  work.setBrushColor(kRed);
  work.fillRect(0, 0, 2000, 2000);
  apagarimage1(st);
  EXPECT_EQ(work.pixel(1999, 1999), kWhite);
  EXPECT_EQ(pane.raster.pixel(99, 49), kWhite);
  EXPECT_EQ(pane.raster.pixel(100, 10), kRed);
  EXPECT_EQ(pane.raster.pixel(10, 50), kRed);
}

TEST_F(Redraw, ApagarClearsButKeepsSizeBoxAndTarget) {
  draw({"DS -7800 -4350 15300 4950 120 21"});
  PanePicture other;
  st.imagem_destino = &other;
  limparEdicao(st, pane);
  EXPECT_EQ(pane.width, 300);
  EXPECT_EQ(pane.height, 180);
  EXPECT_EQ(st.xmax, 350);
  EXPECT_EQ(st.imagem_destino, &other);
  EXPECT_EQ(pane.raster.pixel(50, 50), kWhite);
  EXPECT_EQ(work.pixel(150, 180), kWhite);
  const QImage shown = paneImage(pane);
  EXPECT_EQ(shown.size(), QSize(300, 180));
}

TEST_F(Redraw, TypicalModuleBodyDrawsAtEveryScale) {
  for (int escala = 40; escala <= 210; escala += 10) {
    draw({"$PAD", "Sh \"1\" C 600 600 0 0 0", "Dr 320 0 0", "At STD", "Po -1500 0", "$EndPAD",
          "DS -2000 -1000 2000 -1000 120 21", "DC 0 0 500 0 120 21"},
         false, escala);
    EXPECT_GT(pane.width, 100) << escala;
    EXPECT_GT(pane.height, 100) << escala;
    const QImage shown = paneImage(pane);
    EXPECT_EQ(shown.pixel(50, 50), kBlue) << escala;  // the segment's start is the box's corner
  }
}

}  // namespace
}  // namespace trevak
