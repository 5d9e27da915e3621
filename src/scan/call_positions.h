// Bound mode: where a routine body calls what no module defines. A name is
// called where it follows the keyword Call, where '(' follows it and it is
// neither a keyword nor an array, and where it begins a statement that is
// no assignment and no label: `Debug.Print "x"`, `PutPin 25, 1`, `DoIt`.
#ifndef MEMTALLY_SCAN_CALL_POSITIONS_H_
#define MEMTALLY_SCAN_CALL_POSITIONS_H_

#include <deque>
#include <string>
#include <string_view>

#include "base/name_map.h"
#include "scan/project_declarations.h"

namespace memtally {

// A set of array names, compared with A to Z folded.
class ArrayNames {
 public:
  // Each set hashes under a key of its own unless given another's hash,
  // which spares drawing a new key for every routine's set.
  ArrayNames() = default;
  explicit ArrayNames(const NameHash& hash) : set_(0, hash) {}

  NameHash hash() const { return set_.hash_function(); }

  // Adds `name`, in any letter case.
  void add(std::string_view name);

  // Adds every array that `declarations` holds at module level, of every
  // module.
  void addModuleLevel(const ProjectDeclarations& declarations);

  // Adds the arrays among the parameters of a definition line: `rest` is
  // the text after the routine's name, `(ByRef buf() As Byte, n As Byte)`.
  void addParameters(std::string_view rest);

  // Adds the arrays that a body line `Dim a(1 To 5) As Byte, ...` declares;
  // any other line adds nothing.
  void addDimArrays(std::string_view line);

  // True when `name` was added, in any letter case.
  bool contains(std::string_view name) const;

  void clear();

 private:
  std::deque<std::string> names_;  // folded; the set views them
  NameSet set_;
  mutable std::string folded_;     // the name being looked up, folded
};

// One identifier of a body line: its text, the first character after it
// that is no white space (NUL at the end of the line), and whether it
// stands where a routine is called.
struct LineIdentifier {
  std::string_view name;
  char next = '\0';
  bool callPosition = false;
};

// Reads the identifiers of one logical body line (leading white space
// skipped) in order, skipping strings, comments and a label that begins
// the line. A statement begins the line, and follows a ':' and the
// keywords Then and Else.
class CallPositions {
 public:
  // Either set of arrays may be null.
  CallPositions(std::string_view line, const ArrayNames* moduleArrays,
                const ArrayNames* localArrays)
      : rest_(line), moduleArrays_(moduleArrays), localArrays_(localArrays) {}

  // Stores the next identifier in *identifier; false at the end of the line.
  bool next(LineIdentifier* identifier);

 private:
  // Fills *identifier with the identifier `token`, which was just read.
  void readIdentifier(std::string_view token, LineIdentifier* identifier);

  // Reads a name directly followed by ':', which was just read: a label at
  // the start of the line, which is skipped (false), else an identifier
  // that ends its statement (true).
  bool readLabel(std::string_view token, LineIdentifier* identifier);

  bool isArray(std::string_view name) const;

  // Whether `name`, which `next` follows, stands where a routine is called.
  bool isCallPosition(std::string_view name, char next) const;

  std::string_view rest_;  // the text not read yet
  const ArrayNames* moduleArrays_;
  const ArrayNames* localArrays_;
  bool lineStart_ = true;       // nothing read yet
  bool statementStart_ = true;  // the next token begins a statement
  bool afterCall_ = false;      // the last token was the keyword Call
};

}  // namespace memtally

#endif  // MEMTALLY_SCAN_CALL_POSITIONS_H_
