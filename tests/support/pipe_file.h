// Pipes standing in for files that cannot be rewound.
#ifndef MEMTALLY_TESTS_SUPPORT_PIPE_FILE_H_
#define MEMTALLY_TESTS_SUPPORT_PIPE_FILE_H_

#include <cstdio>
#include <string>

namespace memtally::testing {

// The read end of a pipe that holds `text` (a few kilobytes at most) and
// then its end, opened for reading; null when no pipe could be made.
std::FILE* pipeHolding(const std::string& text);

}  // namespace memtally::testing

#endif  // MEMTALLY_TESTS_SUPPORT_PIPE_FILE_H_
