// Outputs that must grow as the input does: a shape of project whose
// chains share almost every step, and many qualified names against many
// modules of the same last name. Each is run at three sizes; the size of
// what is printed, and the time, may at most about double with the input.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <cstdlib>
#include <string>
#include <vector>

#include "support/memory_run.h"

namespace memtally {
namespace {

bool sanitizeBuild() { return std::getenv("MEMTALLY_SANITIZE_BUILD") != nullptr; }

struct Measure {
  size_t bytes = 0;   // standard output and standard error
  double seconds = 0;  // processor time, the least of three runs
};

Measure measure(const std::vector<std::string>& args, MemoryFileSystem& files) {
  Measure result;
  result.seconds = 1e9;
  // Processor time, which another process on the machine does not add to.
  for (int i = 0; i < 3; ++i) {
    const std::clock_t start = std::clock();
    const testing::MemoryRun run = testing::runInMemory(args, files);
    const double spent =
        static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    EXPECT_EQ(run.status, 0) << run.err.substr(0, 200);
    result.bytes = run.out.size() + run.err.size();
    result.seconds = std::min(result.seconds, spent);
  }
  return result;
}

// Runs `args` on the projects that `make` builds for n, 2n and 4n, and
// checks that output and time at most about double with each doubling.
template <typename Make>
void expectLinear(const std::vector<std::string>& args, size_t n, Make make) {
  std::vector<Measure> measures;
  for (const size_t size : {n, 2 * n, 4 * n}) {
    MemoryFileSystem files = make(size);
    measures.push_back(measure(args, files));
  }
  for (size_t i = 1; i < measures.size(); ++i) {
    const double grew = static_cast<double>(measures[i].bytes) /
                        static_cast<double>(measures[i - 1].bytes);
    EXPECT_LE(grew, 2.5) << args[0] << " output, doubling " << i;
    // A little slack over 2.5 for a busy machine; a quadratic run grows 4x.
    EXPECT_LE(measures[i].seconds, 3.0 * measures[i - 1].seconds + 0.005)
        << args[0] << " time, doubling " << i;
  }
}

// Main calls s0, s0 calls s1, and so on, and Main starts every si as a
// task: the deepest chain of each task is the rest of the chain.
MemoryFileSystem taskChain(size_t n) {
  std::string main = "Sub Main()\n  s0\n";
  std::string routines;
  for (size_t i = 0; i < n; ++i) {
    const std::string name = "s" + std::to_string(i);
    main += "  CallTask \"" + name + "\", k\n";
    routines += "Sub " + name + "()\n";
    if (i + 1 < n) routines += "  s" + std::to_string(i + 1) + "\n";
    routines += "End Sub\n";
  }
  MemoryFileSystem files;
  files.add("C.bxp", "C.bas\n");
  files.add("C.bas", main + "End Sub\n" + routines);
  files.add("C.mpp", "RAM allocated: 0\n");
  return files;
}

TEST(OutputGrowthTest, ChainsSharingTheirStepsGrowLinearly) {
  const size_t n = sanitizeBuild() ? 500 : 2000;
  for (const char* option : {"--path", "--json", "--dot"}) {
    expectLinear({option, "C"}, n, taskChain);
  }
}

}  // namespace
}  // namespace memtally

namespace memtally {
namespace {

// n modules d0/Serial, d1/Serial, ... each define Put_i, and a main module
// calls every Serial.Put_i: each qualified name must be decided at once,
// not by trying every module of that last name.
MemoryFileSystem qualifiedNames(size_t n) {
  MemoryFileSystem files;
  std::string list = "Main.bas\n";
  std::string main = "Sub Main()\n";
  for (size_t i = 0; i < n; ++i) {
    const std::string index = std::to_string(i);
    const std::string file = "d" + index + "/Serial.bas";
    list += file + "\n";
    files.add(file, "Public Sub Put" + index + "()\nEnd Sub\n");
    main += "  Serial.Put" + index + "\n";
  }
  files.add("Q.bxp", list);
  files.add("Main.bas", main + "End Sub\n");
  files.add("Q.mpp", "RAM allocated: 0\n");
  return files;
}

TEST(OutputGrowthTest, QualifiedNamesAgainstManyModulesGrowLinearly) {
  const size_t n = sanitizeBuild() ? 500 : 2000;
  for (const char* option : {"--check", "--json"}) {
    expectLinear({option, "Q"}, n, qualifiedNames);
  }
}

}  // namespace
}  // namespace memtally

namespace memtally {
namespace {

// n modules d0/Serial, d1/Serial, ... and a routine that starts a task on
// Serial.Gone_i n times: each argument must be decided at once, not by
// trying every module of that last name.
MemoryFileSystem qualifiedStacks(size_t n) {
  MemoryFileSystem files;
  std::string list = "Main.bas\n";
  std::string main = "Sub Main()\n";
  for (size_t i = 0; i < n; ++i) {
    const std::string index = std::to_string(i);
    const std::string file = "d" + index + "/Serial.bas";
    list += file + "\n";
    files.add(file, "Private Hidden(1 To 4) As Byte\n");
    main += "  CallTask \"Worker\", Serial.Gone" + index + "\n";
  }
  files.add("S.bxp", list);
  files.add("Main.bas", main + "End Sub\nSub Worker()\nEnd Sub\n");
  files.add("S.mpp", "RAM allocated: 0\n");
  return files;
}

TEST(OutputGrowthTest, QualifiedStackArraysAgainstManyModulesGrowLinearly) {
  const size_t n = sanitizeBuild() ? 500 : 2000;
  expectLinear({"--tasks", "S"}, n, qualifiedStacks);
}

}  // namespace
}  // namespace memtally

namespace memtally {
namespace {

// Main calls r0, r0 calls r1, and so on, and the last calls r0 again: one
// recursion of n routines. Each also calls an external routine x_i, which
// an annotation file of n lines sizes, and every fourth is a task.
MemoryFileSystem boundRing(size_t n) {
  std::string source = "Sub Main()\n  Call r0\n";
  std::string annotations = "recursion r0 3\n";
  for (size_t i = 0; i < n; i += 4) {
    source += "  CallTask \"r" + std::to_string(i) + "\", k\n";
  }
  source += "End Sub\n";
  for (size_t i = 0; i < n; ++i) {
    const std::string index = std::to_string(i);
    source += "Sub r" + index + "()\n  Call r" + std::to_string((i + 1) % n) +
              "\n  x" + index + " 1\nEnd Sub\n";
    annotations += "stack x" + index + " " + std::to_string(i % 50 + 1) + "\n";
  }
  MemoryFileSystem files;
  files.add("R.bxp", "R.bas\n");
  files.add("R.bas", source);
  files.add("R.mpp", "RAM allocated: 0\n");
  files.add("R.mta", annotations);
  return files;
}

TEST(OutputGrowthTest, BoundModeOverOneLongRecursionGrowsLinearly) {
  const size_t n = sanitizeBuild() ? 500 : 2000;
  const std::vector<std::vector<std::string>> runs = {
      {"--bound", "-d", "-u", "-c", "--path", "--tasks", "--check", "R"},
      {"--bound", "--json", "R"},
      {"--bound", "--dot", "R"},
  };
  for (const std::vector<std::string>& args : runs) {
    expectLinear(args, n, boundRing);
  }
  const size_t chain = sanitizeBuild() ? 500 : 2000;
  expectLinear({"--bound", "--path", "--tasks", "C"}, chain, taskChain);
}

}  // namespace
}  // namespace memtally
