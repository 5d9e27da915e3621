#include "base/console.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace memtally {
namespace {

std::string contents(std::FILE* file) {
  std::rewind(file);
  std::string text;
  char buffer[256];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    text.append(buffer, got);
  }
  return text;
}

TEST(StdConsoleTest, StandardOutputIsFlushedBeforeStandardError) {
  std::FILE* both = std::tmpfile();
  ASSERT_NE(both, nullptr);
  {
    StdConsole console(both, both);
    console.out("report line 1\n");
    console.err("message\n");
    console.out("report line 2\n");
    EXPECT_EQ(console.finish(), "");
  }
  EXPECT_EQ(contents(both), "report line 1\nmessage\nreport line 2\n");
  std::fclose(both);
}

TEST(StdConsoleTest, LargeReportIsWrittenWhole) {
  std::FILE* out = std::tmpfile();
  ASSERT_NE(out, nullptr);
  std::string expected;
  {
    StdConsole console(out, out);
    for (int i = 0; i < 20000; ++i) {
      const std::string line = "line " + std::to_string(i) + "\n";
      console.out(line);
      expected += line;
    }
    EXPECT_EQ(console.finish(), "");
  }
  EXPECT_EQ(contents(out), expected);
  std::fclose(out);
}

#ifndef _WIN32
TEST(StdConsoleTest, WriteFailureIsReportedByFinish) {
  std::FILE* full = std::fopen("/dev/full", "w");
  if (full == nullptr) GTEST_SKIP() << "no /dev/full";
  StdConsole console(full, stderr);
  console.out("report\n");
  EXPECT_EQ(console.finish(), "No space left on device");
  std::fclose(full);
}
#endif

}  // namespace
}  // namespace memtally
