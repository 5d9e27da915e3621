#include "base/format.h"

#include <gtest/gtest.h>

namespace memtally {
namespace {

TEST(FormatTest, UnsignedIsRightAlignedAndNeverCut) {
  struct Case {
    uint64_t value;
    int width;
    char fill;
    const char* expected;
  };
  const Case cases[] = {
      {0, 4, ' ', "   0"},
      {173, 4, ' ', " 173"},
      {12345, 4, ' ', "12345"},
      {4294967295u, 6, ' ', "4294967295"},
      {7, 0, ' ', "7"},
      {28, 7, ' ', "     28"},
      {5, 2, '0', "05"},
      {999, 4, '0', "0999"},
      {UINT64_MAX, 25, ' ', "     18446744073709551615"},
  };
  for (const Case& c : cases) {
    std::string out = "|";
    appendUnsigned(out, c.value, c.width, c.fill);
    EXPECT_EQ(out, std::string("|") + c.expected);
  }
}

TEST(FormatTest, ColumnPadsShortNamesAndCutsLongOnes) {
  std::string out;
  appendColumn(out, "Prog.A", 10);
  EXPECT_EQ(out, "Prog.A    ");
  out.clear();
  appendColumn(out, "Module1.AVeryLongRoutineName", 10);
  EXPECT_EQ(out, "Module1.AV");
  out.clear();
  appendBlanks(out, 3);
  EXPECT_EQ(out, "   ");
}

}  // namespace
}  // namespace memtally
