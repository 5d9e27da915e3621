// Fuzzes the readers of array and constant declarations and the array size
// on arbitrary bytes.
//
// The whole input is read as one line, and then each of its lines (split at
// line feeds) is; the constants that any line declares answer the constant
// names in the bounds of every array. Results must be views inside their
// line, and every size is checked against one recomputed exactly in 128 bits
// from bounds read again by std::from_chars.
#include <charconv>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/chars.h"
#include "fuzz_check.h"
#include "scan/declarations.h"
#include "scan/lexer.h"

namespace memtally::fuzz {
namespace {

__extension__ typedef __int128 Wide;

// Any product above this is too large; products are capped at it so that
// they never overflow.
constexpr Wide kCap = Wide{1} << 40;
constexpr Wide kMaxBytes = 0xffffffffu;

// The length of the line the readers see: up to the first NUL.
size_t lineEnd(std::string_view line) {
  const size_t nul = line.find('\0');
  return nul == std::string_view::npos ? line.size() : nul;
}

// True when the view is empty or lies inside the line before its first NUL.
bool inside(std::string_view view, std::string_view line) {
  if (view.empty()) return true;
  return view.data() >= line.data() &&
         view.data() + view.size() <= line.data() + lineEnd(line);
}

bool isIdentifier(std::string_view text) {
  return !text.empty() &&
         identifierLength(text) == static_cast<int>(text.size());
}

// A literal read another way: '-' and white space, then decimal digits or
// &H and hexadecimal digits filling the text, converted by std::from_chars.
std::optional<int64_t> referenceLiteral(std::string_view text) {
  std::string digits;
  size_t i = 0;
  if (i < text.size() && text[i] == '-') {
    digits = "-";
    for (++i;
         i < text.size() && isSpace(static_cast<unsigned char>(text[i]));) {
      ++i;
    }
  }
  int base = 10;
  if (text.size() - i >= 2 && text[i] == '&' && foldCase(text[i + 1]) == 'h') {
    base = 16;
    i += 2;
  }
  const std::string_view body = text.substr(i);
  if (body.empty()) return std::nullopt;
  for (const char c : body) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (base == 16 ? !isHexDigit(u) : !isDigit(u)) return std::nullopt;
  }
  digits += body;
  int64_t value = 0;
  const char* end = digits.data() + digits.size();
  const auto [stop, error] = std::from_chars(digits.data(), end, value, base);
  if (error != std::errc() || stop != end) return std::nullopt;
  return value;
}

// The constants the input declares, found by name in any letter case.
struct Constants {
  std::vector<DeclaredConstant> declared;

