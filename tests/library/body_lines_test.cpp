// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/body_lines.h"

#include <gtest/gtest.h>

namespace trevak {
namespace {

using Lines = std::vector<std::string_view>;

TEST(BodyLines, SplitsAtEveryLineEndWithoutATrailingEmptyLine) {
  EXPECT_EQ(splitBodyLines(""), Lines{});
  EXPECT_EQ(splitBodyLines("a\r"), Lines{"a"});
  EXPECT_EQ(splitBodyLines("a"), Lines{"a"});
  EXPECT_EQ(splitBodyLines("a\r\rb\r"), (Lines{"a", "", "b"}));
  EXPECT_EQ(splitBodyLines("a\r\nb\nc\rd"), (Lines{"a", "b", "c", "d"}));
  EXPECT_EQ(splitBodyLines("\r"), Lines{""});
  EXPECT_EQ(splitBodyLines("  x\t \r"), Lines{"  x\t "});
}

TEST(BodyLines, JoinGivesBackTheReadersBody) {
  const std::string body = "Po 0 0 0 15 0 0\r\r$PAD\r  Sh \"1\" C 600 600 0 0 0\r";
  EXPECT_EQ(joinBodyLines(splitBodyLines(body)), body);
}

// The search goes sixteen bytes at a time and then byte by byte: a line end must be found in
// either part and at either edge of a block, and nothing past the end may count.
TEST(BodyLines, FindsTheFirstLineEndAtEveryPlace) {
  for (const char lineEnd : {'\r', '\n'}) {
    for (std::size_t length = 0; length <= 40; ++length) {
      for (std::size_t at = 0; at <= length; ++at) {
        std::string text(length, 'x');
        if (at < length) text[at] = lineEnd;
        // A second end after the first must not win.
        if (at + 1 < length) text[at + 1] = lineEnd == '\r' ? '\n' : '\r';
        const std::string padded = text + "\r\n";  // a line end just past the range
        EXPECT_EQ(findLineEnd(padded.data(), padded.data() + length) - padded.data(),
                  static_cast<std::ptrdiff_t>(at))
            << "length " << length << " at " << at;
      }
    }
  }
}

TEST(BodyLines, LongLinesSplitLikeShortOnes) {
  const std::string longLine(37, 'y');
  const std::string body = longLine + "\r\n" + longLine + "\r\r" + std::string(16, 'z') + "\n";
  EXPECT_EQ(splitBodyLines(body), (Lines{longLine, longLine, "", std::string(16, 'z')}));
}

}  // namespace
}  // namespace trevak
