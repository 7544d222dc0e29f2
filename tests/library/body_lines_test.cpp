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

}  // namespace
}  // namespace trevak
