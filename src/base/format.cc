#include "base/format.h"

#include <charconv>

namespace memtally {

void appendUnsigned(std::string& out, uint64_t value, int width, char fill) {
  char digits[20];  // the most a 64-bit number needs
  const size_t length = static_cast<size_t>(
      std::to_chars(digits, digits + sizeof digits, value).ptr - digits);
  if (width > 0 && static_cast<size_t>(width) > length) {
    out.append(static_cast<size_t>(width) - length, fill);
  }
  out.append(digits, length);
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
