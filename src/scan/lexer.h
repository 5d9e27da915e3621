// White space, identifiers, numbers and tokens of BasicX source text, shared
// by the readers of project files, module sources and map files.
//
// Every primitive works on a view of the caller's text without copying or
// allocating. A NUL byte inside a view counts as the end of the text, and no
// result ever reaches past that end. A null view (no text at all) gives an
// empty result.
#ifndef MEMTALLY_SCAN_LEXER_H_
#define MEMTALLY_SCAN_LEXER_H_

#include <cstdint>
#include <string_view>

namespace memtally {

// What nextToken found at the start of a text.
enum TokenKind {
  TOKEN_END = 0,         // the end of the text, or one character of no token
  TOKEN_COMMENT = 1,     // an apostrophe and the rest of the text
  TOKEN_OPERATOR = 2,    // punctuation, or a two-character comparison
  TOKEN_IDENTIFIER = 3,  // a letter, then letters, digits, '_' and '.'
  TOKEN_NUMBER = 4,      // a decimal number, or &H with hexadecimal digits
  TOKEN_STRING = 5,      // a double-quoted literal, perhaps unterminated
  TOKEN_LABEL = 6,       // an identifier directly followed by ':'
};

// Returns the text from its first character that is not white space on; a
// null text stays null.
std::string_view skipSpace(std::string_view text);

// Returns the text up to its end (or first NUL) without the white space that
// ends it; a null text stays null.
std::string_view trimRight(std::string_view text);

// Returns the length of the identifier at the start of text, 0 when text does
// not begin with a letter.
int identifierLength(std::string_view text);

// Reads the run of decimal digits at the start of cursor, moves cursor past
// it and returns its value modulo 2^32; 0 with cursor unchanged when there is
// no digit there.
uint32_t parseDecimal(std::string_view& cursor);

// Classifies the token at the start of text and stores the number of
// characters it covers in *length when length is not null (0 only at the
// end of the text).
TokenKind nextToken(std::string_view text, int* length);

}  // namespace memtally

#endif  // MEMTALLY_SCAN_LEXER_H_
