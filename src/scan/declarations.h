// Array and constant declarations of BasicX modules, and the bytes an array
// takes, so that the byte array a task is started on can be measured.
//
// Each parser reads one logical source line as the scanner hands it: leading
// white space skipped, trailing white space trimmed, continued lines joined.
// A trailing comment (an apostrophe outside a string) is allowed, and a NUL
// byte ends the line. Results are views into the line; nothing is copied.
#ifndef MEMTALLY_SCAN_DECLARATIONS_H_
#define MEMTALLY_SCAN_DECLARATIONS_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace memtally {

// One bound of an array dimension as written, without surrounding white
// space: a literal such as 40, -2 or &H10, a constant's name, or any other
// text, which arraySize does not evaluate.
struct BoundValue {
  std::string_view text;
};

// One dimension: `lower To upper`, or `upper` alone (lower from Option Base).
struct Bound {
  std::optional<BoundValue> lower;
  BoundValue upper;
};

// An array named by a Dim, Private or Public line.
struct DeclaredArray {
  std::string_view name;
  size_t nameColumn = 0;      // byte offset of the name in the line
  std::string_view keyword;   // Dim, Private or Public as written
  std::vector<Bound> bounds;  // one per dimension
  std::string_view type;      // as written after As; empty without As
  bool wellFormed = true;     // false: the bounds or what follows are junk
  std::string problem;        // why not well formed; empty otherwise
};

// A constant named by a Const line.
struct DeclaredConstant {
  std::string_view name;
  bool isPublic = false;         // declared Public Const
  std::optional<int64_t> value;  // set only when the value is a literal
};

// The bytes an array takes, or why they are not known.
struct ArraySize {
  std::optional<uint32_t> bytes;
  std::string problem;  // a short phrase when bytes is unset
};

// Answers the value of a constant by its name, none when it has no literal
// value or is not known.
using ConstantLookup = std::function<std::optional<int64_t>(std::string_view)>;

// Returns the value of a literal that fills the whole text: decimal digits or
// &H and hexadecimal digits (of any case, read as an unsigned number, so
// &HFFFF is 65535), perhaps preceded by '-' and white space; none for any
// other text or a value outside int64.
std::optional<int64_t> literalValue(std::string_view text);

// Returns the arrays declared by a line that begins `Dim`, `Private` or
// `Public` (any case) and white space, in the order written; plain variables
// are left out, and so is every line of another form (Private Const, Public
// Sub and so on). An array whose bounds or following text cannot be read is
// returned with wellFormed false, and reading resumes after the next comma.
std::vector<DeclaredArray> parseArrayDeclarations(std::string_view line);

// Returns the constant declared by a line `[Private|Public] Const NAME
// [As TYPE] = VALUE`; none for a line of another form. Another constant's
// name as the value is not followed, so the value stays unset.
std::optional<DeclaredConstant> parseConstant(std::string_view line);

// True for a line `Option Base 1` in any case and spacing.
bool isOptionBase1(std::string_view line);

// Returns the bytes of `array`: the product of its dimensions' element
// counts and its element size, a bound `U` alone counting from 0, or from 1
// with `optionBase1`. Constant names in bounds are resolved by `constant`.
// Unknown, with a reason, when a bound is not constant, an upper bound is
// below its lower bound, the element type has no known size, the size
// exceeds 4294967295 bytes, or the declaration could not be read.
ArraySize arraySize(const DeclaredArray& array, bool optionBase1,
                    const ConstantLookup& constant);

}  // namespace memtally

#endif  // MEMTALLY_SCAN_DECLARATIONS_H_
