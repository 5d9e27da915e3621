#include "scan/lexer.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace memtally {
namespace {

using namespace std::string_view_literals;

struct TokenCase {
  std::string_view text;
  TokenKind kind;
  int length;
};

TEST(LexerTest, NextTokenClassifiesAndMeasuresByFirstCharacter) {
  const TokenCase cases[] = {
      // The end of the text, also a NUL inside the view.
      {""sv, TOKEN_END, 0},
      {"\0abc"sv, TOKEN_END, 0},
      // String literals: doubled quotes stay inside, an open one runs to the
      // end of the text, a NUL ends the text.
      {"\"ab\" + 1"sv, TOKEN_STRING, 4},
      {"\"a\"\"b\""sv, TOKEN_STRING, 6},
      {"\"\"\"\""sv, TOKEN_STRING, 4},
      {"\"\""sv, TOKEN_STRING, 2},
      {"\"abc"sv, TOKEN_STRING, 4},
      {"\""sv, TOKEN_STRING, 1},
      {"\"ab\"\""sv, TOKEN_STRING, 5},
      {"\"ab\0cd\""sv, TOKEN_STRING, 3},
      {"\"a'b\" 'c"sv, TOKEN_STRING, 5},
      // Ampersand: &H numbers with one optional trailing '&', else operator.
      {"&H1F "sv, TOKEN_NUMBER, 4},
      {"&h1f&"sv, TOKEN_NUMBER, 5},
      {"&H1F&&"sv, TOKEN_NUMBER, 5},
      {"&HaBcDeF09x"sv, TOKEN_NUMBER, 10},
      {"&HG"sv, TOKEN_OPERATOR, 1},
      {"&H"sv, TOKEN_OPERATOR, 1},
      {"&"sv, TOKEN_OPERATOR, 1},
      {"&x"sv, TOKEN_OPERATOR, 1},
      {"&O17"sv, TOKEN_OPERATOR, 1},
      {"&H\0"
       "1"sv,
       TOKEN_OPERATOR, 1},
      {"&H1\0&"sv, TOKEN_NUMBER, 3},
      // Apostrophe: the rest of the text, up to a NUL.
      {"' note \"x\" Foo(1)"sv, TOKEN_COMMENT, 17},
      {"'"sv, TOKEN_COMMENT, 1},
      {"'ab\0cd"sv, TOKEN_COMMENT, 3},
      // One-character operators.
      {"("sv, TOKEN_OPERATOR, 1},
      {")"sv, TOKEN_OPERATOR, 1},
      {"*"sv, TOKEN_OPERATOR, 1},
      {"+"sv, TOKEN_OPERATOR, 1},
      {",x"sv, TOKEN_OPERATOR, 1},
      {"-1"sv, TOKEN_OPERATOR, 1},
      {"/"sv, TOKEN_OPERATOR, 1},
      {";"sv, TOKEN_OPERATOR, 1},
      {"=="sv, TOKEN_OPERATOR, 1},
      {"=>"sv, TOKEN_OPERATOR, 1},
      {"^"sv, TOKEN_OPERATOR, 1},
      {"\\2"sv, TOKEN_OPERATOR, 1},
      // Comparisons of two characters.
      {"<>"sv, TOKEN_OPERATOR, 2},
      {"<="sv, TOKEN_OPERATOR, 2},
      {">="sv, TOKEN_OPERATOR, 2},
      {"><"sv, TOKEN_OPERATOR, 2},
      {"<<"sv, TOKEN_OPERATOR, 1},
      {">>"sv, TOKEN_OPERATOR, 1},
      {"< >"sv, TOKEN_OPERATOR, 1},
      {"<"sv, TOKEN_OPERATOR, 1},
      {">"sv, TOKEN_OPERATOR, 1},
      {"<\0="sv, TOKEN_OPERATOR, 1},
      // Letters: identifiers with dots and underscores, labels.
      {"x"sv, TOKEN_IDENTIFIER, 1},
      {"Module1.Compute("sv, TOKEN_IDENTIFIER, 15},
      {"a_b.c_9 = 1"sv, TOKEN_IDENTIFIER, 7},
      {"Foo."sv, TOKEN_IDENTIFIER, 4},
      {"Loop1:"sv, TOKEN_LABEL, 6},
      {"Loop1: x"sv, TOKEN_LABEL, 6},
      {"Loop1 :"sv, TOKEN_IDENTIFIER, 5},
      {"a\x80z"sv, TOKEN_IDENTIFIER, 1},
      {"ab\0cd"sv, TOKEN_IDENTIFIER, 2},
      {"ab\0:"sv, TOKEN_IDENTIFIER, 2},
      // Digits: numbers take digits and E . ! # - whatever they mean.
      {"7"sv, TOKEN_NUMBER, 1},
      {"12.5E-3"sv, TOKEN_NUMBER, 7},
      {"1e5"sv, TOKEN_NUMBER, 1},
      {"10-y"sv, TOKEN_NUMBER, 3},
      {"3!#.E--)"sv, TOKEN_NUMBER, 7},
      {"1000.0)"sv, TOKEN_NUMBER, 6},
      {"12\0"
       "34"sv,
       TOKEN_NUMBER, 2},
      // Everything else is one character of no token.
      {" x"sv, TOKEN_END, 1},
      {"\t"sv, TOKEN_END, 1},
      {"\n"sv, TOKEN_END, 1},
      {"\r"sv, TOKEN_END, 1},
      {"\x01"sv, TOKEN_END, 1},
      {"\x7f"sv, TOKEN_END, 1},
      {"!"sv, TOKEN_END, 1},
      {"#"sv, TOKEN_END, 1},
      {"$"sv, TOKEN_END, 1},
      {"%"sv, TOKEN_END, 1},
      {".5"sv, TOKEN_END, 1},
      {":"sv, TOKEN_END, 1},
      {"?"sv, TOKEN_END, 1},
      {"["sv, TOKEN_END, 1},
      {"]"sv, TOKEN_END, 1},
      {"_x"sv, TOKEN_END, 1},
      {"{"sv, TOKEN_END, 1},
      {"}"sv, TOKEN_END, 1},
      {"~"sv, TOKEN_END, 1},
      {"@"sv, TOKEN_END, 1},
      {"`"sv, TOKEN_END, 1},
      {"|"sv, TOKEN_END, 1},
      {"\x80"sv, TOKEN_END, 1},
      {"\xe9t\xe9"sv, TOKEN_END, 1},
      {"\xff"sv, TOKEN_END, 1},
  };
  for (const TokenCase& c : cases) {
    int length = -1;
    EXPECT_EQ(nextToken(c.text, &length), c.kind)
        << "text: \"" << std::string(c.text) << "\"";
    EXPECT_EQ(length, c.length) << "text: \"" << std::string(c.text) << "\"";
  }
}

// Splits text into tokens the way the module scanner walks a line.
std::vector<std::pair<TokenKind, std::string>> tokenize(std::string_view text) {
  std::vector<std::pair<TokenKind, std::string>> tokens;
  for (;;) {
    int length = 0;
    const TokenKind kind = nextToken(text, &length);
    if (length == 0) break;
    tokens.emplace_back(kind, std::string(text.substr(0, length)));
    text.remove_prefix(static_cast<size_t>(length));
  }
  return tokens;
}

TEST(LexerTest, TokensFollowEachOtherWithoutGapsOrOverlap) {
  using Tokens = std::vector<std::pair<TokenKind, std::string>>;
  EXPECT_EQ(tokenize("&HG"),
            (Tokens{{TOKEN_OPERATOR, "&"}, {TOKEN_IDENTIFIER, "HG"}}));
  EXPECT_EQ(tokenize("_x"),
            (Tokens{{TOKEN_END, "_"}, {TOKEN_IDENTIFIER, "x"}}));
  EXPECT_EQ(tokenize("1e5"),
            (Tokens{{TOKEN_NUMBER, "1"}, {TOKEN_IDENTIFIER, "e5"}}));
  EXPECT_EQ(tokenize("10-y"),
            (Tokens{{TOKEN_NUMBER, "10-"}, {TOKEN_IDENTIFIER, "y"}}));
  EXPECT_EQ(tokenize("=>"),
            (Tokens{{TOKEN_OPERATOR, "="}, {TOKEN_OPERATOR, ">"}}));
  EXPECT_EQ(tokenize("x=Foo(\"a\"\"b\") 'Bar"),
            (Tokens{{TOKEN_IDENTIFIER, "x"},
                    {TOKEN_OPERATOR, "="},
                    {TOKEN_IDENTIFIER, "Foo"},
                    {TOKEN_OPERATOR, "("},
                    {TOKEN_STRING, "\"a\"\"b\""},
                    {TOKEN_OPERATOR, ")"},
                    {TOKEN_END, " "},
                    {TOKEN_COMMENT, "'Bar"}}));
  // A NUL ends the text: nothing after it is ever covered.
  EXPECT_EQ(tokenize("a \"b\0c\"d"sv), (Tokens{{TOKEN_IDENTIFIER, "a"},
                                               {TOKEN_END, " "},
                                               {TOKEN_STRING, "\"b"}}));
}

TEST(LexerTest, NextTokenAcceptsNullTextAndNullLength) {
  int length = -1;
  EXPECT_EQ(nextToken(std::string_view(), &length), TOKEN_END);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(nextToken("Foo", nullptr), TOKEN_IDENTIFIER);
  EXPECT_EQ(nextToken(std::string_view(), nullptr), TOKEN_END);
}

TEST(LexerTest, IdentifierLengthStopsAtTheFirstOtherCharacter) {
  const std::pair<std::string_view, int> cases[] = {
      {std::string_view(), 0},
      {""sv, 0},
      {"_a"sv, 0},
      {"9a"sv, 0},
      {".a"sv, 0},
      {" a"sv, 0},
      {"\xc4x"sv, 0},
      {"a"sv, 1},
      {"Serial.Put(1)"sv, 10},
      {"x_1.y2_ z"sv, 7},
      {"Ending = 1"sv, 6},
      {"a\x80"sv, 1},
      {"abc\0def"sv, 3},
      {"E-3"sv, 1},
  };
  for (const auto& [text, length] : cases) {
    EXPECT_EQ(identifierLength(text), length)
        << "text: \"" << std::string(text) << "\"";
  }
}

TEST(LexerTest, ParseDecimalReadsOnlyDigitsAndWrapsModulo2To32) {
  struct Case {
    std::string_view text;
    uint32_t value;
    size_t consumed;
  };
  const Case cases[] = {
      {"123abc"sv, 123, 3},
      {"abc"sv, 0, 0},
      {" 12"sv, 0, 0},
      {"-12"sv, 0, 0},
      {"+12"sv, 0, 0},
      {""sv, 0, 0},
      {"0"sv, 0, 1},
      {"007 "sv, 7, 3},
      {"4294967295"sv, 4294967295u, 10},
      {"4294967296"sv, 0, 10},
      {"4294967297x"sv, 1, 10},
      {"99999999999999999999"sv, 1661992959u, 20},
      {"12\0"
       "34"sv,
       12, 2},
  };
  for (const Case& c : cases) {
    std::string_view cursor = c.text;
    EXPECT_EQ(parseDecimal(cursor), c.value)
        << "text: \"" << std::string(c.text) << "\"";
    EXPECT_EQ(cursor.data(), c.text.data() + c.consumed)
        << "text: \"" << std::string(c.text) << "\"";
  }
  std::string_view null;
  EXPECT_EQ(parseDecimal(null), 0u);
  EXPECT_EQ(null.data(), nullptr);
}

TEST(LexerTest, SkipSpaceReturnsTheSuffixAfterLeadingWhiteSpace) {
  const std::string_view text = " \t\n\v\f\rx y ";
  EXPECT_EQ(skipSpace(text), "x y ");
  EXPECT_EQ(skipSpace(text).data(), text.data() + 6);

  const std::string_view blanks = " \t\n";
  EXPECT_TRUE(skipSpace(blanks).empty());
  EXPECT_EQ(skipSpace(blanks).data(), blanks.data() + 3);

  EXPECT_EQ(skipSpace("x "), "x ");
  EXPECT_EQ(skipSpace("\xa0x"), "\xa0x");  // no class above 0x7F
  EXPECT_EQ(skipSpace("  \0 x"sv), "\0 x"sv);
  EXPECT_EQ(skipSpace("").size(), 0u);
  EXPECT_EQ(skipSpace(std::string_view()).data(), nullptr);
}

TEST(LexerTest, TrimRightDropsTrailingWhiteSpaceAndAnythingAfterNul) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"ab \t\r\n"sv, "ab"sv},
      {" \t\n\v\f\r"sv, ""sv},
      {""sv, ""sv},
      {"  ab"sv, "  ab"sv},
      {"a b"sv, "a b"sv},
      {"ab\xa0"sv, "ab\xa0"sv},
      {"ab \0cd  "sv, "ab"sv},
      {"\0ab"sv, ""sv},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(trimRight(text), expected)
        << "text: \"" << std::string(text) << "\"";
    EXPECT_EQ(trimRight(text).data(), text.data());
  }
  EXPECT_EQ(trimRight(std::string_view()).data(), nullptr);
}

}  // namespace
}  // namespace memtally
