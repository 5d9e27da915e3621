// The reserved words of BasicX BASIC, which never name a routine: the words
// of statements and clauses, the operators written as words, the type names
// and the literal words. The system library's routines (Delay, CStr, GetADC
// and the like) are not among them: they are routines a module calls.
#ifndef MEMTALLY_SCAN_KEYWORDS_H_
#define MEMTALLY_SCAN_KEYWORDS_H_

#include <string_view>

namespace memtally {

// True when `word` is a reserved word of the language, A to Z compared
// without regard to case.
bool isKeyword(std::string_view word);

}  // namespace memtally

#endif  // MEMTALLY_SCAN_KEYWORDS_H_
