// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/tokenizer.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace trevak {
namespace {

struct TokenCase {
  std::string line;
  std::vector<std::pair<std::string, TokenKind>> expected;
};

class TokenizerSplits : public ::testing::TestWithParam<TokenCase> {};

TEST_P(TokenizerSplits, TextsAndKindsByPosition) {
  const TokenCase& c = GetParam();
  Tokens t;
  const int next = separa_tokens(t, c.line);
  ASSERT_EQ(t.ntokens, static_cast<int>(c.expected.size())) << c.line;
  EXPECT_EQ(next, t.ntokens + 1);
  for (std::size_t i = 0; i < c.expected.size(); ++i) {
    const int k = static_cast<int>(i) + 1;
    EXPECT_EQ(t[k].texto, c.expected[i].first) << c.line << " token " << k;
    EXPECT_EQ(t[k].tipo, c.expected[i].second) << c.line << " token " << k;
  }
  for (int k = t.ntokens + 1; k <= Tokens::kSlots; ++k) {
    ASSERT_TRUE(t[k].texto.empty());
    ASSERT_EQ(t[k].tipo, tk_vazio);
  }
}

constexpr TokenKind W = tk_palavra;
constexpr TokenKind N = tk_numero;

INSTANTIATE_TEST_SUITE_P(
    FootprintLines, TokenizerSplits,
    ::testing::Values(
        TokenCase{"$PAD", {{"$PAD", W}}},
        // A number that ends the line is a word: only a blank runs the number test.
        TokenCase{"Sh \"1\" C 600 600 0 0 900",
                  {{"Sh", W}, {"1", W}, {"C", W}, {"600", N}, {"600", N}, {"0", N}, {"0", N},
                   {"900", W}}},
        TokenCase{"T0 0 -600 600 600 0 120 N V 21 N \"R1\"",
                  {{"T0", W}, {"0", N}, {"-600", N}, {"600", N}, {"600", N}, {"0", N},
                   {"120", N}, {"N", W}, {"V", W}, {"21", N}, {"N", W}, {"R1", W}}},
        TokenCase{"$MODULE DIP-8__300", {{"$MODULE", W}, {"DIP-8__300", W}}},
        TokenCase{"DS 0 0 100 100 120 21",
                  {{"DS", W}, {"0", N}, {"0", N}, {"100", N}, {"100", N}, {"120", N}, {"21", W}}},
        TokenCase{"DS 0 0 100 100 120 21 ",
                  {{"DS", W}, {"0", N}, {"0", N}, {"100", N}, {"100", N}, {"120", N}, {"21", N}}},
        TokenCase{"T1 0 0 600 600 0 120 N V 21 N VAL",
                  {{"T1", W}, {"0", N}, {"0", N}, {"600", N}, {"600", N}, {"0", N}, {"120", N},
                   {"N", W}, {"V", W}, {"21", N}, {"N", W}, {"VAL", W}}},
        TokenCase{"", {}}, TokenCase{"     ", {}},
        TokenCase{"  a   b  ", {{"a", W}, {"b", W}}},
        TokenCase{"N \"\"", {{"N", W}, {"", W}}},
        TokenCase{"Sh \"1 C", {{"Sh", W}, {"1 C", tk_aspas}}},
        TokenCase{"abc\"de f\"g", {{"abc", W}, {"de f", W}, {"g", W}}},
        TokenCase{"a\tb", {{"a\tb", W}}},
        // Odd tokens that still count as numbers.
        TokenCase{"+ . 1-2 1.5 x", {{"+", N}, {".", N}, {"1-2", N}, {"1.5", N}, {"x", W}}},
        // Inside quotes line ends are text; outside, a line end ends the token unchecked.
        TokenCase{"\"a\rb\" 12\rx", {{"a\rb", W}, {"12", W}, {"x", W}}}));

TEST(Tokenizer, SlotsPastTheLineAreClearedAfterALongerLine) {
  Tokens t;
  separa_tokens(t, "a b c d e f g h i j k l");
  separa_tokens(t, "Sh \"1\" C 600 600 0 0 900");
  EXPECT_EQ(t.ntokens, 8);
  for (int k = 9; k <= Tokens::kSlots; ++k) {
    EXPECT_TRUE(t[k].texto.empty());
    EXPECT_EQ(t[k].tipo, tk_vazio);
  }
}

TEST(Tokenizer, KeepsThreeHundredTokensAndDropsTheRest) {
  std::string line;
  for (int i = 1; i <= 1000; ++i) line += std::to_string(i) + " ";
  Tokens t;
  EXPECT_EQ(separa_tokens(t, line), 301);
  EXPECT_EQ(t.ntokens, 300);
  EXPECT_EQ(t[300].texto, "300");
  EXPECT_TRUE(t[301].texto.empty());
  EXPECT_TRUE(t[0].texto.empty());
  EXPECT_TRUE(t[-5].texto.empty());
}

}  // namespace
}  // namespace trevak
