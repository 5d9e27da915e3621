// Fuzzes the lexical primitives and the tokenizer on arbitrary bytes.
//
// The input is used in place, without a copy and without a terminator, so
// AddressSanitizer sees any read past its end. Each primitive is checked
// against what it promises: results are views inside the text, never past
// its end (or its first NUL), and the tokens of a line cover it exactly.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "base/chars.h"
#include "fuzz_check.h"
#include "scan/lexer.h"

namespace memtally::fuzz {
namespace {

// The length of the text a primitive sees: up to the first NUL.
size_t textEnd(std::string_view text) {
  const size_t nul = text.find('\0');
  return nul == std::string_view::npos ? text.size() : nul;
}

unsigned char at(std::string_view text, size_t i) {
  return static_cast<unsigned char>(text[i]);
}

bool isIdentifierChar(unsigned char c) {
  return isLetter(c) || isDigit(c) || c == '_' || c == '.';
}

// skipSpace returns a suffix of the text whose dropped part is white space
// and which does not itself begin with white space.
void checkSkipSpace(std::string_view text) {
  const std::string_view rest = skipSpace(text);
  FUZZ_CHECK(rest.data() >= text.data());
  FUZZ_CHECK(rest.data() + rest.size() == text.data() + text.size());
  const size_t skipped = static_cast<size_t>(rest.data() - text.data());
  for (size_t i = 0; i < skipped; ++i) FUZZ_CHECK(isSpace(at(text, i)));
  FUZZ_CHECK(rest.empty() || !isSpace(at(rest, 0)));
}

// trimRight returns a prefix of the text up to its end or first NUL whose
// dropped tail is white space and which does not end in white space.
void checkTrimRight(std::string_view text) {
  const std::string_view kept = trimRight(text);
  const size_t end = textEnd(text);
  FUZZ_CHECK(kept.data() == text.data());
  FUZZ_CHECK(kept.size() <= end);
  for (size_t i = kept.size(); i < end; ++i) FUZZ_CHECK(isSpace(at(text, i)));
  FUZZ_CHECK(kept.empty() || !isSpace(at(kept, kept.size() - 1)));
}

// identifierLength counts a letter and the identifier characters after it,
// and stops at the first other character or the end of the text.
void checkIdentifierLength(std::string_view text) {
  const int length = identifierLength(text);
  const size_t end = textEnd(text);
  FUZZ_CHECK(length >= 0);
  const size_t n = static_cast<size_t>(length);
  FUZZ_CHECK(n <= end);
  if (end == 0 || !isLetter(at(text, 0))) {
    FUZZ_CHECK(n == 0);
    return;
  }
  FUZZ_CHECK(n >= 1);
  for (size_t i = 1; i < n; ++i) FUZZ_CHECK(isIdentifierChar(at(text, i)));
  FUZZ_CHECK(n == end || !isIdentifierChar(at(text, n)));
}

// parseDecimal reads exactly the leading digits, modulo 2^32.
void checkParseDecimal(std::string_view text) {
  std::string_view cursor = text;
  const uint32_t value = parseDecimal(cursor);
  uint32_t expected = 0;
  size_t digits = 0;
  while (digits < text.size() && isDigit(at(text, digits))) {
    expected = expected * 10u + (at(text, digits) - '0');
    ++digits;
  }
  FUZZ_CHECK(value == expected);
  FUZZ_CHECK(cursor.data() == text.data() + digits);
  FUZZ_CHECK(cursor.size() == text.size() - digits);
}

// Checks what a token of `kind` and `length` at the start of `text` must
// look like.
void checkToken(std::string_view text, TokenKind kind, size_t length) {
  const unsigned char first = at(text, 0);
  switch (kind) {
    case TOKEN_END:
      FUZZ_CHECK(length == 1);
      FUZZ_CHECK(!isLetter(first) && !isDigit(first));
      break;
    case TOKEN_COMMENT:
      FUZZ_CHECK(first == '\'');
      FUZZ_CHECK(length == textEnd(text));
      break;
    case TOKEN_OPERATOR:
      FUZZ_CHECK(length == 1 || length == 2);
      FUZZ_CHECK(length == 1 || first == '<' || first == '>');
      break;
    case TOKEN_IDENTIFIER:
      FUZZ_CHECK(static_cast<int>(length) == identifierLength(text));
      break;
    case TOKEN_NUMBER:
      FUZZ_CHECK(isDigit(first) || (first == '&' && length >= 3));
      break;
    case TOKEN_STRING:
      FUZZ_CHECK(first == '"');
      break;
    case TOKEN_LABEL:
      FUZZ_CHECK(length >= 2 && at(text, length - 1) == ':');
      FUZZ_CHECK(static_cast<int>(length) - 1 == identifierLength(text));
      break;
    default:
      FUZZ_CHECK(!"nextToken returned an unknown kind");
  }
}

// Walks the text token by token: every token but the last has a length of at
// least 1, none reaches past the end, and the lengths add up to the length
// of the text. With `skipBlanks` white space is skipped before each token,
// as the module scanner does.
void walkTokens(std::string_view text, bool skipBlanks) {
  const size_t end = textEnd(text);
  std::string_view rest = text;
  size_t covered = 0;
  for (;;) {
    if (skipBlanks) {
      const std::string_view after = skipSpace(rest);
      covered += rest.size() - after.size();
      rest = after;
    }
    int length = -1;
    const TokenKind kind = nextToken(rest, &length);
    FUZZ_CHECK(nextToken(rest, nullptr) == kind);
    FUZZ_CHECK(length >= 0);
    if (length == 0) {
      FUZZ_CHECK(kind == TOKEN_END);
      break;
    }
    const size_t n = static_cast<size_t>(length);
    FUZZ_CHECK(covered + n <= end);
    checkToken(rest, kind, n);
    rest.remove_prefix(n);
    covered += n;
  }
  FUZZ_CHECK(covered == end);
}

// A missing text gives empty results and never fails.
void checkNullText() {
  const std::string_view none;
  FUZZ_CHECK(skipSpace(none).data() == nullptr);
  FUZZ_CHECK(trimRight(none).data() == nullptr);
  FUZZ_CHECK(identifierLength(none) == 0);
  int length = -1;
  FUZZ_CHECK(nextToken(none, &length) == TOKEN_END && length == 0);
  std::string_view cursor = none;
  FUZZ_CHECK(parseDecimal(cursor) == 0 && cursor.data() == nullptr);
}

}  // namespace
}  // namespace memtally::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace memtally::fuzz;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  checkNullText();
  checkSkipSpace(text);
  checkTrimRight(text);
  checkIdentifierLength(text);
  checkParseDecimal(text);
  walkTokens(text, false);
  walkTokens(text, true);
  return 0;
}
