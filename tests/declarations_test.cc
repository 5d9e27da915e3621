#include "scan/declarations.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "base/chars.h"

namespace memtally {
namespace {

using namespace std::string_view_literals;
using Descriptions = std::vector<std::string>;

constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
constexpr int64_t kMax = std::numeric_limits<int64_t>::max();

// An array as "keyword name@column(bounds) As type ! problem".
std::string describe(const DeclaredArray& array) {
  std::string text = std::string(array.keyword) + " " +
                     std::string(array.name) + "@" +
                     std::to_string(array.nameColumn) + "(";
  for (size_t i = 0; i < array.bounds.size(); ++i) {
    const Bound& bound = array.bounds[i];
    if (i > 0) text += ", ";
    if (bound.lower) text += std::string(bound.lower->text) + " To ";
    text += bound.upper.text;
  }
  text += ")";
  if (!array.type.empty()) text += " As " + std::string(array.type);
  if (!array.wellFormed) text += " ! " + array.problem;
  return text;
}

Descriptions describeLine(std::string_view line) {
  Descriptions out;
  for (const DeclaredArray& array : parseArrayDeclarations(line)) {
    out.push_back(describe(array));
  }
  return out;
}

struct ArraysCase {
  std::string_view line;
  Descriptions arrays;
};

void expectArrays(const std::vector<ArraysCase>& cases) {
  for (const ArraysCase& c : cases) {
    EXPECT_EQ(describeLine(c.line), c.arrays) << c.line;
  }
}

TEST(DeclarationsTest, ArraysAreNamesWithBoundListsEachWithItsOwnType) {
  expectArrays({
      {"Dim dcStackVar(1 to 40) as byte",
       {"Dim dcStackVar@4(1 To 40) As byte"}},
      {"PUBLIC Stack(19) As Byte", {"PUBLIC Stack@7(19) As Byte"}},
      {"Private M(1 To 2, 0 To N) As Integer",
       {"Private M@8(1 To 2, 0 To N) As Integer"}},
      {"Dim N(-2 To - 2) As Byte", {"Dim N@4(-2 To - 2) As Byte"}},
      {"dim\tQ\t( &H3 )\tas\tbyte", {"dim Q@4(&H3) As byte"}},
      {"Dim A(3) As Byte ' B(4) As Byte", {"Dim A@4(3) As Byte"}},
      // Bounds as written: nested parentheses and strings whole.
      {"Dim A(N + 1, (2))", {"Dim A@4(N + 1, (2))"}},
      {"Dim A(\"),\") As Byte, B(1)",
       {"Dim A@4(\"),\") As Byte", "Dim B@21(1)"}},
      // Several names: each its own As, plain variables left out.
      {"Dim A(1 To 4) As Byte, B(1 To 40) As Byte",
       {"Dim A@4(1 To 4) As Byte", "Dim B@23(1 To 40) As Byte"}},
      {"Dim x As Integer, Y(3) as single", {"Dim Y@18(3) As single"}},
      {"Dim s As String * 10, T(2) As Byte, u", {"Dim T@22(2) As Byte"}},
      {"Public a, b As New Thing, C(2)", {"Public C@26(2)"}},
      {"Dim A(1), , B(2),", {"Dim A@4(1)", "Dim B@12(2)"}},
  });
}

TEST(DeclarationsTest, UnreadableArraysSayWhyAndReadingResumesAfterTheComma) {
  expectArrays({
      {"Dim A(1 To 4 As Byte", {"Dim A@4() ! its bound list is not closed"}},
      {"Dim A() As Byte", {"Dim A@4() ! its bound list is empty"}},
      {"Dim A(1 To) As Byte", {"Dim A@4() ! a bound has no upper value"}},
      {"Dim A(1,) As Byte", {"Dim A@4(1) ! a bound has no upper value"}},
      {"Dim A(To 3) As Byte", {"Dim A@4() ! a bound has no value before To"}},
      {"Dim A(1 To 2 To 3)", {"Dim A@4() ! a bound has To twice"}},
      {"Dim A(3) As", {"Dim A@4(3) ! As has no type after it"}},
      {"Dim A(3) As Byte: B = 1", {"Dim A@4(3) As Byte ! unexpected :"}},
      {"Dim A(3) As Byte Foo(1, 2), B(2) As Byte",
       {"Dim A@4(3) As Byte ! unexpected Foo", "Dim B@28(2) As Byte"}},
  });
}

TEST(DeclarationsTest, OtherLinesDeclareNothing) {
  const std::string_view lines[] = {"",
                                    "Dim",
                                    "Dim(3) As Byte",
                                    "Dimension A(3) As Byte",
                                    "Dim.A(3) As Byte",
                                    "' Dim A(3) As Byte",
                                    "Private Const N(3) = 3",
                                    "Public Sub Main(A() As Byte)",
                                    "function F(ByVal A(3) As Byte) As Byte",
                                    "Public Dim A(3) As Byte",
                                    "Private Type T(3)",
                                    "Const = 3",
                                    "Constant X = 3",
                                    "Const X 3",
                                    "Const X As = 3",
                                    "Public Sub Const()",
                                    "Const\0X = 3"sv,
                                    "Option Base 0",
                                    "Option Base 10",
                                    "Option Base1",
                                    "Option Base 1.0",
                                    "' Option Base 1"};
  for (const std::string_view line : lines) {
    EXPECT_EQ(describeLine(line), Descriptions{}) << line;
    EXPECT_FALSE(parseConstant(line)) << line;
    EXPECT_FALSE(isOptionBase1(line)) << line;
  }
  for (const std::string_view line :
       {"Option Base 1", "option \tbase\t1", "OPTION BASE 1 ' from one"}) {
    EXPECT_TRUE(isOptionBase1(line)) << line;
  }
}

struct ConstantCase {
  std::string_view line;
  std::string_view name;
  bool isPublic;
  std::optional<int64_t> value;
};

TEST(DeclarationsTest, ConstantsHaveAValueOnlyWhenItIsALiteralOfInt64) {
  const ConstantCase cases[] = {
      {"Const InputBufferSize = 13", "InputBufferSize", false, 13},
      {"Private Const X As Byte = &H1f", "X", false, 31},
      {"Public Const Neg As Integer = -5", "Neg", true, -5},
      {"public\tconst N=- 5 ' five", "N", true, -5},
      {"Const Z = 000000000000000000000000000042", "Z", false, 42},
      {"Const Q = 12 ' \"quoted\"", "Q", false, 12},
      {"Const Big = 9223372036854775807", "Big", false, kMax},
      {"Const Small = -9223372036854775808", "Small", false, kMin},
      {"Const H = &H7FFFFFFFFFFFFFFF", "H", false, kMax},
      {"Const H = -&H8000000000000000", "H", false, kMin},
      // Too large, or not a literal.
      {"Const B = 9223372036854775808", "B", false, std::nullopt},
      {"Const S = -9223372036854775809", "S", false, std::nullopt},
      {"Const H = &HFFFFFFFFFFFFFFFF", "H", false, std::nullopt},
      {"Const E = A + 1", "E", false, std::nullopt},
      {"Const R = Other", "R", false, std::nullopt},
      {"Const T = \"it's\"", "T", false, std::nullopt},
      {"Const L = &H1F&", "L", false, std::nullopt},
      {"Const N =", "N", false, std::nullopt},
  };
  for (const ConstantCase& c : cases) {
    const std::optional<DeclaredConstant> constant = parseConstant(c.line);
    ASSERT_TRUE(constant) << c.line;
    EXPECT_EQ(constant->name, c.name) << c.line;
    EXPECT_EQ(constant->isPublic, c.isPublic) << c.line;
    EXPECT_EQ(constant->value, c.value) << c.line;
  }
}

constexpr uint64_t kUnknown = ~uint64_t{0};
constexpr std::string_view kTooLarge = "it holds more than 4294967295 bytes";

struct SizeCase {
  std::string_view line;
  bool optionBase1;
  uint64_t bytes;            // kUnknown: no size
  std::string_view problem;  // when no size
};

// Constants as a module might declare them.
std::optional<int64_t> moduleConstant(std::string_view name) {
  if (equalsNoCase(name, "InputBufferSize")) return 13;
  if (equalsNoCase(name, "Big")) return kMax;
  if (equalsNoCase(name, "Small")) return kMin;
  return std::nullopt;
}

void expectSizes(const std::vector<SizeCase>& cases) {
  for (const SizeCase& c : cases) {
    const std::vector<DeclaredArray> arrays = parseArrayDeclarations(c.line);
    ASSERT_EQ(arrays.size(), 1u) << c.line;
    const ArraySize size = arraySize(arrays[0], c.optionBase1, moduleConstant);
    const std::optional<uint32_t> bytes =
        c.bytes == kUnknown ? std::nullopt : std::optional<uint32_t>(c.bytes);
    EXPECT_EQ(size.bytes, bytes) << c.line;
    EXPECT_EQ(size.problem, c.problem) << c.line;
  }
}

TEST(DeclarationsTest, SizeIsTheProductOfDimensionsAndElementSizeOrWhyNot) {
  expectSizes({
      {"Dim dcStackVar(1 to 40) as byte", false, 40, ""},
      {"Private InputBuffer(1 To InputBufferSize) As Byte", false, 13, ""},
      {"Private B(inputbuffersize) As Boolean", true, 13, ""},
      {"Public Stack(19) As Byte", false, 20, ""},
      {"Public Stack(19) As Byte", true, 19, ""},
      {"Dim M(1 To 2, 0 To 3) As Integer", false, 16, ""},
      {"Dim M(2, 3) As UnsignedInteger", true, 12, ""},
      {"Dim S(&H10) As Long", false, 68, ""},
      {"Dim N(-2 To 2) As UNSIGNEDLONG", false, 20, ""},
      {"Dim N(- 5 To -3) As single", true, 12, ""},
      // Unknown, with the reason.
      {"Dim A(Size) As Byte", false, kUnknown,
       "its bounds are not constant (Size)"},
      {"Dim A(N + 1) As Byte", false, kUnknown,
       "its bounds are not constant (N + 1)"},
      {"Dim A(99999999999999999999) As Byte", false, kUnknown,
       "its bounds are not constant (99999999999999999999)"},
      {"Dim A(5 To 3) As Byte", false, kUnknown,
       "its upper bound 3 is below its lower bound 5"},
      {"Dim A(0) As Byte", true, kUnknown,
       "its upper bound 0 is below its lower bound 1"},
      {"Dim A(3) As String * 4", false, kUnknown,
       "its element type String * 4 has no known size"},
      {"Dim A(3)", false, kUnknown, "it has no As type"},
      {"Dim A(3 As Byte", false, kUnknown,
       "its declaration cannot be read (its bound list is not closed)"},
  });
}

TEST(DeclarationsTest, SizesBeyond32BitsAreUnknownWithoutOverflow) {
  expectSizes({
      {"Dim A(4294967294) As Byte", false, 4294967295u, ""},
      {"Dim A(4294967295) As Byte", false, kUnknown, kTooLarge},
      {"Dim A(4294967295) As Byte", true, 4294967295u, ""},
      {"Dim A(1 To 1073741823) As Long", false, 4294967292u, ""},
      {"Dim A(1 To 1073741824) As Long", false, kUnknown, kTooLarge},
      {"Dim A(1 To 65535, 1 To 65537) As Byte", false, 4294967295u, ""},
      {"Dim A(65535, 65535) As Byte", false, kUnknown, kTooLarge},
      // Unchecked, the products would pass 64 bits.
      {"Dim A(4294967294, 4294967294, 4294967294) As Long", false, kUnknown,
       kTooLarge},
      // Unchecked, the differences of the bounds would overflow.
      {"Dim A(Small To Big) As Byte", false, kUnknown, kTooLarge},
      {"Dim A(-9223372036854775808 To 9223372036854775807) As Byte", false,
       kUnknown, kTooLarge},
      {"Dim A(Big) As Byte", true, kUnknown, kTooLarge},
      {"Dim A(Big To Big) As Long", false, 4, ""},
      {"Dim A(Small To -9223372036854775808) As Integer", false, 2, ""},
      {"Dim A(Big To Small) As Byte", false, kUnknown,
       "its upper bound -9223372036854775808 is below its lower bound "
       "9223372036854775807"},
  });
}

// `head`, then `count` times `item` separated by commas, then `tail`.
std::string repeated(std::string_view head, std::string_view item, size_t count,
                     std::string_view tail) {
  std::string line(head);
  for (size_t i = 0; i < count; ++i) {
    if (i > 0) line += ", ";
    line += item;
  }
  return line + std::string(tail);
}

TEST(DeclarationsTest, HugeLinesAreReadInOnePass) {
  // Tens of thousands of arrays or dimensions on one line; a pass per item
  // would take minutes.
  const std::string line = repeated("Dim ", "S(1 To 40) As Byte", 40000, "'");
  const std::vector<DeclaredArray> arrays = parseArrayDeclarations(line);
  ASSERT_EQ(arrays.size(), 40000u);
  EXPECT_EQ(arrays.back().nameColumn, line.size() - 19);
  const std::string wide = repeated("Dim A(", "1 To 1", 50000, ") As Long");
  EXPECT_EQ(arraySize(parseArrayDeclarations(wide)[0], false, {}).bytes, 4u);
  const std::string over = repeated("Dim A(", "1", 32, ") As Byte");
  EXPECT_EQ(arraySize(parseArrayDeclarations(over)[0], false, {}).problem,
            kTooLarge);

  const std::string name(1000000, 'n');
  const std::string longArray = "Dim " + name + "(3) As Byte";
  EXPECT_EQ(parseArrayDeclarations(longArray)[0].name, name);
  const std::string longConstant = "Const " + name + " = 7";
  EXPECT_EQ(parseConstant(longConstant)->value, 7);

  // Deep or unclosed parentheses and runs of commas.
  const std::string deep = "Dim A(" + std::string(200000, '(') + "3" +
                           std::string(200000, ')') + ") As Byte";
  EXPECT_EQ(parseArrayDeclarations(deep)[0].bounds.size(), 1u);
  const std::string open = "Dim A(" + std::string(200000, '(');
  EXPECT_FALSE(parseArrayDeclarations(open)[0].wellFormed);
  const std::string commas = "Dim " + std::string(200000, ',');
  EXPECT_TRUE(parseArrayDeclarations(commas).empty());
}

}  // namespace
}  // namespace memtally
