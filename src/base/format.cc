#include "base/format.h"

namespace memtally {

void appendUnsigned(std::string& out, uint64_t value, int width) {
  char digits[24];
  int n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  for (int pad = width - n; pad > 0; --pad) out.push_back(' ');
  while (n > 0) out.push_back(digits[--n]);
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
