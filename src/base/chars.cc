#include "base/chars.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace memtally {

int compareNoCase(std::string_view a, std::string_view b) {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    const unsigned char ca = foldCase(static_cast<unsigned char>(a[i]));
    const unsigned char cb = foldCase(static_cast<unsigned char>(b[i]));
    if (ca != cb) return ca < cb ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (foldCase(static_cast<unsigned char>(a[i])) !=
        foldCase(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

void appendFolded(std::string& out, std::string_view name) {
  const size_t at = out.size();
  out.resize(at + name.size());
  std::transform(name.begin(), name.end(), out.begin() + at, [](char c) {
    return static_cast<char>(foldCase(static_cast<unsigned char>(c)));
  });
}

std::string foldedCopy(std::string_view name) {
  std::string out;
  appendFolded(out, name);
  return out;
}

int compareBytes(std::string_view a, std::string_view b) {
  const size_t n = a.size() < b.size() ? a.size() : b.size();
  if (n > 0) {
    const int c = std::memcmp(a.data(), b.data(), n);
    if (c != 0) return c;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

}  // namespace memtally
