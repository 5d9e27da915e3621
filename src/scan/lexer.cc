#include "scan/lexer.h"

#include "base/chars.h"

namespace memtally {
namespace {

// The byte at index i, or NUL at and past the end of the view.
unsigned char charAt(std::string_view text, size_t i) {
  return i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
}

// Counts the characters from index `from` on that satisfy `keep`, stopping
// at the end of the text.
template <typename Predicate>
size_t runLength(std::string_view text, size_t from, Predicate keep) {
  size_t i = from;
  while (charAt(text, i) != 0 && keep(charAt(text, i))) ++i;
  return i - from;
}

bool isIdentifierChar(unsigned char c) {
  return isLetter(c) || isDigit(c) || c == '_' || c == '.';
}

// A decimal number takes digits and these characters without regard to what
// they mean, so 12.5E-3 and 10- are numbers.
bool isNumberChar(unsigned char c) {
  return isDigit(c) || c == 'E' || c == '.' || c == '!' || c == '#' || c == '-';
}

bool isSingleOperator(unsigned char c) {
  switch (c) {
    case '(':
    case ')':
    case '*':
    case '+':
    case ',':
    case '-':
    case '/':
    case ';':
    case '=':
    case '^':
    case '\\':
      return true;
    default:
      return false;
  }
}

// A double-quoted literal; two quotes in a row stand for one quote inside
// it, and the end of the text ends a literal that is not closed.
size_t stringLength(std::string_view text) {
  size_t i = 1;
  for (;;) {
    const unsigned char c = charAt(text, i);
    if (c == 0) return i;
    if (c == '"') {
      if (charAt(text, i + 1) != '"') return i + 1;
      i += 2;
    } else {
      ++i;
    }
  }
}

// &H followed by at least one hexadecimal digit, then perhaps one '&', is a
// number; any other ampersand is an operator.
TokenKind ampersandToken(std::string_view text, size_t* length) {
  const unsigned char h = charAt(text, 1);
  if ((h != 'H' && h != 'h') || !isHexDigit(charAt(text, 2))) {
    *length = 1;
    return TOKEN_OPERATOR;
  }
  size_t n = 2 + runLength(text, 2, isHexDigit);
  if (charAt(text, n) == '&') ++n;
  *length = n;
  return TOKEN_NUMBER;
}

// '<' pairs with '>' or '=', and '>' with '<' or '='.
size_t comparisonLength(std::string_view text) {
  const unsigned char next = charAt(text, 1);
  const unsigned char partner = text[0] == '<' ? '>' : '<';
  return next == partner || next == '=' ? 2 : 1;
}

TokenKind wordToken(std::string_view text, size_t* length) {
  const size_t n = static_cast<size_t>(identifierLength(text));
  if (charAt(text, n) == ':') {
    *length = n + 1;
    return TOKEN_LABEL;
  }
  *length = n;
  return TOKEN_IDENTIFIER;
}

TokenKind classify(std::string_view text, size_t* length) {
  const unsigned char c = charAt(text, 0);
  if (c == 0) {
    *length = 0;
    return TOKEN_END;
  }
  if (c == '"') {
    *length = stringLength(text);
    return TOKEN_STRING;
  }
  if (c == '&') return ampersandToken(text, length);
  if (c == '\'') {
    *length = runLength(text, 0, [](unsigned char) { return true; });
    return TOKEN_COMMENT;
  }
  if (c == '<' || c == '>') {
    *length = comparisonLength(text);
    return TOKEN_OPERATOR;
  }
  if (isSingleOperator(c)) {
    *length = 1;
    return TOKEN_OPERATOR;
  }
  if (isLetter(c)) return wordToken(text, length);
  if (isDigit(c)) {
    *length = runLength(text, 0, isNumberChar);
    return TOKEN_NUMBER;
  }
  *length = 1;
  return TOKEN_END;
}

}  // namespace

std::string_view skipSpace(std::string_view text) {
  if (text.data() == nullptr) return text;
  return text.substr(runLength(text, 0, isSpace));
}

std::string_view trimRight(std::string_view text) {
  if (text.data() == nullptr) return text;
  size_t end = text.find('\0');
  if (end == std::string_view::npos) end = text.size();
  while (end > 0 && isSpace(static_cast<unsigned char>(text[end - 1]))) --end;
  return text.substr(0, end);
}

int identifierLength(std::string_view text) {
  if (!isLetter(charAt(text, 0))) return 0;
  return static_cast<int>(1 + runLength(text, 1, isIdentifierChar));
}

uint32_t parseDecimal(std::string_view& cursor) {
  uint32_t value = 0;
  size_t i = 0;
  while (isDigit(charAt(cursor, i))) {
    value = value * 10u + static_cast<uint32_t>(cursor[i] - '0');
    ++i;
  }
  cursor.remove_prefix(i);
  return value;
}

TokenKind nextToken(std::string_view text, int* length) {
  size_t covered = 0;
  const TokenKind kind = classify(text, &covered);
  if (length != nullptr) *length = static_cast<int>(covered);
  return kind;
}

}  // namespace memtally
