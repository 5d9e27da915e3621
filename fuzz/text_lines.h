// The physical lines of an input text, for the fuzz targets' checks on the
// line numbers of warnings.
#ifndef MEMTALLY_FUZZ_TEXT_LINES_H_
#define MEMTALLY_FUZZ_TEXT_LINES_H_

#include <cstddef>
#include <string_view>

namespace memtally::fuzz {

// The most lines the line reader can count in `text`: one more than its line
// feeds and its carriage returns that no line feed follows, since a text
// whose lines end in CRs alone counts those as line ends too.
inline size_t mostLines(std::string_view text) {
  size_t lines = 1;
  for (size_t i = 0; i < text.size(); ++i) {
    const bool alone =
        text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n');
    if (text[i] == '\n' || alone) ++lines;
  }
  return lines;
}

}  // namespace memtally::fuzz

#endif  // MEMTALLY_FUZZ_TEXT_LINES_H_
