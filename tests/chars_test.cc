#include "base/chars.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace memtally {
namespace {

TEST(CharsTest, ClassesAreAsciiOnlyAndExcludeNulAndHighBytes) {
  for (int c = 0; c < 256; ++c) {
    const unsigned char u = static_cast<unsigned char>(c);
    const bool space = c == ' ' || c == '\t' || c == '\n' || c == '\v' ||
                       c == '\f' || c == '\r';
    const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    const bool digit = c >= '0' && c <= '9';
    const bool hex = digit || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    EXPECT_EQ(isSpace(u), space) << c;
    EXPECT_EQ(isLetter(u), letter) << c;
    EXPECT_EQ(isDigit(u), digit) << c;
    EXPECT_EQ(isHexDigit(u), hex) << c;
  }
}

TEST(CharsTest, FoldCaseTouchesOnlyUpperCaseAsciiLetters) {
  for (int c = 0; c < 256; ++c) {
    const unsigned char u = static_cast<unsigned char>(c);
    const int expected = (c >= 'A' && c <= 'Z') ? c + 32 : c;
    EXPECT_EQ(foldCase(u), expected) << c;
  }
}

TEST(CharsTest, LoadWordIsLittleEndianAndZeroPadded) {
  const char bytes[] = "\x01\x02\x03\x04\x05\x06\x07\x88\x99";
  EXPECT_EQ(loadWord(bytes, 8), 0x8807060504030201ULL);
  EXPECT_EQ(loadWord(bytes, 3), 0x030201ULL);
  EXPECT_EQ(loadWord(bytes + 7, 2), 0x9988ULL);
  EXPECT_EQ(loadWord(bytes, 0), 0u);
}

TEST(CharsTest, CompareNoCaseOrdersFoldedUnsignedBytesPrefixFirst) {
  struct Case {
    std::string a, b;
    int sign;
  };
  const Case cases[] = {
      {"Foo", "fOO", 0},
      {"", "", 0},
      {"Ab", "abc", -1},  // a prefix sorts first
      {"a_b", "aZ", -1},  // '_' (0x5F) sorts below folded 'z'
      {"a[", "AZ", -1},   // '[' 0x5B sorts below folded 'z' 0x7A
      {"\x80", "z", 1},   // high bytes compare unsigned, above ASCII
      {std::string("a\0b", 3), "a", 1},
      {"\xC4", "\xE4", -1},  // no folding outside A to Z
  };
  for (const Case& c : cases) {
    const int got = compareNoCase(c.a, c.b);
    const int sign = got < 0 ? -1 : (got > 0 ? 1 : 0);
    EXPECT_EQ(sign, c.sign) << c.a << " vs " << c.b;
    EXPECT_EQ(equalsNoCase(c.a, c.b), c.sign == 0);
  }
}

TEST(CharsTest, CompareBytesAgreesWithCompareNoCaseOnFoldedNames) {
  const char* names[] = {"Init", "init", "INITx", "a_b", "aZ", "\xFF", ""};
  for (const char* a : names) {
    for (const char* b : names) {
      const int folded = compareBytes(foldedCopy(a), foldedCopy(b));
      const int direct = compareNoCase(a, b);
      EXPECT_EQ(folded < 0, direct < 0) << a << " " << b;
      EXPECT_EQ(folded == 0, direct == 0) << a << " " << b;
    }
  }
}

}  // namespace
}  // namespace memtally
