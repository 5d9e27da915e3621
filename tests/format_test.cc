#include "base/format.h"

#include <gtest/gtest.h>

namespace memtally {
namespace {

TEST(FormatTest, UnsignedIsRightAlignedAndNeverCut) {
  struct Case {
    uint64_t value;
    int width;
    const char* expected;
  };
  const Case cases[] = {
      {0, 4, "   0"},      {173, 4, " 173"},
      {12345, 4, "12345"}, {4294967295u, 6, "4294967295"},
      {7, 0, "7"},         {28, 7, "     28"},
  };
  for (const Case& c : cases) {
    std::string out;
    appendUnsigned(out, c.value, c.width);
    EXPECT_EQ(out, c.expected);
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
