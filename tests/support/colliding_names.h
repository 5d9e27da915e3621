// Routine names built to defeat a hash table that hashes names with 64-bit
// FNV-1a and takes its slot from the low bits.
#ifndef MEMTALLY_TESTS_SUPPORT_COLLIDING_NAMES_H_
#define MEMTALLY_TESTS_SUPPORT_COLLIDING_NAMES_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace memtally::testing {

// The 64-bit FNV-1a hash of `text`.
uint64_t fnv1a(std::string_view text);

// Returns 2^bits distinct lower-case identifiers whose FNV-1a hashes agree
// in their low 32 bits, all of the same length. The low bits of FNV-1a
// depend only on the low bits of its state, so two blocks of letters that
// lead from one state to the same one can stand in for each other; a name
// picks one block of each of `bits` such pairs.
std::vector<std::string> fnvCollidingNames(int bits);

}  // namespace memtally::testing

#endif  // MEMTALLY_TESTS_SUPPORT_COLLIDING_NAMES_H_
