#include "base/sip_hash.h"

#include <gtest/gtest.h>

#include <string>

namespace memtally {
namespace {

// The key 00 01 .. 0f of the published SipHash test vectors.
const SipKey kVectorKey = {0x0706050403020100ULL, 0x0f0e0d0c0b0a0908ULL};

// The message 00 01 .. (length - 1) of the vectors.
std::string vectorMessage(size_t length) {
  std::string message;
  for (size_t i = 0; i < length; ++i) message.push_back(static_cast<char>(i));
  return message;
}

TEST(SipHashTest, SipHash24MatchesThePublishedVectorsAcrossWordEdges) {
  // Lengths around the 8-byte words, where the padding of the last word and
  // the length byte meet.
  const struct {
    size_t length;
    uint64_t hash;
  } vectors[] = {
      {0, 0x726fdb47dd0e0e31ULL},  {1, 0x74f839c593dc67fdULL},
      {7, 0xab0200f58b01d137ULL},  {8, 0x93f5f5799a932462ULL},
      {9, 0x9e0082df0ba9e4b0ULL},  {15, 0xa129ca6149be45e5ULL},
      {16, 0x3f2acc7f57c29bdbULL}, {63, 0x958a324ceb064572ULL},
  };
  for (const auto& v : vectors) {
    EXPECT_EQ((sipHash<2, 4>(kVectorKey, vectorMessage(v.length))), v.hash)
        << v.length;
  }
}

TEST(SipHashTest, EveryKeyBitAndTheLengthChangeTheHash) {
  const SipKey key = {0x0123456789abcdefULL, 0xfedcba9876543210ULL};
  const uint64_t plain = sipHash13(key, "Main");
  for (int bit = 0; bit < 64; ++bit) {
    EXPECT_NE(sipHash13({key.k0 ^ (uint64_t{1} << bit), key.k1}, "Main"),
              plain);
    EXPECT_NE(sipHash13({key.k0, key.k1 ^ (uint64_t{1} << bit)}, "Main"),
              plain);
  }
  // Trailing NULs fill the last word as padding does; only the length byte
  // tells them apart.
  EXPECT_NE(sipHash13(key, std::string("Main\0", 5)), plain);
}

TEST(SipHashTest, RandomKeysDifferFromDrawToDraw) {
  const SipKey a = randomSipKey();
  const SipKey b = randomSipKey();
  EXPECT_FALSE(a.k0 == b.k0 && a.k1 == b.k1);
}

}  // namespace
}  // namespace memtally
