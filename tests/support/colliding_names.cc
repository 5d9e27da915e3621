#include "support/colliding_names.h"

#include <unordered_map>
#include <utility>

namespace memtally::testing {
namespace {

constexpr uint64_t kOffsetBasis = 0xcbf29ce484222325ULL;
constexpr uint64_t kPrime = 0x100000001b3ULL;
constexpr size_t kBlockLength = 6;

uint32_t low32(uint64_t state, std::string_view text) {
  for (const char c : text) {
    state = (state ^ static_cast<unsigned char>(c)) * kPrime;
  }
  return static_cast<uint32_t>(state);
}

// The block of kBlockLength letters that `n` picks, at random but always the
// same for the same `n`.
std::string block(uint64_t n) {
  uint64_t bits = (n + 1) * 0x9e3779b97f4a7c15ULL;
  bits ^= bits >> 29;
  bits *= 0xbf58476d1ce4e5b9ULL;
  std::string letters(kBlockLength, 'a');
  for (size_t i = 0; i < kBlockLength; ++i, bits /= 26) {
    letters[i] = static_cast<char>('a' + bits % 26);
  }
  return letters;
}

// Two blocks that lead from `state` to the same low 32 bits, found by a
// birthday search; `state` moves on to that value.
std::pair<std::string, std::string> collidingBlocks(uint64_t& state) {
  std::unordered_map<uint32_t, uint64_t> seen;
  for (uint64_t n = 0;; ++n) {
    const uint32_t reached = low32(state, block(n));
    const auto [it, fresh] = seen.emplace(reached, n);
    if (!fresh && block(it->second) != block(n)) {
      state = reached;
      return {block(it->second), block(n)};
    }
  }
}

}  // namespace

uint64_t fnv1a(std::string_view text) {
  uint64_t state = kOffsetBasis;
  for (const char c : text) {
    state = (state ^ static_cast<unsigned char>(c)) * kPrime;
  }
  return state;
}

std::vector<std::string> fnvCollidingNames(int bits) {
  // Only the low 32 bits of the state matter for the low 32 bits of the
  // hash, so the state is carried as those alone.
  uint64_t state = low32(kOffsetBasis, "r");
  std::vector<std::pair<std::string, std::string>> pairs;
  for (int i = 0; i < bits; ++i) pairs.push_back(collidingBlocks(state));
  std::vector<std::string> names;
  for (uint64_t pick = 0; pick < (uint64_t{1} << bits); ++pick) {
    std::string name = "r";
    for (int i = 0; i < bits; ++i) {
      name += (pick >> i & 1) != 0 ? pairs[i].second : pairs[i].first;
    }
    names.push_back(std::move(name));
  }
  return names;
}

}  // namespace memtally::testing
