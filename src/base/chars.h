// Character classes and case folding for BasicX source, project and map text.
//
// The classes are plain ASCII and never depend on a locale: bytes 0x80 to
// 0xFF and NUL belong to no class, and case folding touches only A to Z.
#ifndef MEMTALLY_BASE_CHARS_H_
#define MEMTALLY_BASE_CHARS_H_

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace memtally {

// Blank, tab, line feed, vertical tab, form feed or carriage return.
constexpr bool isSpace(unsigned char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

// A to Z or a to z.
constexpr bool isLetter(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// 0 to 9.
constexpr bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// 0 to 9, A to F or a to f.
constexpr bool isHexDigit(unsigned char c) {
  return isDigit(c) || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// Folds A to Z to a to z; every other byte is returned unchanged.
constexpr unsigned char foldCase(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A'))
                                : c;
}

// The `count` bytes at `bytes`, at most 8, as one little-endian word,
// zero-padded. A whole word is one load on a little-endian machine.
inline uint64_t loadWord(const char* bytes, size_t count) {
  uint64_t word = 0;
  if (std::endian::native == std::endian::little && count == 8) {
    std::memcpy(&word, bytes, 8);
    return word;
  }
  for (size_t j = 0; j < count; ++j) {
    word |= uint64_t{static_cast<unsigned char>(bytes[j])} << (8 * j);
  }
  return word;
}

// Compares two names case-insensitively: A to Z folded, then unsigned bytes,
// a prefix sorting first. Returns a negative number, 0 or a positive number.
int compareNoCase(std::string_view a, std::string_view b);

// True when the two names are equal case-insensitively.
bool equalsNoCase(std::string_view a, std::string_view b);

// Appends the name with A to Z folded to a to z.
void appendFolded(std::string& out, std::string_view name);

// Returns a copy of the name with A to Z folded to a to z.
std::string foldedCopy(std::string_view name);

// Compares two already folded names as unsigned bytes, a prefix first.
int compareBytes(std::string_view a, std::string_view b);

}  // namespace memtally

#endif  // MEMTALLY_BASE_CHARS_H_
