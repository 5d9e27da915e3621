#include "scan/declarations.h"

#include <utility>

#include "base/chars.h"
#include "scan/lexer.h"

namespace memtally {
namespace {

// The largest array a BasicX program could hold, and more.
constexpr uint64_t kMaxBytes = 0xffffffffu;
constexpr uint64_t kMaxUnsigned = ~uint64_t{0};
constexpr uint64_t kMaxSigned = kMaxUnsigned >> 1;

// The byte at index i, or NUL at and past the end of the view.
unsigned char charAt(std::string_view text, size_t i) {
  return i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
}

// The line up to its first NUL, which ends it.
std::string_view untilNul(std::string_view line) {
  const size_t nul = line.find('\0');
  return nul == std::string_view::npos ? line : line.substr(0, nul);
}

// The identifier at the start of text; empty when there is none.
std::string_view leadingWord(std::string_view text) {
  return text.substr(0, static_cast<size_t>(identifierLength(text)));
}

// True when text begins with the word `keyword` (any case) and white space.
bool startsWithKeyword(std::string_view text, std::string_view keyword) {
  const std::string_view word = leadingWord(text);
  return equalsNoCase(word, keyword) && isSpace(charAt(text, word.size()));
}

// The text after the keyword at its start and the white space after that.
std::string_view afterKeyword(std::string_view text) {
  return skipSpace(text.substr(leadingWord(text).size()));
}

// One token of a line, as a view into it.
struct Token {
  TokenKind kind;
  std::string_view text;
};

// The token after any white space at the start of rest; empty text at the
// end of the line.
Token peekToken(std::string_view rest) {
  rest = skipSpace(rest);
  int length = 0;
  const TokenKind kind = nextToken(rest, &length);
  return {kind, rest.substr(0, static_cast<size_t>(length))};
}

// The part of rest after `token`, which lies inside it.
std::string_view after(std::string_view rest, const Token& token) {
  return rest.substr(static_cast<size_t>(token.text.data() - rest.data()) +
                     token.text.size());
}

// True at the end of a statement: the end of the line or a comment.
bool endsStatement(const Token& token) {
  return token.text.empty() || token.kind == TOKEN_COMMENT;
}

// Moves rest to the next comma outside parentheses, or to the end of the
// statement when there is none.
void skipToComma(std::string_view& rest) {
  size_t depth = 0;
  for (;;) {
    const Token token = peekToken(rest);
    if (endsStatement(token) || (depth == 0 && token.text == ",")) return;
    if (token.text == "(") ++depth;
    if (token.text == ")" && depth > 0) --depth;
    rest = after(rest, token);
  }
}

// The text of a bound value being read, from its first token to its last.
struct Span {
  const char* begin = nullptr;
  const char* end = nullptr;

  void extend(std::string_view token) {
    if (begin == nullptr) begin = token.data();
    end = token.data() + token.size();
  }
  bool empty() const { return begin == nullptr; }
  BoundValue value() const {
    return {std::string_view(begin, static_cast<size_t>(end - begin))};
  }
};

// The bound list of an array, read one token at a time.
class BoundReader {
 public:
  explicit BoundReader(std::vector<Bound>& bounds) : bounds_(bounds) {}

  // Reads the bound list after its '(' up to its ')', moving rest past it.
  // Returns why it cannot be read; empty when it can.
  std::string read(std::string_view& rest) {
    for (;;) {
      const Token token = peekToken(rest);
      if (endsStatement(token)) return "its bound list is not closed";
      rest = after(rest, token);
      if (depth_ == 0 && token.text == ")") return finishList();
      std::string problem = take(token);
      if (!problem.empty()) return problem;
    }
  }

 private:
  // Takes one token inside the list other than its closing ')'.
  std::string take(const Token& token) {
    if (depth_ == 0 && token.kind == TOKEN_IDENTIFIER &&
        equalsNoCase(token.text, "To")) {
      return takeTo();
    }
    if (depth_ == 0 && token.text == ",") return finishBound();
    if (token.text == "(") ++depth_;
    if (token.text == ")") --depth_;
    value_.extend(token.text);
    return {};
  }

