// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/sexpr_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace trevak {
namespace {

using Token = SexprReader::Token;

// Every token of a text as "(" ")" "a:ATOM" "s:TEXT", up to End or "error:MESSAGE@L:C".
std::vector<std::string> tokensOf(std::string_view text) {
  std::vector<std::string> out;
  SexprReader r(text);
  for (;;) {
    const Token t = r.next();
    switch (t) {
      case Token::Open: out.emplace_back("("); break;
      case Token::Close: out.emplace_back(")"); break;
      case Token::Atom: out.push_back("a:" + r.text()); break;
      case Token::String: out.push_back("s:" + r.text()); break;
      case Token::End: return out;
      case Token::Error:
        out.push_back("error:" + r.error().message + "@" + std::to_string(r.error().line) + ":" +
                      std::to_string(r.error().column));
        return out;
    }
  }
}

struct TokenCase {
  std::string text;
  std::vector<std::string> expected;
};

class SexprReaderTokens : public ::testing::TestWithParam<TokenCase> {};

TEST_P(SexprReaderTokens, SplitsAsKicadReads) {
  EXPECT_EQ(tokensOf(GetParam().text), GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SexprReaderTokens,
    ::testing::Values(
        TokenCase{"", {}}, TokenCase{" \t\r\n\f\v", {}},
        TokenCase{"(a b)", {"(", "a:a", "a:b", ")"}},
        TokenCase{"(at 1.5 -2)", {"(", "a:at", "a:1.5", "a:-2", ")"}},
        TokenCase{"((x))", {"(", "(", "a:x", ")", ")"}},
        // KiCad 5's unquoted strings keep every byte up to a blank or a parenthesis.
        TokenCase{"(module R_0805:x\"y (layer F.Cu))",
                  {"(", "a:module", "a:R_0805:x\"y", "(", "a:layer", "a:F.Cu", ")", ")"}},
        TokenCase{"(a\"b c\")", {"(", "a:a\"b", "a:c\"", ")"}},
        TokenCase{"(\"\")", {"(", "s:", ")"}},
        TokenCase{"(\"a b\"\"c\")", {"(", "s:a b", "s:c", ")"}},
        TokenCase{"(\"(not a list)\")", {"(", "s:(not a list)", ")"}},
        TokenCase{R"(("q\"q" "b\\s" "\n\t\r" "\x41\x4" "\101\7z" "\q" "\xg"))",
                  {"(", "s:q\"q", "s:b\\s", "s:\n\t\r", "s:A\x04", "s:A\az", "s:q", "s:xg",
                   ")"}},
        TokenCase{"(\"multi\nline\")", {"(", "s:multi\nline", ")"}},
        TokenCase{"(\xc3\xa7 \"\xff\xfe\")", {"(", "a:\xc3\xa7", "s:\xff\xfe", ")"}},
        TokenCase{"(a))", {"(", "a:a", ")", "error:unexpected ')' with no list open@1:4"}},
        TokenCase{")", {"error:unexpected ')' with no list open@1:1"}},
        TokenCase{"(a\n (b", {"(", "a:a", "(", "a:b",
                               "error:expected ')' before the end of the file@2:4"}},
        TokenCase{"(a\n  \"open",
                  {"(", "a:a",
                   "error:string left open: no closing '\"' before the end of the file@2:3"}},
        TokenCase{"(\"ends in a backslash\\",
                  {"(", "error:string left open: no closing '\"' before the end of the file@1:2"}},
        TokenCase{"(\"x\\\")", {"(", "error:string left open: no closing '\"' before the end of "
                                     "the file@1:2"}},
        TokenCase{std::string("(a\0b)", 5), {"(", "a:a", "error:NUL byte in the text@1:3"}},
        TokenCase{std::string("(\"a\0\")", 6), {"(", "error:NUL byte in the text@1:4"}},
        TokenCase{std::string("(\"a\\\0\")", 7), {"(", "error:NUL byte in the text@1:5"}}));

