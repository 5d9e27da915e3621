#include "base/utf8.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

namespace memtally {
namespace {

// Decodes one sequence by its bits, independently of the lead-byte table:
// the length of a well-formed sequence at the start of text, else 0.
size_t referenceLength(std::string_view text) {
  const unsigned char lead = static_cast<unsigned char>(text[0]);
  size_t length = 0;
  uint32_t point = 0;
  if (lead < 0x80) return 1;
  if ((lead & 0xE0) == 0xC0) length = 2, point = lead & 0x1F;
  if ((lead & 0xF0) == 0xE0) length = 3, point = lead & 0x0F;
  if ((lead & 0xF8) == 0xF0) length = 4, point = lead & 0x07;
  if (length == 0 || text.size() < length) return 0;
  for (size_t i = 1; i < length; ++i) {
    const unsigned char byte = static_cast<unsigned char>(text[i]);
    if ((byte & 0xC0) != 0x80) return 0;
    point = (point << 6) | (byte & 0x3F);
  }
  const uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (point < smallest[length] || point > 0x10FFFF) return 0;
  if (point >= 0xD800 && point <= 0xDFFF) return 0;
  return length;
}

TEST(Utf8Test, ConversionKeepsValidSequencesAndReadsOtherBytesAsLatin1) {
  struct Case {
    const char* name;
    std::string in;
    std::string out;
  };
  const Case cases[] = {
      {"empty", "", ""},
      {"ascii", "Main.Blink", "Main.Blink"},
      {"nul and 7F stay", std::string("a\0\x7F", 3), std::string("a\0\x7F", 3)},
      {"lone 80", "\x80", "\xC2\x80"},
      {"lone FF", "\xFF", "\xC3\xBF"},
      {"C0 80 overlong NUL", "\xC0\x80", "\xC3\x80\xC2\x80"},
      {"C1 BF overlong", "\xC1\xBF", "\xC3\x81\xC2\xBF"},
      {"C2 80 smallest 2-byte", "\xC2\x80", "\xC2\x80"},
      {"DF BF largest 2-byte", "\xDF\xBF", "\xDF\xBF"},
      {"E0 9F BF overlong", "\xE0\x9F\xBF", "\xC3\xA0\xC2\x9F\xC2\xBF"},
      {"E0 A0 80 smallest 3-byte", "\xE0\xA0\x80", "\xE0\xA0\x80"},
      {"ED 9F BF below surrogates", "\xED\x9F\xBF", "\xED\x9F\xBF"},
      {"ED A0 80 surrogate D800", "\xED\xA0\x80", "\xC3\xAD\xC2\xA0\xC2\x80"},
      {"ED BF BF surrogate DFFF", "\xED\xBF\xBF", "\xC3\xAD\xC2\xBF\xC2\xBF"},
      {"EE 80 80 above surrogates", "\xEE\x80\x80", "\xEE\x80\x80"},
      {"EF BF BF largest 3-byte", "\xEF\xBF\xBF", "\xEF\xBF\xBF"},
      {"F0 8F BF BF overlong", "\xF0\x8F\xBF\xBF",
       "\xC3\xB0\xC2\x8F\xC2\xBF\xC2\xBF"},
      {"F0 90 80 80 smallest 4-byte", "\xF0\x90\x80\x80", "\xF0\x90\x80\x80"},
      {"F4 8F BF BF U+10FFFF", "\xF4\x8F\xBF\xBF", "\xF4\x8F\xBF\xBF"},
      {"F4 90 80 80 above U+10FFFF", "\xF4\x90\x80\x80",
       "\xC3\xB4\xC2\x90\xC2\x80\xC2\x80"},
      {"F5 lead", "\xF5\x80", "\xC3\xB5\xC2\x80"},
      {"truncated 3-byte before ascii",
       "\xE2\x82"
       "A",
       "\xC3\xA2\xC2\x82"
       "A"},
      {"truncated 4-byte at end", "x\xF0\x9F\x98", "x\xC3\xB0\xC2\x9F\xC2\x98"},
      {"latin-1 name", "Z\xE4hler.bas", "Z\xC3\xA4hler.bas"},
      {"utf-8 name kept", "Z\xC3\xA4hler.bas", "Z\xC3\xA4hler.bas"},
      {"valid after invalid", "\xFF\xC3\xA4", "\xC3\xBF\xC3\xA4"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(toUtf8(c.in), c.out) << c.name;
    EXPECT_TRUE(isValidUtf8(c.out)) << c.name;
    EXPECT_EQ(isValidUtf8(c.in), c.in == c.out) << c.name;
  }
}

TEST(Utf8Test, AppendKeepsWhatOutAlreadyHolds) {
  std::string out = "r1 ";
  appendUtf8(out, "\xE9t\xE9");
  EXPECT_EQ(out, "r1 \xC3\xA9t\xC3\xA9");
}

TEST(Utf8Test, SequenceLengthAgreesWithBitDecodingForEveryLeadAndSecondByte) {
  for (int lead = 0; lead < 256; ++lead) {
    for (int second = 0; second < 256; ++second) {
      for (size_t size = 1; size <= 4; ++size) {
        std::string text = {static_cast<char>(lead), static_cast<char>(second),
                            '\x80', '\xBF'};
        text.resize(size);
        ASSERT_EQ(utf8SequenceLength(text), referenceLength(text))
            << std::hex << lead << " " << second << " size " << size;
      }
    }
  }
  EXPECT_EQ(utf8SequenceLength(""), 0u);
}

TEST(Utf8Test, RandomGarbageAlwaysComesOutValidAndConvertsOnce) {
  std::mt19937 random(20261209);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int> length(0, 40);
  for (int round = 0; round < 5000; ++round) {
    std::string garbage;
    for (int i = length(random); i > 0; --i) {
      // Mostly high bytes, so that near-valid sequences are common.
      const int b = byte(random);
      garbage.push_back(static_cast<char>(b < 64 ? b : 0x80 | b));
    }
    const std::string converted = toUtf8(garbage);
    ASSERT_TRUE(isValidUtf8(converted)) << round;
    // Valid text is left alone, so a second conversion changes nothing.
    ASSERT_EQ(toUtf8(converted), converted) << round;
    // Each byte stays or becomes two: nothing is dropped.
    ASSERT_GE(converted.size(), garbage.size());
    ASSERT_LE(converted.size(), 2 * garbage.size());
  }
}

}  // namespace
}  // namespace memtally
