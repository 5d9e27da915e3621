// Quoted strings of the documents: each format says what stands for each
// ASCII byte its strings cannot hold as it is, and one loop writes the text,
// made valid UTF-8, with those bytes replaced.
#ifndef MEMTALLY_BASE_ESCAPE_H_
#define MEMTALLY_BASE_ESCAPE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace memtally {

// What stands for each ASCII byte in the strings of one format. Bytes above
// 0x7F always stand for themselves, as appendUtf8 converts them.
class EscapeTable {
 public:
  // Sets `text`, cut to kLongest bytes, to stand for `byte`; a byte above
  // 0x7F is left standing for itself.
  constexpr void set(unsigned char byte, std::string_view text) {
    if (byte > 0x7F) return;
    Entry& entry = entries_[byte];
    entry.length = static_cast<uint8_t>(text.copy(entry.text, kLongest));
  }

  // The text that stands for `byte`; empty when the byte stands for itself.
  constexpr std::string_view escape(unsigned char byte) const {
    if (byte > 0x7F) return {};
    const Entry& entry = entries_[byte];
    return {entry.text, entry.length};
  }

  static constexpr size_t kLongest = 7;

 private:
  struct Entry {
    char text[kLongest] = {};
    uint8_t length = 0;
  };
  Entry entries_[0x80] = {};
};

// Appends text as appendUtf8 does, every byte for which `table` has an
// escape written as that escape.
void appendEscaped(std::string& out, std::string_view text,
                   const EscapeTable& table);

}  // namespace memtally

#endif  // MEMTALLY_BASE_ESCAPE_H_