TEST(SexprReaderPositions, LinesAndColumnsOfTokens) {
  SexprReader r("(a\n  (bb \"x\ny\" c)\r\n)");
  std::vector<std::pair<int, int>> at;
  while (r.next() != Token::End) {
    ASSERT_NE(r.token(), Token::Error) << r.error().message;
    at.emplace_back(r.line(), r.column());
  }
  const std::vector<std::pair<int, int>> expected{{1, 1}, {1, 2}, {2, 3}, {2, 4}, {2, 7},
                                                  {3, 4}, {3, 5}, {4, 1}};
  EXPECT_EQ(at, expected);
}

TEST(SexprReaderPositions, DepthCountsOpenLists) {
  SexprReader r("(a (b) c)");
  std::vector<std::int64_t> depths;
  while (r.next() != Token::End) depths.push_back(r.depth());
  EXPECT_EQ(depths, (std::vector<std::int64_t>{1, 1, 2, 2, 1, 1, 0}));
}

TEST(SexprReaderSkip, SkipsAWholeListFromItsOpenOrInside) {
  SexprReader r("(a (b (c \")\") d) f)");
  ASSERT_EQ(r.next(), Token::Open);
  ASSERT_EQ(r.next(), Token::Atom);
  ASSERT_EQ(r.next(), Token::Open);  // (b
  ASSERT_EQ(r.skipList(), Token::Close);
  ASSERT_EQ(r.next(), Token::Atom);
  EXPECT_EQ(r.raw(), "f");
  ASSERT_EQ(r.skipList(), Token::Close);  // from inside the outer list
  EXPECT_EQ(r.depth(), 0);
  EXPECT_EQ(r.next(), Token::End);
}

// Skipping reads quotes as next() does: inside an atom a quote is a byte of it, after a blank, a
// parenthesis or a string it opens a string.
TEST(SexprReaderSkip, QuotesAsTokensReadThem) {
  for (const std::string text :
       {"(a x\"\" \")\")", "(a \"\"\")\")", "(a x\"y \"(\" z\")", "(a \"\\\"\" b\"c)",
        "(a (\")\"))", "(a\"b )", "(a \"x\n)\")"}) {
    std::vector<std::string> viaNext;
    std::string viaSkip;
    {
      SexprReader r(text);
      r.next();
      r.next();
      Token t;
      while ((t = r.next()) != Token::End && t != Token::Error) viaNext.push_back(std::to_string(r.offset()));
      viaSkip = t == Token::Error ? "error" : viaNext.at(viaNext.size() - 1);
    }
    SexprReader r(text);
    r.next();
    r.next();
    const Token t = r.skipList();
    EXPECT_EQ(t == Token::Error ? std::string("error") : std::to_string(r.offset()), viaSkip) << text;
  }
}

TEST(SexprReaderSkip, SkipOfAnUnclosedListIsAnError) {
  SexprReader r("(a (b c");
  r.next();
  r.next();
  r.next();
  EXPECT_EQ(r.skipList(), Token::Error);
  EXPECT_EQ(r.error().message, "expected ')' before the end of the file");
  EXPECT_EQ(r.next(), Token::Error);  // stays stopped
}

// Any prefix of a well-formed text either reads to End or stops with an error, never reads
// past its end; only the whole text and cuts after the final ')' or in trailing blanks read.
TEST(SexprReaderHostile, EveryCutOfAFileReadsOrFailsCleanly) {
  const std::string text =
      "(footprint \"R \\\"x\\\"\" (version 20211014)\n  (descr \"a (b) c\")\n"
      "  (pad \"1\" smd roundrect (at -1 0) (size 1.2 1.4) (layers \"F.Cu\" \"F.Mask\"))\n)\n";
  for (std::size_t cut = 0; cut <= text.size(); ++cut) {
    const std::string_view part(text.data(), cut);
    SexprReader r(part);
    Token t;
    do t = r.next();
    while (t != Token::End && t != Token::Error);
    const bool whole = cut >= text.size() - 1;
    EXPECT_EQ(t == Token::End, whole || cut == 0) << "cut at " << cut;
    if (t == Token::Error) {
      EXPECT_GE(r.error().line, 1);
      EXPECT_GE(r.error().column, 1);
    }
    const SexprTree tree = readSexprTree(part);
    EXPECT_EQ(static_cast<bool>(tree.error), t == Token::Error) << "cut at " << cut;
  }
}

