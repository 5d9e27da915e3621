#include "scan/call_positions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace memtally {
namespace {

using Names = std::vector<std::string>;

// The names of `line` that stand where a routine is called, in order, with
// `Table` and `Grid` module arrays and `buf` a local one.
Names callsOf(std::string_view line) {
  ArrayNames module;
  module.add("Table");
  module.add("GRID");
  ArrayNames local;
  local.add("buf");
  CallPositions positions(line, &module, &local);
  LineIdentifier identifier;
  Names names;
  while (positions.next(&identifier)) {
    if (identifier.callPosition) names.emplace_back(identifier.name);
  }
  return names;
}

TEST(CallPositionsTest, NamesAfterCallAreCalls) {
  const std::pair<const char*, Names> cases[] = {
      {"Call DoIt", {"DoIt"}},
      {"CALL Debug.Print", {"Debug.Print"}},
      {"Call Table(1)", {"Table"}},
      {"x = 1 : Call DoIt", {"DoIt"}},
  };
  for (const auto& [line, expected] : cases) {
    EXPECT_EQ(callsOf(line), expected) << line;
  }
}

TEST(CallPositionsTest, NamesBeforeAParenthesisAreCallsUnlessArraysOrKeywords) {
  const std::pair<const char*, Names> cases[] = {
      {"x = Ext(1)", {"Ext"}},
      {"x = CByte(y) + GetADC(13)", {"CByte", "GetADC"}},
      {"If Ready() Then", {"Ready"}},
      // Arrays of any module, of the routine, in any case.
      {"x = Table(3) + grid(1, 2)", {}},
      {"x = BUF(1)", {}},
      {"buf (1) = Ext(2)", {"Ext"}},
      // Keywords before a parenthesis.
      {"If (x > 1) Then", {}},
      {"x = Not (y) And (z)", {}},
      {"Select Case (x)", {}},
  };
  for (const auto& [line, expected] : cases) {
    EXPECT_EQ(callsOf(line), expected) << line;
  }
}

TEST(CallPositionsTest, StatementsThatBeginWithANameCallIt) {
  const std::pair<const char*, Names> cases[] = {
      {"DoIt", {"DoIt"}},
      {"DoIt ' note", {"DoIt"}},
      {"PutPin 25, 1", {"PutPin"}},
      {"Debug.Print \"x\"", {"Debug.Print"}},
      // Assignments, labels and keywords begin no call.
      {"x = 5", {}},
      {"a.b = 1", {}},
      {"Retry:", {}},
      {"Retry: DoIt", {"DoIt"}},
      {"Retry :", {}},
      {"Dim y As Byte", {}},
      {"For i = 1 To 10 Step 2", {}},
      {"End If", {}},
      {"GoTo Retry", {}},
      {"Else", {}},
      // Only the first name of a statement.
      {"x = y", {}},
  };
  for (const auto& [line, expected] : cases) {
    EXPECT_EQ(callsOf(line), expected) << line;
  }
}

TEST(CallPositionsTest, StatementsBeginAfterSeparatorsThenAndElse) {
  const std::pair<const char*, Names> cases[] = {
      {"a : b", {"b"}},
      {"x = 1: DoIt : y = 2 : Other 3", {"DoIt", "Other"}},
      {"x = y: DoIt", {"DoIt"}},
      {"If x Then DoIt", {"DoIt"}},
      {"If x Then DoIt Else Other", {"DoIt", "Other"}},
      {"If x Then y = 1 Else z = 2", {}},
      {"If x Then DoIt: Other", {"DoIt", "Other"}},
      {"Case 1: DoIt", {"DoIt"}},
      {"ElseIf x Then", {}},
  };
  for (const auto& [line, expected] : cases) {
    EXPECT_EQ(callsOf(line), expected) << line;
  }
}

TEST(CallPositionsTest, StringsAndCommentsHoldNoNames) {
  const std::pair<const char*, Names> cases[] = {
      {"x = \"Call DoIt(1)\" : Other", {"Other"}},
      {"x = \"a\"\"b\" & Ext(1)", {"Ext"}},
      {"x = 1 ' Call DoIt", {}},
      {"x = \"unterminated DoIt(", {}},
  };
  for (const auto& [line, expected] : cases) {
    EXPECT_EQ(callsOf(line), expected) << line;
  }
}

TEST(CallPositionsTest, EveryIdentifierIsReportedWithWhatFollowsIt) {
  CallPositions positions("F = Other(1) + F : Retry: x", nullptr, nullptr);
  LineIdentifier identifier;
  std::string seen;
  while (positions.next(&identifier)) {
    seen += std::string(identifier.name) + "[" +
            (identifier.next == '\0' ? std::string("end")
                                     : std::string(1, identifier.next)) +
            (identifier.callPosition ? "] call " : "] ");
  }
  EXPECT_EQ(seen, "F[=] Other[(] call F[:] Retry[:] call x[end] call ");
}

TEST(CallPositionsTest, ArrayParametersAndDimArraysAreArrays) {
  ArrayNames names;
  names.addParameters(
      "(ByRef Buf() As Byte, ByVal n As Byte, Grid(1 To 2) As Integer) As "
      "Byte ' Note()");
  names.addDimArrays("Dim a(1 To 5) As Byte, b As Byte, c(3) As Integer");
  names.addDimArrays("Private d(3) As Byte");  // not a body's declaration
  names.addDimArrays("x = e(3)");
  for (const char* name : {"buf", "BUF", "grid", "a", "C"}) {
    EXPECT_TRUE(names.contains(name)) << name;
  }
  for (const char* name : {"n", "b", "d", "e", "Byte", "Note", "ByRef"}) {
    EXPECT_FALSE(names.contains(name)) << name;
  }
  names.clear();
  EXPECT_FALSE(names.contains("buf"));
  // Parameter lists that are missing or cut short add what they hold.
  for (const char* rest : {"", " As Byte", "(", "(x(", "(ByRef y() As Byte"}) {
    names.addParameters(rest);
  }
  EXPECT_TRUE(names.contains("x"));
  EXPECT_TRUE(names.contains("y"));
}

}  // namespace
}  // namespace memtally
