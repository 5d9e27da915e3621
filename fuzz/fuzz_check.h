// The one way a fuzz target reports a broken invariant: a message naming the
// condition, then abort(), which libFuzzer records as a crash with the input.
#ifndef MEMTALLY_FUZZ_FUZZ_CHECK_H_
#define MEMTALLY_FUZZ_FUZZ_CHECK_H_

#include <cstdio>
#include <cstdlib>

namespace memtally::fuzz {

[[noreturn]] inline void failCheck(const char* condition, const char* file,
                                   int line) {
  std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, condition);
  std::abort();
}

}  // namespace memtally::fuzz

// Aborts with a message when `condition` is false.
#define FUZZ_CHECK(condition) \
  ((condition) ? (void)0      \
               : ::memtally::fuzz::failCheck(#condition, __FILE__, __LINE__))

#endif  // MEMTALLY_FUZZ_FUZZ_CHECK_H_