TEST(SexprReaderHostile, DeepNestingNeedsNoStack) {
  const std::size_t depth = 2'000'000;
  std::string text(depth, '(');
  text += "x";
  text.append(depth, ')');
  SexprReader r(text);
  Token t;
  std::int64_t deepest = 0;
  do {
    t = r.next();
    deepest = std::max(deepest, r.depth());
  } while (t != Token::End && t != Token::Error);
  EXPECT_EQ(t, Token::End);
  EXPECT_EQ(deepest, static_cast<std::int64_t>(depth));
  const SexprTree tree = readSexprTree(text);
  ASSERT_FALSE(tree.error) << tree.error.message;
  EXPECT_EQ(tree.nodes.size(), depth + 1);
}

TEST(SexprReaderHostile, AHugeSingleTokenIsOneAtom) {
  std::string text = "(a ";
  text.append(100'000'000, 'x');
  text += ")";
  SexprReader r(text);
  r.next();
  r.next();
  ASSERT_EQ(r.next(), Token::Atom);
  EXPECT_EQ(r.raw().size(), 100'000'000u);
  EXPECT_EQ(r.next(), Token::Close);
  EXPECT_EQ(r.next(), Token::End);
}

TEST(SexprTreeNavigation, HeadsChildrenFindAndText) {
  const SexprTree tree =
      readSexprTree("(fp_lib_table (version 7)\n (lib (name \"A\\\\B\")(uri x)) (lib) ())");
  ASSERT_FALSE(tree.error) << tree.error.message;
  const std::int32_t root = tree.firstTop;
  EXPECT_EQ(tree.head(root), "fp_lib_table");
  EXPECT_EQ(tree.size(root), 5);
  const std::int32_t version = tree.find(root, "version");
  EXPECT_EQ(tree.text(tree.child(version, 1)), "7");
  const std::int32_t lib = tree.find(root, "lib");
  EXPECT_EQ(tree[lib].line, 2);
  EXPECT_EQ(tree[lib].column, 2);
  EXPECT_EQ(tree.text(tree.child(tree.find(lib, "name"), 1)), "A\\B");
  EXPECT_EQ(tree.child(tree.find(lib, "name"), 2), -1);
  EXPECT_EQ(tree.head(tree.child(root, 4)), "");  // "()" has no head
  EXPECT_EQ(tree.find(root, "missing"), -1);
  EXPECT_EQ(tree[root].nextSibling, -1);
}

TEST(SexprTreeNavigation, SeveralTopLevelNodesAreChained) {
  const SexprTree tree = readSexprTree("(a) b \"c\"");
  ASSERT_FALSE(tree.error);
  std::vector<std::string> tops;
  for (std::int32_t i = tree.firstTop; i >= 0; i = tree[i].nextSibling)
    tops.push_back(tree[i].kind == SexprNode::Kind::List ? "list" : tree.text(i));
  EXPECT_EQ(tops, (std::vector<std::string>{"list", "b", "c"}));
}

TEST(SexprTreeNavigation, AnErrorLeavesAnEmptyTreeWithItsPosition) {
  const SexprTree tree = readSexprTree("(a\n(b))\n)");
  EXPECT_EQ(tree.error.message, "unexpected ')' with no list open");
  EXPECT_EQ(tree.error.line, 3);
  EXPECT_EQ(tree.error.column, 1);
  EXPECT_TRUE(tree.nodes.empty());
  EXPECT_EQ(tree.firstTop, -1);
}

}  // namespace
}  // namespace trevak
