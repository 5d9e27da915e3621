#include "scan/keywords.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <iterator>

#include "base/chars.h"

namespace memtally {
namespace {

// Every reserved word, folded and in byte order, for a binary search.
constexpr std::string_view kKeywords[] = {
    "alias",    "and",      "as",       "base",     "binary",
    "boolean",  "byref",    "byte",     "byval",    "call",
    "case",     "compare",  "const",    "declare",  "dim",
    "do",       "double",   "each",     "else",     "elseif",
    "end",      "enum",     "eqv",      "exit",     "explicit",
    "false",    "for",      "friend",   "function", "get",
    "global",   "gosub",    "goto",     "if",       "imp",
    "in",       "integer",  "is",       "let",      "lib",
    "like",     "long",     "loop",     "me",       "mod",
    "new",      "next",     "not",      "nothing",  "object",
    "on",       "option",   "optional", "or",       "paramarray",
    "preserve", "private",  "property", "public",   "redim",
    "return",   "select",   "set",      "single",   "static",
    "step",     "string",   "sub",      "then",     "to",
    "true",     "type",     "unsignedinteger",      "unsignedlong",
    "until",    "wend",     "while",    "with",     "xor",
};

// The longest reserved word; no longer word is looked up.
constexpr size_t kLongest = 15;

constexpr bool isSorted() {
  for (size_t i = 1; i < std::size(kKeywords); ++i) {
    if (!(kKeywords[i - 1] < kKeywords[i])) return false;
  }
  return true;
}
static_assert(isSorted(), "kKeywords must be in byte order");

// For each first letter a to z, the lengths of the reserved words that
// begin with it, one bit a length: most names of a body are no reserved
// word by these two alone, before any search (bench/run.sh: 3% of a bound
// run).
constexpr std::array<uint16_t, 26> lengthsByLetter() {
  std::array<uint16_t, 26> lengths{};
  for (const std::string_view keyword : kKeywords) {
    lengths[static_cast<size_t>(keyword[0] - 'a')] |=
        static_cast<uint16_t>(1u << keyword.size());
  }
  return lengths;
}
static_assert(kLongest < 16, "a length must fit the bits of a letter");
constexpr std::array<uint16_t, 26> kLengthsByLetter = lengthsByLetter();

}  // namespace

bool isKeyword(std::string_view word) {
  if (word.empty() || word.size() > kLongest) return false;
  const unsigned char first = foldCase(static_cast<unsigned char>(word[0]));
  if (first < 'a' || first > 'z' ||
      (kLengthsByLetter[first - 'a'] & (1u << word.size())) == 0) {
    return false;
  }
  char folded[kLongest];
  for (size_t i = 0; i < word.size(); ++i) {
    folded[i] = static_cast<char>(foldCase(static_cast<unsigned char>(word[i])));
  }
  return std::binary_search(std::begin(kKeywords), std::end(kKeywords),
                            std::string_view(folded, word.size()));
}

}  // namespace memtally
