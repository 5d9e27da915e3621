// SipHash (Aumasson and Bernstein): a hash of a byte string under a secret
// 128-bit key. Whoever does not know the key cannot choose strings whose
// hashes agree, so a hash table keyed by it stays fast whatever names an
// input holds.
#ifndef MEMTALLY_BASE_SIP_HASH_H_
#define MEMTALLY_BASE_SIP_HASH_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/chars.h"

namespace memtally {

struct SipKey {
  uint64_t k0 = 0;
  uint64_t k1 = 0;
};

// Returns a key drawn from std::random_device, or from the clock and an
// address when the device fails.
SipKey randomSipKey();

// SipHash-c-d of `bytes`: c rounds for each 8-byte word, d rounds to finish.
template <int kWordRounds, int kFinalRounds>
uint64_t sipHash(const SipKey& key, std::string_view bytes) {
  uint64_t v0 = key.k0 ^ 0x736f6d6570736575ULL;
  uint64_t v1 = key.k1 ^ 0x646f72616e646f6dULL;
  uint64_t v2 = key.k0 ^ 0x6c7967656e657261ULL;
  uint64_t v3 = key.k1 ^ 0x7465646279746573ULL;
  const auto rotate = [](uint64_t x, int bits) {
    return (x << bits) | (x >> (64 - bits));
  };
  const auto round = [&] {
    v0 += v1;
    v1 = rotate(v1, 13) ^ v0;
    v0 = rotate(v0, 32);
    v2 += v3;
    v3 = rotate(v3, 16) ^ v2;
    v0 += v3;
    v3 = rotate(v3, 21) ^ v0;
    v2 += v1;
    v1 = rotate(v1, 17) ^ v2;
    v2 = rotate(v2, 32);
  };
  const auto mix = [&](uint64_t word) {
    v3 ^= word;
    for (int i = 0; i < kWordRounds; ++i) round();
    v0 ^= word;
  };
  // The last word holds the remaining bytes and the length in its top byte.
  const size_t whole = bytes.size() / 8 * 8;
  for (size_t i = 0; i < whole; i += 8) mix(loadWord(bytes.data() + i, 8));
  mix(loadWord(bytes.data() + whole, bytes.size() - whole) |
      uint64_t{bytes.size()} << 56);
  v2 ^= 0xff;
  for (int i = 0; i < kFinalRounds; ++i) round();
  return v0 ^ v1 ^ v2 ^ v3;
}

// The variant for hash tables: one round per word, three to finish.
inline uint64_t sipHash13(const SipKey& key, std::string_view bytes) {
  return sipHash<1, 3>(key, bytes);
}

}  // namespace memtally

#endif  // MEMTALLY_BASE_SIP_HASH_H_
