// Checks of the end-to-end helpers that read a Windows executable's report.
#include "support/run_tool.h"

#include <gtest/gtest.h>

namespace memtally {
namespace {

using testing::maskTimeStamp;
using testing::readCrLfAsLf;

TEST(RunToolTest, CrLfReadsAsLfAndABareLineFeedIsFlagged) {
  struct Case {
    const char* out;
    const char* read;
  } const cases[] = {
      {"", ""},
      {"Memtally v0.7\r\n\r\n", "Memtally v0.7\n\n"},
      // A carriage return that is part of a module name stays in the text.
      {"  Module: A\r\r\n", "  Module: A\r\n"},
      {"tail\r", "tail\r"},
      // Standard output written in binary mode by mistake must not pass.
      {"Memtally v0.7\n", "Memtally v0.7<LF without CR>\n"},
      {"\n\r\n", "<LF without CR>\n\n"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(readCrLfAsLf(c.out), c.read)
        << "for " << ::testing::PrintToString(c.out);
  }
}

TEST(RunToolTest, OnlyAWellFormedTimeStampIsMasked) {
  const std::string masked =
      "Analyzing project \"A.bxp\", Www Mmm dd hh:mm:ss yyyy\n";
  struct Case {
    const char* stamp;
    bool wellFormed;
  } const cases[] = {
      {"Wed Dec 09 07:53:59 2026", true},
      {"Sun Jan 01 00:00:00 1970", true},
      {"Sat Feb 29 23:59:59 2024", true},
      {"Wen Dec 09 07:53:59 2026", false},  // no such weekday
      {"Wed dec 09 07:53:59 2026", false},  // month in the wrong case
      {"Wed Dec  9 07:53:59 2026", false},  // day without its leading zero
      {"Wed Dec 09 07.53:59 2026", false},
      {"Wed Dec 09 07:53:59 26", false},
  };
  for (const Case& c : cases) {
    const std::string out =
        std::string("Memtally v0.7\n\nAnalyzing project \"A.bxp\", ") +
        c.stamp + "\n";
    const std::string expected =
        c.wellFormed ? "Memtally v0.7\n\n" + masked : out;
    EXPECT_EQ(maskTimeStamp(out), expected) << "for " << c.stamp;
  }
}

}  // namespace
}  // namespace memtally
