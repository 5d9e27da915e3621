// Runs the tool on files held in memory, with a fixed clock, for tests
// where the disk is not the point.
#ifndef MEMTALLY_TESTS_SUPPORT_MEMORY_RUN_H_
#define MEMTALLY_TESTS_SUPPORT_MEMORY_RUN_H_

#include <ctime>
#include <string>
#include <vector>

#include "base/file_system.h"

namespace memtally::testing {

// The clock of in-memory runs: Wednesday 9 December 2026, 07:05:03.
std::tm fixedTime();

// The "Analyzing project" time stamp that fixedTime gives.
inline constexpr char kFixedStamp[] = "Wed Dec 09 07:05:03 2026\n";

// What one in-memory run printed and returned.
struct MemoryRun {
  int status = -1;
  std::string out;   // standard output
  std::string err;   // standard error
  std::string both;  // both, in the order written
};

// Runs the tool with `args` on `files`, with fixedTime as its clock.
MemoryRun runInMemory(const std::vector<std::string>& args,
                      MemoryFileSystem& files);

}  // namespace memtally::testing

#endif  // MEMTALLY_TESTS_SUPPORT_MEMORY_RUN_H_
