// SPDX-License-Identifier: GPL-3.0-or-later
#include "drawing/interpreter.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <clocale>
#include <locale>
#include <string>

#include "drawing_fixture.h"

namespace trevak {
namespace {

using test::DrawingTest;
using test::kBlue;
using test::kGreen;
using test::kOlive;
using test::kRed;

using Pads = DrawingTest;

TEST_F(Pads, RoundPadCentredOnTenForAZeroYInItsPixelBox) {
  draw({"$PAD", "Sh \"1\" C 600 600 0 0 0", "Dr 320 0 0", "At STD", "Po -1500 0", "$EndPAD"});
  EXPECT_DOUBLE_EQ(st.pad_pos_y, 10);
  EXPECT_FALSE(st.dentro_pad);
  // Pixel box (202, 215)-(208, 220): columns 202..207, rows 215..219.
  EXPECT_EQ(st.xmin, 202);
  EXPECT_EQ(st.xmax, 208);
  EXPECT_EQ(st.ymin, 215);
  EXPECT_EQ(st.ymax, 220);
  EXPECT_EQ(at(204, 217), kGreen);
  EXPECT_EQ(at(202, 217), kGreen);
  EXPECT_EQ(at(207, 217), kGreen);
  EXPECT_EQ(at(208, 217), kWhite);
  EXPECT_EQ(at(204, 214), kWhite);
  EXPECT_EQ(at(202, 215), kWhite);  // corner outside the ellipse
  EXPECT_EQ(ink(195, 205, 215, 230), count(kGreen, 195, 205, 215, 230));
}

TEST_F(Pads, RotatedRectangleSwapsItsSizesAndItsEmptyDrillLeavesIt) {
  draw({"$PAD", "Sh \"2\" R 800 400 0 0 900", "Dr 0 0 0", "At SMD", "Po 1000 -500", "$EndPAD"});
  // Pixel box (224, 210)-(227, 217).
  EXPECT_EQ(st.xmin, 224);
  EXPECT_EQ(st.xmax, 227);
  EXPECT_EQ(st.ymin, 210);
  EXPECT_EQ(st.ymax, 217);
  EXPECT_EQ(count(kRed, 220, 205, 230, 222), 3 * 7);
  EXPECT_EQ(at(224, 210), kRed);
  EXPECT_EQ(at(226, 216), kRed);
  EXPECT_EQ(at(226, 214), kRed);  // the zero-size drill draws nothing
  EXPECT_EQ(at(227, 214), kWhite);
}

TEST_F(Pads, OvalAtTheOriginIsCentredOnTenTen) {
  draw({"$PAD", "Sh \"3\" O 600 1200 0 0 0", "Dr 300 0 0", "At STD", "Po 0 0", "$EndPAD"});
  EXPECT_EQ(st.xmin, 215);
  EXPECT_EQ(st.xmax, 220);
  EXPECT_EQ(st.ymin, 213);
  EXPECT_EQ(st.ymax, 222);
}

TEST_F(Pads, DrillsShowBlackInsideThePadColour) {
  // Large enough at scale 40 for the drills to have an inside.
  draw({"$PAD", "Sh \"1\" C 2000 2000 0 0 0", "Dr 1000 0 0", "At STD", "Po 0 0", "$EndPAD", "$PAD",
        "Sh \"2\" R 2000 2000 0 0 0", "At SMD", "Po 5000 0", "$EndPAD"},
       false, 40);
  EXPECT_EQ(at(86, 86), kBlack);  // round pad: green AND blue
  EXPECT_EQ(at(70, 86), kGreen);
  EXPECT_EQ(at(60, 86), kWhite);
  const int cx = 86 + 109;        // 5000 / 40 / 1.15 = 108.7
  EXPECT_EQ(at(cx, 86), kBlack);  // rectangular pad: drill filled black
  EXPECT_EQ(at(cx - 16, 86 - 16), kRed);
}

TEST_F(Pads, SegmentCrossingAPadTurnsBlackWhereTheyOverlap) {
  draw({"$PAD", "Sh \"1\" R 2000 2000 0 0 0", "Dr 0 0 0", "At SMD", "Po 0 0", "$EndPAD",
        "DS -3000 500 3000 500 120 21"},
       false, 40);
  const int row = 86 + 11;  // 500 / 46 = 10.9 -> 11
  EXPECT_EQ(at(80, row), kBlack);
  EXPECT_EQ(at(40, row), kBlue);
  EXPECT_EQ(at(80, row - 5), kRed);
}

struct ShapeCase {
  std::string sh;
  int width, height;  // of the pad box in pixels at scale 40
};

class PadShapes : public DrawingTest, public ::testing::WithParamInterface<ShapeCase> {};

TEST_P(PadShapes, SizesFollowShapeAndOrientation) {
  const std::string sh = GetParam().sh;
  draw({"$PAD", sh, "Dr 0 0 0", "At STD", "Po 0 0", "$EndPAD"}, false, 40);
  EXPECT_EQ(st.xmax - st.xmin, GetParam().width) << sh;
  EXPECT_EQ(st.ymax - st.ymin, GetParam().height) << sh;
}

INSTANTIATE_TEST_SUITE_P(
    Table, PadShapes,
    ::testing::Values(ShapeCase{"Sh \"1\" R 2000 1000 0 0 0", 43, 21},
                      ShapeCase{"Sh \"1\" R 2000 1000 0 0 450", 21, 43},
                      ShapeCase{"Sh \"1\" O 2000 1000 0 0 900", 21, 43},
                      ShapeCase{"Sh \"1\" T 2000 1000 0 0 1800", 21, 43},
                      ShapeCase{"Sh \"1\" R 2000 0 0 0 0", 43, 43},     // Y "0": square
                      ShapeCase{"Sh \"1\" C 2000 1000 0 0 0", 43, 43},  // circle
                      ShapeCase{"Sh \"1\" Circle 2000 1000 0 0 0", 43, 43},
                      ShapeCase{"Sh \"1\" c 2000 1000 0 0 0", 43, 21}));  // not C: ellipse

TEST_F(Pads, ColourByAttributeAndCarriedOverWhenABlockHasNone) {
  auto padAt = [&](const char* at) {
    std::vector<std::string_view> lines{"$PAD", "Sh \"1\" R 2000 2000 0 0 0", "Po 0 0"};
    if (at != nullptr) lines.push_back(at);
    lines.push_back("$EndPAD");
    st.escala = 40;
    redesenhar(st, lines, false);
    return this->at(70, 70);
  };
  EXPECT_EQ(padAt(nullptr), kOlive);  // no At since the start
  EXPECT_EQ(padAt("At STD N 00E0FFFF"), kGreen);
  EXPECT_EQ(padAt("At CONN"), kGreen);
  EXPECT_EQ(padAt("At SMD"), kRed);
  EXPECT_EQ(padAt(nullptr), kRed);  // the previous drawing's attribute
  EXPECT_EQ(padAt("At HOLE"), kOlive);
  EXPECT_EQ(padAt("At std"), kOlive);
}

TEST_F(Pads, FieldsAreNeverResetBetweenDrawings) {
  draw({"$PAD", "Sh \"1\" C 600 400 0 0 0", "Dr 320 0 0", "At SMD", "Po 1000 2000", "$EndPAD"});
  // The circle rule wrote size Y.
  EXPECT_DOUBLE_EQ(st.pad_tam_y, 600);
  draw({"$PAD", "Po 3000 0", "$EndPAD"}, false, 40);
  EXPECT_EQ(st.pad_forma, "C");
  EXPECT_EQ(st.pad_atributo, "SMD");
  EXPECT_DOUBLE_EQ(st.pad_furo, 320);
  EXPECT_DOUBLE_EQ(st.pad_pos_x, 3000);
  EXPECT_DOUBLE_EQ(st.pad_pos_y, 10);
  EXPECT_EQ(at(151, 87), kBlack);  // the drill at (3000, 10) of a red circle
  EXPECT_EQ(at(146, 87), kRed);
}

TEST_F(Pads, AnOpenPadCarriesIntoTheNextDrawing) {
  draw({"$PAD", "Sh \"1\" R 2000 2000 0 0 0", "At SMD"});
  EXPECT_TRUE(st.dentro_pad);
  EXPECT_EQ(pane.width, 101);  // nothing converted
  draw({"Po 0 0", "$EndPAD"}, false, 40);
  EXPECT_FALSE(st.dentro_pad);
  EXPECT_EQ(at(70, 70), kRed);
}

TEST_F(Pads, PadKeywordsAreExactCaseButTheOpeningIsNot) {
  draw({"$pad", "sh \"1\" R 2000 2000 0 0 0", "at SMD", "po 500 500", "$endpad"});
  EXPECT_TRUE(st.dentro_pad);
  EXPECT_EQ(st.pad_forma, "");
  EXPECT_EQ(st.pad_atributo, "");
  EXPECT_DOUBLE_EQ(st.pad_pos_x, 0);
  draw({"$EndPAD"});
  EXPECT_FALSE(st.dentro_pad);
  draw({"$EndPAD"});  // no pad open: nothing
  EXPECT_EQ(pane.width, 101);
  // Outside a pad the pad lines are ignored.
  draw({"Sh \"1\" R 600 600 0 0 0", "Po 700 700"});
  EXPECT_DOUBLE_EQ(st.pad_tam_x, 0);
}

TEST_F(Pads, BlankLinePassesThroughAnOpenPadEmptyLineDoesNot) {
  draw({"$PAD", "   ", ""});
  EXPECT_TRUE(st.dentro_pad);
  EXPECT_EQ(st.tokens.ntokens, 0);
}

TEST(InterpretaLinha, KeywordsReachTheirRoutinesIgnoringCase) {
  Surface work;
  PanePicture pane;
  estado_desenho st;
  st.imagem_trabalho = &work;
  st.imagem_destino = &pane;
  auto widened = [&](std::string_view line, bool texts) {
    st.resetBox();
    interpreta_linha(st, line, texts);
    return st.xmax != -2147483647 - 1;
  };
  EXPECT_TRUE(widened("ds 0 0 100 100 120 21", false));
  EXPECT_TRUE(widened("Dc 0 0 100 0 120 21", false));
  EXPECT_TRUE(widened("s 0 0 100 100", false));
  EXPECT_FALSE(widened("DA 0 0 1000 0 900 120 21", false));  // arcs never widen
  EXPECT_TRUE(widened("t1 0 0 600 600 0 120 N V 21 N VAL", true));
  EXPECT_FALSE(widened("T0 0 0 600 600 0 120 N V 21 N REF", false));
  EXPECT_TRUE(widened("F0 AB 0 0", false));
  EXPECT_TRUE(widened("Fp AB 0 0", false));
  EXPECT_FALSE(widened("F12 AB 0 0", false));
  EXPECT_FALSE(widened("DSX 0 0 100 100", false));
  EXPECT_FALSE(widened("Po 0 0 0 15 00000000 00000000 ~~", false));
  EXPECT_FALSE(widened("", false));
  EXPECT_EQ(st.imagem_trabalho->fontColor(), kTeal);  // set by the field texts
}

TEST(ReadReal, CLocaleWhateverTheUsersLocale) {
  // A comma-decimal locale everywhere it can be set.
  struct CommaPoint : std::numpunct<char> {
    char do_decimal_point() const override { return ','; }
  };
  const std::locale oldGlobal =
      std::locale::global(std::locale(std::locale::classic(), new CommaPoint));
  const QLocale oldQt;
  QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
  const std::string oldC = std::setlocale(LC_ALL, nullptr);
  for (const char* name : {"pt_BR.UTF-8", "pt_BR.utf8", "de_DE.UTF-8", "de_DE.utf8", "pt_BR"}) {
    if (std::setlocale(LC_ALL, name) != nullptr) break;
  }

  EXPECT_DOUBLE_EQ(readReal("600.5"), 600.5);
  EXPECT_DOUBLE_EQ(readReal("-1.5e3"), -1500);
  EXPECT_DOUBLE_EQ(readReal("  +.25"), 0.25);
  EXPECT_DOUBLE_EQ(readReal("2E-1"), 0.2);
  EXPECT_DOUBLE_EQ(readReal("1,5"), 1);  // a comma is no decimal point
  EXPECT_DOUBLE_EQ(readReal("1.2.3"), 1.2);
  EXPECT_DOUBLE_EQ(readReal(""), 0);
  EXPECT_DOUBLE_EQ(readReal("abc"), 0);
  EXPECT_DOUBLE_EQ(readReal("inf"), 0);
  EXPECT_DOUBLE_EQ(readReal("nan"), 0);
  EXPECT_DOUBLE_EQ(readReal("0x10"), 0);
  EXPECT_DOUBLE_EQ(readReal("1e999"), 0);

  Surface work;
  PanePicture pane;
  estado_desenho st;
  st.imagem_trabalho = &work;
  st.imagem_destino = &pane;
  redesenhar(st, {"$PAD", "Sh \"1\" R 600.5 300.25 0 0 0", "Po 1000.5 -0.0", "$EndPAD"}, false);
  EXPECT_DOUBLE_EQ(st.pad_tam_x, 600.5);
  EXPECT_DOUBLE_EQ(st.pad_tam_y, 300.25);
  EXPECT_DOUBLE_EQ(st.pad_pos_x, 1000.5);
  EXPECT_DOUBLE_EQ(st.pad_pos_y, 10);  // -0.0 is zero

  std::setlocale(LC_ALL, oldC.c_str());
  QLocale::setDefault(oldQt);
  std::locale::global(oldGlobal);
}

}  // namespace
}  // namespace trevak
