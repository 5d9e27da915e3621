#include "base/console.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>
#endif

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

// The read and write ends of a pipe, the write end as a stream; the reading
// end never waits.
class Pipe {
 public:
  Pipe() {
    int ends[2];
    if (::pipe(ends) != 0) return;
    readEnd_ = ends[0];
    ::fcntl(readEnd_, F_SETFL, O_NONBLOCK);
    writeEnd_ = ::fdopen(ends[1], "w");
  }
  ~Pipe() {
    if (writeEnd_ != nullptr) std::fclose(writeEnd_);
    if (readEnd_ >= 0) ::close(readEnd_);
  }

  std::FILE* writeEnd() const { return writeEnd_; }

  // Everything that has reached the read end so far.
  std::string arrived() const {
    std::string text;
    char buffer[256];
    ssize_t got;
    while ((got = ::read(readEnd_, buffer, sizeof buffer)) > 0) {
      text.append(buffer, static_cast<size_t>(got));
    }
    return text;
  }

 private:
  int readEnd_ = -1;
  std::FILE* writeEnd_ = nullptr;
};

TEST(StdConsoleTest, LineByLineConsoleWritesEachLineAtOnce) {
  Pipe pipe;
  ASSERT_NE(pipe.writeEnd(), nullptr);
  StdConsole console(pipe.writeEnd(), stderr, true);
  console.out("Memtally v0.7\n\n");
  EXPECT_EQ(pipe.arrived(), "Memtally v0.7\n\n");
  console.out("  Module: \"A.bas\"\n");
  EXPECT_EQ(pipe.arrived(), "  Module: \"A.bas\"\n");
  console.out("  Module: ");
  console.out("\"B.bas\"\n");
  EXPECT_EQ(pipe.arrived(), "  Module: \"B.bas\"\n");
  EXPECT_EQ(console.finish(), "");
}

TEST(StdConsoleTest, PipeIsNoTerminalAndGetsTheReportInOneWrite) {
  Pipe pipe;
  ASSERT_NE(pipe.writeEnd(), nullptr);
  EXPECT_FALSE(isTerminal(pipe.writeEnd()));
  std::FILE* file = std::tmpfile();
  ASSERT_NE(file, nullptr);
  EXPECT_FALSE(isTerminal(file));
  std::fclose(file);
  StdConsole console(pipe.writeEnd(), stderr);
  console.out("Memtally v0.7\n\n");
  console.out("  Module: \"A.bas\"\n");
  EXPECT_EQ(pipe.arrived(), "");
  EXPECT_EQ(console.finish(), "");
  EXPECT_EQ(pipe.arrived(), "Memtally v0.7\n\n  Module: \"A.bas\"\n");
}

TEST(StdConsoleTest, TerminalIsDetectedAndGetsEachLineAtOnce) {
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0) GTEST_SKIP() << "no pseudo-terminals here";
  ASSERT_EQ(::grantpt(master), 0);
  ASSERT_EQ(::unlockpt(master), 0);
  const int slave = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
  ASSERT_GE(slave, 0);
  // Raw mode passes the bytes on as written, without turning LF into CR LF.
  termios mode;
  ASSERT_EQ(::tcgetattr(slave, &mode), 0);
  ::cfmakeraw(&mode);
  ASSERT_EQ(::tcsetattr(slave, TCSANOW, &mode), 0);
  std::FILE* terminal = ::fdopen(slave, "w");
  ASSERT_NE(terminal, nullptr);
  EXPECT_TRUE(isTerminal(terminal));
  {
    StdConsole console(terminal, stderr);
    console.out("Analyzing project \"P.bxp\"\n");
    // The line is on the terminal while the run goes on.
    pollfd ready = {master, POLLIN, 0};
    ASSERT_EQ(::poll(&ready, 1, 2000), 1);
    char buffer[64];
    const ssize_t got = ::read(master, buffer, sizeof buffer);
    EXPECT_EQ(std::string(buffer, got > 0 ? static_cast<size_t>(got) : 0),
              "Analyzing project \"P.bxp\"\n");
    EXPECT_EQ(console.finish(), "");
  }
  std::fclose(terminal);
  ::close(master);
}
#endif

}  // namespace
}  // namespace memtally
