// SPDX-License-Identifier: GPL-3.0-or-later
#include "drawing/coordinates.h"

#include <gtest/gtest.h>

#include <string>

namespace trevak {
namespace {

struct IntegerCase {
  std::string text;
  std::int32_t value;
};

class ReadInteger : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(ReadInteger, ReadsLikeThePlatform) {
  EXPECT_EQ(readInteger(GetParam().text), GetParam().value) << '"' << GetParam().text << '"';
}

INSTANTIATE_TEST_SUITE_P(
    Table, ReadInteger,
    ::testing::Values(IntegerCase{"", 0}, IntegerCase{"600", 600}, IntegerCase{"-600", -600},
                      IntegerCase{"+42", 42}, IntegerCase{"   -7", -7}, IntegerCase{"-1.5", 1},
                      IntegerCase{"12ab", 12}, IntegerCase{"-12ab", 12}, IntegerCase{"abc", 0},
                      IntegerCase{"-", 0}, IntegerCase{"$1F", 31}, IntegerCase{"x10", 16},
                      IntegerCase{"X10", 16}, IntegerCase{"0x10", 16}, IntegerCase{"-0XfF", -255},
                      IntegerCase{"$", 0}, IntegerCase{"7 ", 7},
                      // beyond 32 bits: saturated, never wrapped
                      IntegerCase{"2147483647", 2147483647},
                      IntegerCase{"-2147483648", -2147483647 - 1},
                      IntegerCase{"3000000000", 2147483647},
                      IntegerCase{"-99999999999999999999999", -2147483647 - 1},
                      IntegerCase{"-99999999999x", 2147483647},
                      IntegerCase{"$FFFFFFFFFF", 2147483647}));

struct PixelCase {
  std::int32_t escala;
  std::string text;
  std::int32_t pixel;
};

class Conversion : public ::testing::TestWithParam<PixelCase> {};

TEST_P(Conversion, BothAxesGiveThePixelWithOrWithoutWidening) {
  const PixelCase& c = GetParam();
  estado_desenho st;
  st.escala = c.escala;
  EXPECT_EQ(converte_x(st, c.text, false), c.pixel);
  EXPECT_EQ(converte_y(st, c.text, false), c.pixel);
  EXPECT_EQ(st.xmin, 2147483647);  // widen false leaves the box alone
  EXPECT_EQ(st.ymax, -2147483647 - 1);
  EXPECT_EQ(converte_x(st, c.text, true), c.pixel);
  EXPECT_EQ(converte_y(st, c.text, true), c.pixel);
}

INSTANTIATE_TEST_SUITE_P(Table, Conversion,
                         ::testing::Values(PixelCase{100, "0", 217}, PixelCase{100, "600", 222},
                                           PixelCase{100, "-600", 213}, PixelCase{100, "57", 217},
                                           PixelCase{100, "58", 218}, PixelCase{100, "-58", 217},
                                           PixelCase{100, "10000", 304},
                                           PixelCase{100, "-10000", 131}, PixelCase{100, "", 217},
                                           PixelCase{100, "-30000", -43}, PixelCase{50, "600", 118},
                                           PixelCase{50, "-600", 99}, PixelCase{50, "0", 108},
                                           PixelCase{200, "0", 434}, PixelCase{40, "0", 86},
                                           PixelCase{40, "600", 99}, PixelCase{210, "0", 456},
                                           PixelCase{210, "10000", 497},
                                           // saturated text converts like the 32-bit extreme
                                           PixelCase{40, "3000000000", 46684513},
                                           PixelCase{40, "2147483647", 46684513}));

TEST(ConversionBox, FirstWideningOfANegativePixelFloorsTheMinimumOnly) {
  estado_desenho st;
  EXPECT_EQ(converte_x(st, "-30000", true), -43);
  EXPECT_EQ(st.xmin, 0);
  EXPECT_EQ(st.xmax, -43);
  EXPECT_EQ(st.ymin, 2147483647);  // converte_x touches only the columns
  EXPECT_EQ(st.ymax, -2147483647 - 1);
}

TEST(ConversionBox, WideningKeepsTheExtremesOfEachAxis) {
  estado_desenho st;
  converte_y(st, "600", true);
  converte_y(st, "-600", true);
  converte_y(st, "0", true);
  EXPECT_EQ(st.ymin, 213);
  EXPECT_EQ(st.ymax, 222);
  EXPECT_EQ(st.xmin, 2147483647);
  st.resetBox();
  EXPECT_EQ(st.ymin, 2147483647);
  EXPECT_EQ(st.ymax, -2147483647 - 1);
}

}  // namespace
}  // namespace trevak
