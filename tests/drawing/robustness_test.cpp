// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "drawing/interpreter.h"
#include "drawing_fixture.h"
#include "library/body_lines.h"

namespace trevak {
namespace {

using Robustness = test::DrawingTest;

void expectPictureWithinLimits(const PanePicture& pane) {
  EXPECT_GE(pane.width, 0);
  EXPECT_GE(pane.height, 0);
  EXPECT_LE(pane.width, kMaxPictureSide);
  EXPECT_LE(pane.height, kMaxPictureSide);
  const QImage shown = paneImage(pane);
  EXPECT_EQ(shown.isNull(), pane.width == 0);
}

TEST_F(Robustness, ExtremeNumbersDrawWithinTheLimits) {
  const std::vector<std::string_view> lines = {
      "DS -2147483648 -2147483648 2147483647 2147483647 120 21",
      "DS 99999999999999 5 -99999999999999 5",
      "DC 0 0 -2147483648 0 120 21",
      "DC -2147483648 -2147483648 2147483647 0",
      "DA -2147483648 0 2147483647 0 -2147483648 120 21",
      "DA 0 0 2147483647 2147483647 2147483647",
      "DA 0 0 1 0 1",
      "S -2147483648 0 2147483647 2147483647",
      "T0 99999999999 99999999999 1 1 0 1 N V 21 N \"far\"",
      "T1 -99999999999 -99999999999 1 1 0 1 N V 21 N \"far\"",
      "F0 \"x\" -99999999999 99999999999",
      "$PAD",
      "Sh \"1\" R 1e308 1e308 0 0 1",
      "Dr 1e308",
      "Po -1e308 1e308",
      "$EndPAD",
      "$PAD",
      "Sh \"1\" C -1e308 nan 0 0 inf",
      "Dr -1e308",
      "Po 1.7976931348623157e308 -1.7976931348623157e308",
      "At \"\"",
      "$EndPAD",
  };
  for (int escala : {40, 100, 210}) {
    st.escala = escala;
    redesenhar(st, lines, true);
    expectPictureWithinLimits(pane);
    for (std::string_view line : lines) {  // each alone too
      redesenhar(st, {line}, true);
      expectPictureWithinLimits(pane);
    }
  }
}

TEST_F(Robustness, EveryPrefixOfTheExampleLinesDraws) {
  std::ifstream file(std::string(TREVAK_SOURCE_DIR) + "/examples/exemplo.mod", std::ios::binary);
  ASSERT_TRUE(file) << "examples/exemplo.mod is missing";
  std::stringstream bytes;
  bytes << file.rdbuf();
  const std::string text = bytes.str();
  const std::vector<std::string_view> lines = splitBodyLines(text);
  const std::set<std::string_view> distinct(lines.begin(), lines.end());
  redesenhar(st, {}, true);  // prepares the surface the way a redraw does
  for (std::string_view line : distinct) {
    for (std::size_t n = 0; n <= line.size(); ++n) interpreta_linha(st, line.substr(0, n), true);
  }
  st.dentro_pad = false;
  redesenhar(st, lines, true);
  expectPictureWithinLimits(pane);
}

}  // namespace
}  // namespace trevak
