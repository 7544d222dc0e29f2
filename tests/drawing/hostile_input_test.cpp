// SPDX-License-Identifier: GPL-3.0-or-later
// Hostile module lines: numbers far past 32 bits, arcs and outlines far larger than the
// surface at the edge scales, lines of a hundred thousand tokens, NUL bytes. Each draws
// without a crash, quickly, within the surfaces that exist, and the picture stays within its
// limits.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "drawing/interpreter.h"
#include "drawing_fixture.h"
#include "tests/common/resource_use.h"

namespace trevak {
namespace {

using test::kMiB;
using test::kSanitizerSlack;
using test::PeakMemory;
using test::Stopwatch;

constexpr double kSecondsAllowed = 30;  // a guard against hangs, not a benchmark

class HostileDrawing : public test::DrawingTest {
 protected:
  // Draws the lines at each edge scale and the start scale, texts on and off, and checks what
  // came out.
  void drawEverywhere(const std::vector<std::string_view>& lines) {
    const PeakMemory memory;
    const Stopwatch clock;
    for (const int escala : {40, 100, 210}) {
      for (const bool texts : {false, true}) {
        st.escala = escala;
        redesenhar(st, lines, texts);
        expectWithinLimits();
      }
    }
    EXPECT_LT(clock.seconds(), kSecondsAllowed);
    // The surfaces exist already; drawing allocates nothing of their size.
    EXPECT_LT(memory.growth(), 16 * kMiB + kSanitizerSlack);
  }

