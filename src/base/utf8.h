// Valid UTF-8 for the documents Memtally writes. Names are the bytes that the
// project, module and map files hold; whatever in them is not valid UTF-8 is
// read as Latin-1, so no name is lost and every document stays valid UTF-8.
#ifndef MEMTALLY_BASE_UTF8_H_
#define MEMTALLY_BASE_UTF8_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace memtally {

// The length (1 to 4) of the valid UTF-8 sequence at the start of text, or 0
// when text is empty or does not begin with one (a stray continuation byte,
// an overlong form, a surrogate, a code point above U+10FFFF, a truncated
// sequence, or one of the bytes C0, C1, F5 to FF).
size_t utf8SequenceLength(std::string_view text);

// True when the whole text is valid UTF-8.
bool isValidUtf8(std::string_view text);

// Appends text to out as valid UTF-8: every valid sequence as it is, every
// other byte 0xNN as the character U+00NN (two bytes).
void appendUtf8(std::string& out, std::string_view text);

// Returns text as valid UTF-8, converted as appendUtf8 does.
std::string toUtf8(std::string_view text);

}  // namespace memtally

#endif  // MEMTALLY_BASE_UTF8_H_