  std::optional<int64_t> find(std::string_view name) const {
    for (const DeclaredConstant& constant : declared) {
      if (equalsNoCase(constant.name, name)) return constant.value;
    }
    return std::nullopt;
  }
};

std::optional<int64_t> referenceBound(std::string_view text,
                                      const Constants& constants) {
  if (const std::optional<int64_t> value = referenceLiteral(text)) return value;
  if (!isIdentifier(text)) return std::nullopt;
  return constants.find(text);
}

Wide referenceElementSize(std::string_view type) {
  const std::string folded = foldedCopy(type);
  if (folded == "byte" || folded == "boolean") return 1;
  if (folded == "integer" || folded == "unsignedinteger") return 2;
  if (folded == "long" || folded == "unsignedlong" || folded == "single") {
    return 4;
  }
  return 0;
}

// The bytes of the array computed exactly, capped at kCap; 0 when unknown.
Wide referenceBytes(const DeclaredArray& array, bool optionBase1,
                    const Constants& constants) {
  if (!array.wellFormed || array.bounds.empty()) return 0;
  Wide product = 1;
  for (const Bound& bound : array.bounds) {
    const std::optional<int64_t> upper =
        referenceBound(bound.upper.text, constants);
    std::optional<int64_t> lower = optionBase1 ? 1 : 0;
    if (bound.lower) lower = referenceBound(bound.lower->text, constants);
    if (!lower || !upper || *upper < *lower) return 0;
    product *= Wide{*upper} - Wide{*lower} + 1;
    if (product > kCap) product = kCap;
  }
  product *= referenceElementSize(array.type);
  return product > kCap ? kCap : product;
}

// A bound value is non-empty, trimmed, inside the line, and read as a
// literal exactly when std::from_chars reads it.
void checkBoundValue(const BoundValue& value, std::string_view line) {
  const std::string_view text = value.text;
  FUZZ_CHECK(!text.empty() && inside(text, line));
  FUZZ_CHECK(!isSpace(static_cast<unsigned char>(text.front())));
  FUZZ_CHECK(!isSpace(static_cast<unsigned char>(text.back())));
  FUZZ_CHECK(literalValue(text) == referenceLiteral(text));
}

// The array's views lie in the line, its name where its column says, and a
// well-formed array has a list of bounds.
void checkArray(const DeclaredArray& array, std::string_view line) {
  FUZZ_CHECK(isIdentifier(array.name));
  FUZZ_CHECK(array.name.data() == line.data() + array.nameColumn);
  FUZZ_CHECK(inside(array.name, line));
  FUZZ_CHECK(array.keyword.data() == line.data());
  FUZZ_CHECK(equalsNoCase(array.keyword, "Dim") ||
             equalsNoCase(array.keyword, "Private") ||
             equalsNoCase(array.keyword, "Public"));
  FUZZ_CHECK(inside(array.type, line));
  FUZZ_CHECK(array.wellFormed == array.problem.empty());
  if (!array.wellFormed) return;
  FUZZ_CHECK(!array.bounds.empty());
  for (const Bound& bound : array.bounds) {
    checkBoundValue(bound.upper, line);
    if (bound.lower) checkBoundValue(*bound.lower, line);
  }
}

// The size is set exactly when the exact product is known and fits 32 bits.
void checkSize(const DeclaredArray& array, bool optionBase1,
               const Constants& constants) {
  const ArraySize size =
      arraySize(array, optionBase1,
                [&](std::string_view name) { return constants.find(name); });
  FUZZ_CHECK(size.bytes.has_value() == size.problem.empty());
  const Wide expected = referenceBytes(array, optionBase1, constants);
  if (expected == 0) {
    FUZZ_CHECK(!size.bytes);
  } else if (expected > kMaxBytes) {
    FUZZ_CHECK(size.problem == "it holds more than 4294967295 bytes");
  } else {
    FUZZ_CHECK(size.bytes && Wide{*size.bytes} == expected);
  }
}

// Reads one line with every reader, adding any constant it declares.
std::vector<DeclaredArray> readLine(std::string_view line,
                                    Constants& constants) {
  if (isOptionBase1(line))
    FUZZ_CHECK(equalsNoCase(line.substr(0, 6), "Option"));
  if (const std::optional<DeclaredConstant> constant = parseConstant(line)) {
    FUZZ_CHECK(isIdentifier(constant->name) && inside(constant->name, line));
    constants.declared.push_back(*constant);
  }
  std::vector<DeclaredArray> arrays = parseArrayDeclarations(line);
  for (size_t i = 0; i < arrays.size(); ++i) {
    checkArray(arrays[i], line);
    if (i > 0) FUZZ_CHECK(arrays[i - 1].nameColumn < arrays[i].nameColumn);
  }
  return arrays;
}

}  // namespace
}  // namespace memtally::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace memtally;
  using namespace memtally::fuzz;
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  FUZZ_CHECK(literalValue(input) == referenceLiteral(input));
  Constants constants;
  std::vector<DeclaredArray> arrays = readLine(input, constants);
  for (size_t start = 0; start <= input.size();) {
    size_t end = input.find('\n', start);
    if (end == std::string_view::npos) end = input.size();
    for (DeclaredArray& array :
         readLine(input.substr(start, end - start), constants)) {
      arrays.push_back(std::move(array));
    }
    start = end + 1;
  }
  for (const DeclaredArray& array : arrays) {
    checkSize(array, false, constants);
    checkSize(array, true, constants);
  }
  return 0;
}