  void expectWithinLimits() {
    EXPECT_EQ(work.width(), Surface::kSize);
    EXPECT_EQ(work.height(), Surface::kSize);
    EXPECT_EQ(pane.raster.width(), Surface::kSize);
    EXPECT_EQ(pane.raster.height(), Surface::kSize);
    EXPECT_GE(pane.width, 0);
    EXPECT_GE(pane.height, 0);
    EXPECT_LE(pane.width, kMaxPictureSide);
    EXPECT_LE(pane.height, kMaxPictureSide);
    if (st.xmax != INT32_MIN) {
      EXPECT_GE(st.xmin, 0);
      EXPECT_GE(st.ymin, 0);
    }
  }
};

TEST_F(HostileDrawing, CoordinatesOfTwentyDigits) {
  const std::vector<std::string_view> lines = {
      "DS 99999999999999999999 -99999999999999999999 -99999999999999999999 99999999999999999999",
      "DS 0x99999999999999999999 $ffffffffffffffffffff -0X7fffffffffffffffffff 1",
      "DC 99999999999999999999 -99999999999999999999 -99999999999999999999 0",
      "DA 99999999999999999999 99999999999999999999 -99999999999999999999 1 99999999999999999999",
      "DA -99999999999999999999 0 99999999999999999999 0 -99999999999999999999",
      "S -99999999999999999999 -99999999999999999999 99999999999999999999 99999999999999999999",
      "T0 99999999999999999999 -99999999999999999999 1 1 0 1 N V 21 N \"far\"",
      "T1 -99999999999999999999 99999999999999999999 1 1 0 1 N V 21 N far",
      "F1 far 99999999999999999999 -99999999999999999999",
      "$PAD",
      "Sh \"1\" R 99999999999999999999 99999999999999999999 0 0 99999999999999999999",
      "Dr 99999999999999999999.99999999999999999999e99999999999999999999",
      "Po -99999999999999999999 99999999999999999999",
      "$EndPAD",
      "$PAD",
      "Sh \"2\" C 1e-99999999999999999999 0 0 0 0",
      "Po 99999999999999999999e-20 0.00000000000000000001",
      "$EndPAD",
  };
  drawEverywhere(lines);
  for (std::string_view line : lines) drawEverywhere({line});
}

TEST_F(HostileDrawing, ArcsWithRadiiNearTwoToThe31) {
  std::vector<std::string> lines;
  for (const char* centre : {"0 0", "-2147483648 -2147483648", "2147483647 0", "1000 -1000"}) {
    for (const char* start : {"2147483647 0", "-2147483648 2147483647", "0 2147483000",
                              "2147483647 2147483647", "1073741824 -1073741824"}) {
      for (const char* angle : {"0", "900", "-900", "1800", "3599", "-2147483648", "2147483647"}) {
        lines.push_back(std::string("DA ") + centre + " " + start + " " + angle + " 120 21");
      }
    }
  }
  // Circles too, whose radius is the distance of two x coordinates.
  lines.emplace_back("DC 0 0 2147483647 0 120 21");
  lines.emplace_back("DC -2147483648 0 2147483647 0 120 21");
  lines.emplace_back("DC 2147483647 -2147483648 -2147483648 0 120 21");
  drawEverywhere(std::vector<std::string_view>(lines.begin(), lines.end()));
}

TEST_F(HostileDrawing, HugeOutlinesAtTheEdgeScalesAreClippedToTheSurface) {
  const std::vector<std::string_view> lines = {
      "DS -2000000000 -2000000000 2000000000 2000000000 120 21",
      "DS -2000000000 2000000000 2000000000 -2000000000 120 21",
      "DC 0 0 2000000000 0 120 21",
      "DA 0 0 2000000000 0 1800 120 21",
      "S -2000000000 -2000000000 2000000000 2000000000",
      "$PAD",
      "Sh \"1\" R 4000000000 4000000000 0 0 0",
      "Dr 3000000000",
      "At SMD N 0",
      "Po 1 1",
      "$EndPAD",
  };
  for (const int escala : {40, 210}) {
    st.escala = escala;
    redesenhar(st, lines, true);
    expectWithinLimits();
    // The box runs from the floor at 0 to far past the surface: the picture is cut to the
    // largest side.
    EXPECT_EQ(st.xmin, 0);
    EXPECT_EQ(st.ymin, 0);
    EXPECT_EQ(pane.width, kMaxPictureSide);
    EXPECT_EQ(pane.height, kMaxPictureSide);
    // The segments crossed the whole surface: its corners are drawn.
    EXPECT_NE(at(0, 0), kWhite);
    EXPECT_NE(at(Surface::kSize - 1, Surface::kSize - 1), kWhite);
  }
  drawEverywhere(lines);
}

TEST_F(HostileDrawing, LinesOfAHundredThousandBlanksAndTokens) {
  const std::string blanks(100000, ' ');
  std::string tokens;
  for (int i = 0; i < 50000; ++i) tokens += i % 2 == 0 ? "1 " : "\"t t\" ";
  const std::vector<std::string> owned = {
      "DS" + blanks + tokens,
      "T0 " + tokens + blanks,
      "Fa" + blanks + "\"" + blanks + "\" 0 0",
      blanks,
      "$PAD",
      "Sh" + blanks + tokens,
      "Po " + tokens,
      "$EndPAD" + blanks + tokens,
      tokens,
  };
  drawEverywhere(std::vector<std::string_view>(owned.begin(), owned.end()));
  EXPECT_EQ(st.tokens.ntokens, Tokens::kSlots);
}

// A text of millions of characters: only what can reach the surface is laid out, so the time
// and memory stay small, and the surface shows what a text just wider than it shows.
TEST_F(HostileDrawing, TextsOfMillionsOfCharacters) {
  const std::size_t length = (test::kUnderSanitizer ? 1 : 8) * kMiB;
  const std::string huge(length, 'W');
  const std::string wide(1000, 'W');  // some 11,000 pixels: wider than the surface
  for (const std::string prefix : {"T1 0 0 1 1 0 1 N V 21 N ", "Fa "}) {
    SCOPED_TRACE(prefix);
    const std::string hugeLine = prefix + huge + (prefix[0] == 'F' ? " 0 0" : "");
    const std::string wideLine = prefix + wide + (prefix[0] == 'F' ? " 0 0" : "");
    draw({wideLine}, true);
    const QImage expected = work.image().copy();
    {
      const PeakMemory memory;
      const Stopwatch clock;
      draw({hugeLine}, true);
      EXPECT_LT(clock.seconds(), kSecondsAllowed / 10);
      // The line is split into tokens and its text copied on the way; nothing more.
      EXPECT_LT(memory.growth(), 4 * length + 16 * kMiB + kSanitizerSlack);
    }
    expectWithinLimits();
    EXPECT_TRUE(work.image() == expected);
    EXPECT_NE(ink(0, 0, Surface::kSize - 1, Surface::kSize - 1), 0);
  }
}

TEST_F(HostileDrawing, NulBytesInLines) {
  using namespace std::string_literals;
  const std::vector<std::string> owned = {
      "T0 0 0 600 600 0 120 N V 21 N \"a\0b\"\0"s,
      "T1\0 0 0 1 1 0 1 N V 21 N \0"s,
      "DS 0\0 0 1000 1000 120 21"s,
      "F\0 \0 0 0"s,
      "\0\0\0"s,
      "$PAD\0"s,
      "$PAD"s,
      "Sh \"\0\" R\0 600 600 0 0 0"s,
      "At S\0MD N 0"s,
      "Po \0 0"s,
      "$EndPAD"s,
  };
  drawEverywhere(std::vector<std::string_view>(owned.begin(), owned.end()));
}

}  // namespace
}  // namespace trevak
