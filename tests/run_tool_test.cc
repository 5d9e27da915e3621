// Checks of the end-to-end helpers that read a Windows executable's report.
#include "support/run_tool.h"

#include <gtest/gtest.h>

namespace memtally {
namespace {

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

}  // namespace
}  // namespace memtally
