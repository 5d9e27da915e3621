#include "base/format.h"

#include <algorithm>

namespace memtally {

void appendUnsigned(std::string& out, uint64_t value, int width) {
  // The digits are written from the end of a buffer that also holds the
  // widest padding the report uses, and appended at once.
  char text[48];
  size_t start = sizeof text;
  do {
    text[--start] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  const size_t digits = sizeof text - start;
  size_t pad = width > 0 && static_cast<size_t>(width) > digits
                   ? static_cast<size_t>(width) - digits
                   : 0;
  if (pad > start) {
    out.append(pad - start, ' ');
    pad = start;
  }
  start -= pad;
  std::fill(text + start, text + start + pad, ' ');
  out.append(text + start, sizeof text - start);
}

void appendColumn(std::string& out, std::string_view text, size_t width) {
  if (text.size() >= width) {
    out.append(text.substr(0, width));
  } else {
    out.append(text);
    out.append(width - text.size(), ' ');
  }
}

void appendBlanks(std::string& out, size_t count) { out.append(count, ' '); }

std::string decimal(uint64_t value) {
  std::string out;
  appendUnsigned(out, value);
  return out;
}

}  // namespace memtally
