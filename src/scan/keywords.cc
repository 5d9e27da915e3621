#include "scan/keywords.h"

#include <algorithm>
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

}  // namespace

bool isKeyword(std::string_view word) {
  if (word.empty() || word.size() > kLongest) return false;
  char folded[kLongest];
  for (size_t i = 0; i < word.size(); ++i) {
    folded[i] = static_cast<char>(foldCase(static_cast<unsigned char>(word[i])));
  }
  return std::binary_search(std::begin(kKeywords), std::end(kKeywords),
                            std::string_view(folded, word.size()));
}

}  // namespace memtally