  std::string takeTo() {
    if (value_.empty()) return "a bound has no value before To";
    if (lower_) return "a bound has To twice";
    lower_ = value_.value();
    value_ = Span();
    return {};
  }

  std::string finishBound() {
    if (value_.empty()) return "a bound has no upper value";
    bounds_.push_back({lower_, value_.value()});
    lower_.reset();
    value_ = Span();
    return {};
  }

  std::string finishList() {
    if (bounds_.empty() && value_.empty() && !lower_) {
      return "its bound list is empty";
    }
    return finishBound();
  }

  std::vector<Bound>& bounds_;
  std::optional<BoundValue> lower_;  // the value before To, when read
  Span value_;                       // the value being read
  size_t depth_ = 0;                 // parentheses open inside the list
};

// Reads `As TYPE` at the start of rest when it is there, moving rest past
// it; TYPE is a name, perhaps followed by `* LENGTH` as a fixed-length
// string is. Returns false when As has no type after it.
bool readType(std::string_view& rest, std::string_view& type) {
  std::string_view text = skipSpace(rest);
  if (!equalsNoCase(leadingWord(text), "As")) return true;
  text = skipSpace(text.substr(2));
  const std::string_view name = leadingWord(text);
  if (name.empty()) return false;
  type = name;
  rest = text.substr(name.size());
  const Token star = peekToken(rest);
  if (star.text != "*") return true;
  const Token length = peekToken(after(rest, star));
  if (length.kind != TOKEN_NUMBER && length.kind != TOKEN_IDENTIFIER) {
    return true;
  }
  type = std::string_view(
      name.data(), static_cast<size_t>(length.text.data() - name.data()) +
                       length.text.size());
  rest = after(rest, length);
  return true;
}

// Reads the bounds, type and end of an array item whose name has been read,
// with rest at its '('; leaves rest at the comma after it or the end of the
// statement.
void readArray(std::string_view& rest, DeclaredArray& array) {
  rest = rest.substr(1);
  array.problem = BoundReader(array.bounds).read(rest);
  if (array.problem.empty() && !readType(rest, array.type)) {
    array.problem = "As has no type after it";
  }
  if (array.problem.empty()) {
    const Token next = peekToken(rest);
    if (!endsStatement(next) && next.text != ",") {
      array.problem = "unexpected " + std::string(next.text);
    }
  }
  array.wellFormed = array.problem.empty();
  if (!array.wellFormed) skipToComma(rest);
}

// Reads the declared item at the start of rest, adding it to `arrays` when
// it is an array; leaves rest at the comma after it or the end of the
// statement.
void readItem(std::string_view line, std::string_view keyword,
              std::string_view& rest, std::vector<DeclaredArray>& arrays) {
  rest = skipSpace(rest);
  const std::string_view name = leadingWord(rest);
  const std::string_view afterName = skipSpace(rest.substr(name.size()));
  if (name.empty() || charAt(afterName, 0) != '(') {
    skipToComma(rest);
    return;
  }
  DeclaredArray array;
  array.name = name;
  array.nameColumn = static_cast<size_t>(name.data() - line.data());
  array.keyword = keyword;
  rest = afterName;
  readArray(rest, array);
  arrays.push_back(std::move(array));
}

// True for the words that make a Private or Public line declare something
// other than variables.
bool isStatementWord(std::string_view word) {
  static constexpr std::string_view kWords[] = {
      "Const", "Sub",      "Function", "Declare", "Type",
      "Enum",  "Property", "Event",    "Dim",     "Static"};
  for (const std::string_view statement : kWords) {
    if (equalsNoCase(word, statement)) return true;
  }
  return false;
}

// The text of a statement before its comment, trailing white space dropped.
std::string_view beforeComment(std::string_view rest) {
  std::string_view cursor = rest;
  for (;;) {
    const Token token = peekToken(cursor);
    if (endsStatement(token)) {
      const size_t end = static_cast<size_t>(token.text.data() - rest.data());
      return trimRight(rest.substr(0, end));
    }
    cursor = after(cursor, token);
  }
}

// Digits 0 to 9 making up the whole text, as a number; none when empty,
// another character comes or the value exceeds 64 bits.
std::optional<uint64_t> decimalMagnitude(std::string_view text) {
  if (text.empty()) return std::nullopt;
  uint64_t value = 0;
  for (const char c : text) {
    if (!isDigit(static_cast<unsigned char>(c))) return std::nullopt;
    const uint64_t digit = static_cast<uint64_t>(c - '0');
    if (value > (kMaxUnsigned - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

uint64_t hexDigitValue(unsigned char c) {
  if (isDigit(c)) return c - '0';
  return foldCase(c) - 'a' + 10u;
}

// &H and hexadecimal digits making up the whole text, as a number; none
// otherwise or when the value exceeds 64 bits.
std::optional<uint64_t> hexMagnitude(std::string_view text) {
  if (text.size() < 3 || text[0] != '&' || foldCase(charAt(text, 1)) != 'h') {
    return std::nullopt;
  }
  uint64_t value = 0;
  for (const char c : text.substr(2)) {
    if (!isHexDigit(static_cast<unsigned char>(c))) return std::nullopt;
    if (value > (kMaxUnsigned >> 4)) return std::nullopt;
    value = (value << 4) | hexDigitValue(static_cast<unsigned char>(c));
  }
  return value;
}

// The magnitude with its sign, none outside int64.
std::optional<int64_t> signedValue(uint64_t magnitude, bool negative) {
  if (!negative) {
    if (magnitude > kMaxSigned) return std::nullopt;
    return static_cast<int64_t>(magnitude);
  }
  if (magnitude > kMaxSigned + 1) return std::nullopt;
  // Modular conversion: 2^63 becomes INT64_MIN without a signed overflow.
  return static_cast<int64_t>(0 - magnitude);
}

ArraySize unknownSize(std::string problem) {
  return {std::nullopt, std::move(problem)};
}

// The value of a bound: a literal, or a constant that `constant` knows.
std::optional<int64_t> boundValue(const BoundValue& bound,
                                  const ConstantLookup& constant) {
  if (const std::optional<int64_t> literal = literalValue(bound.text)) {
    return literal;
  }
  const bool isName = !bound.text.empty() &&
                      leadingWord(bound.text).size() == bound.text.size();
  if (!isName || !constant) return std::nullopt;
  return constant(bound.text);
}

// The elements of a dimension from lower to upper, upper not below lower;
// none when they are more than an array can hold. The difference is taken
// unsigned, where it cannot overflow.
std::optional<uint64_t> elementCount(int64_t lower, int64_t upper) {
  const uint64_t difference =
      static_cast<uint64_t>(upper) - static_cast<uint64_t>(lower);
  if (difference >= kMaxBytes) return std::nullopt;
  return difference + 1;
}

// The bytes of one element of the named type; none for a type of no known
// size.
std::optional<uint32_t> elementSize(std::string_view type) {
  struct Sized {
    std::string_view name;
    uint32_t bytes;
  };
  static constexpr Sized kTypes[] = {
      {"Byte", 1}, {"Boolean", 1},      {"Integer", 2}, {"UnsignedInteger", 2},
      {"Long", 4}, {"UnsignedLong", 4}, {"Single", 4}};
  for (const Sized& sized : kTypes) {
    if (equalsNoCase(type, sized.name)) return sized.bytes;
  }
  return std::nullopt;
}

// Multiplies the running product by a factor unless it has already grown
// past kMaxBytes; a product past it stays unset.
void multiply(std::optional<uint64_t>& product,
              std::optional<uint64_t> factor) {
  if (!product) return;
  if (!factor || (*factor != 0 && *product > kMaxBytes / *factor)) {
    product.reset();
    return;
  }
  *product *= *factor;
}

}  // namespace

std::optional<int64_t> literalValue(std::string_view text) {
  bool negative = false;
  if (charAt(text, 0) == '-') {
    negative = true;
    text = skipSpace(text.substr(1));
  }
  const std::optional<uint64_t> magnitude =
      charAt(text, 0) == '&' ? hexMagnitude(text) : decimalMagnitude(text);
  if (!magnitude) return std::nullopt;
  return signedValue(*magnitude, negative);
}

std::vector<DeclaredArray> parseArrayDeclarations(std::string_view line) {
  line = untilNul(line);
  const std::string_view keyword = leadingWord(line);
  if (!startsWithKeyword(line, "Dim") && !startsWithKeyword(line, "Private") &&
      !startsWithKeyword(line, "Public")) {
    return {};
  }
  std::string_view rest = afterKeyword(line);
  if (!equalsNoCase(keyword, "Dim") && isStatementWord(leadingWord(rest))) {
    return {};
  }
  std::vector<DeclaredArray> arrays;
  for (;;) {
    readItem(line, keyword, rest, arrays);
    const Token next = peekToken(rest);
    if (next.text != ",") return arrays;
    rest = after(rest, next);
  }
}

std::optional<DeclaredConstant> parseConstant(std::string_view line) {
  std::string_view rest = untilNul(line);
  DeclaredConstant constant;
  if (startsWithKeyword(rest, "Private") || startsWithKeyword(rest, "Public")) {
    constant.isPublic = equalsNoCase(leadingWord(rest), "Public");
    rest = afterKeyword(rest);
  }
  if (!startsWithKeyword(rest, "Const")) return std::nullopt;
  rest = afterKeyword(rest);
  constant.name = leadingWord(rest);
  if (constant.name.empty()) return std::nullopt;
  rest = rest.substr(constant.name.size());
  std::string_view type;
  if (!readType(rest, type)) return std::nullopt;
  rest = skipSpace(rest);
  if (charAt(rest, 0) != '=') return std::nullopt;
  constant.value = literalValue(skipSpace(beforeComment(rest.substr(1))));
  return constant;
}

bool isOptionBase1(std::string_view line) {
  std::string_view rest = untilNul(line);
  if (!startsWithKeyword(rest, "Option")) return false;
  rest = afterKeyword(rest);
  if (!startsWithKeyword(rest, "Base")) return false;
  rest = afterKeyword(rest);
  if (charAt(rest, 0) != '1') return false;
  const std::string_view tail = rest.substr(1);
  if (!tail.empty() && !isSpace(charAt(tail, 0)) && tail[0] != '\'') {
    return false;
  }
  return endsStatement(peekToken(tail));
}

ArraySize arraySize(const DeclaredArray& array, bool optionBase1,
                    const ConstantLookup& constant) {
  if (!array.wellFormed) {
    return unknownSize("its declaration cannot be read (" + array.problem +
                       ")");
  }
  if (array.bounds.empty()) return unknownSize("it has no bounds");
  std::optional<uint64_t> bytes = 1;
  for (const Bound& bound : array.bounds) {
    const std::optional<int64_t> upper = boundValue(bound.upper, constant);
    std::optional<int64_t> lower = optionBase1 ? 1 : 0;
    if (bound.lower) lower = boundValue(*bound.lower, constant);
    if (!lower || !upper) {
      const BoundValue& named = !lower ? *bound.lower : bound.upper;
      return unknownSize("its bounds are not constant (" +
                         std::string(named.text) + ")");
    }
    if (*upper < *lower) {
      return unknownSize("its upper bound " + std::to_string(*upper) +
                         " is below its lower bound " + std::to_string(*lower));
    }
    multiply(bytes, elementCount(*lower, *upper));
  }
  if (array.type.empty()) return unknownSize("it has no As type");
  const std::optional<uint32_t> size = elementSize(array.type);
  if (!size) {
    return unknownSize("its element type " + std::string(array.type) +
                       " has no known size");
  }
  multiply(bytes, *size);
  if (!bytes) return unknownSize("it holds more than 4294967295 bytes");
  return {static_cast<uint32_t>(*bytes), {}};
}

}  // namespace memtally
