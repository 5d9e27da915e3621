#include "driver/driver.h"

#include "base/iso_time.h"
#include "driver/command_line.h"

#include <gtest/gtest.h>

#include "base/fatal.h"
#include "base/options.h"
#include "support/memory_run.h"

namespace memtally {
namespace {

using testing::fixedTime;
using RunResult = testing::MemoryRun;

RunResult run(const std::vector<std::string>& args, MemoryFileSystem& files) {
  return testing::runInMemory(args, files);
}

RunResult run(const std::vector<std::string>& args) {
  MemoryFileSystem files;
  return run(args, files);
}

// A project whose files exist but name no module: every pass runs and the
// top routine is not found.
MemoryFileSystem emptyProject() {
  MemoryFileSystem files;
  files.add("Blink.bxp", "");
  files.add("Blink.mpp", "");
  return files;
}

const char kBannerText[] = "Memtally v0.7\n\n";
const char kProjectLine[] =
    "Analyzing project \"Blink.bxp\", Wed Dec 09 07:05:03 2026\n";

TEST(DriverTest, OptionFormsSetTheirBitsAndTarget) {
  struct Case {
    std::vector<std::string> args;
    int options;
    std::optional<std::string> target;
    std::vector<std::string> surplus;
  };
  const Case cases[] = {
      {{"Blink"}, 0, std::nullopt, {}},
      {{"-c", "-d", "-u", "Blink"},
       OPT_CALLERS | OPT_DETAIL | OPT_UNUSED,
       std::nullopt,
       {}},
      {{"-C", "-D", "-U", "Blink"},
       OPT_CALLERS | OPT_DETAIL | OPT_UNUSED,
       std::nullopt,
       {}},
      {{"-dx", "Blink"}, OPT_DETAIL, std::nullopt, {}},
      {{"-t", "Foo", "Blink"}, 0, "Foo", {}},
      {{"-tFoo", "Blink"}, 0, "Foo", {}},
      {{"-TFoo", "Blink"}, 0, "Foo", {}},
      {{"-t", "-d", "Blink"}, 0, "-d", {}},
      {{"-tA", "-tB", "Blink"}, 0, "B", {}},
      {{"Blink", "-d", "extra"}, 0, std::nullopt, {"-d", "extra"}},
      {{"", "-x"}, 0, std::nullopt, {"-x"}},
  };
  for (const Case& c : cases) {
    const CommandLine line = parseCommandLine(c.args);
    EXPECT_EQ(line.options, c.options) << c.args[0];
    EXPECT_EQ(line.target, c.target) << c.args[0];
    EXPECT_EQ(line.surplus, c.surplus) << c.args[0];
    ASSERT_TRUE(line.project.has_value());
  }
}

TEST(DriverTest, CommandLineFailuresPrintTheirMessageAfterTheBanner) {
  struct Case {
    std::vector<std::string> args;
    std::string err;
  };
  const Case cases[] = {
      {{}, "No BasicX project specified.\n"},
      {{"-d", "-u"}, "No BasicX project specified.\n"},
      {{"-t"}, "Missing analysis target for option -t.\n"},
      {{"-c", "-t"}, "Missing analysis target for option -t.\n"},
      {{"-x", "Blink"}, "Unrecognized option - \"-x\".\n"},
      {{"-", "Blink"}, "Unrecognized option - \"-\".\n"},
      {{"--detail", "Blink"}, "Unrecognized option - \"--detail\".\n"},
  };
  for (const Case& c : cases) {
    MemoryFileSystem files = emptyProject();
    const RunResult r = run(c.args, files);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, kBannerText);
    EXPECT_EQ(r.err, c.err);
  }
}

TEST(DriverTest, EmptyProjectNamePrintsOnlyTheBanner) {
  const RunResult r = run({""});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, kBannerText);
  EXPECT_EQ(r.err, "");
}

TEST(DriverTest, UnreadableProjectAndMapFilesAreFatal) {
  RunResult r = run({"Blink"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, kBannerText);
  EXPECT_EQ(r.err, "Can't open the BasicX project file \"Blink.bxp\".\n");

  MemoryFileSystem noMap;
  noMap.add("Blink.bxp", "");
  r = run({"Blink"}, noMap);
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, std::string(kBannerText) + kProjectLine);
  EXPECT_EQ(r.err, "Can't open the BasicX map file \"Blink.mpp\".\n");
}

TEST(DriverTest, ExtensionIsAlwaysAppended) {
  MemoryFileSystem files;
  files.add("Blink.bxp.bxp", "");
  files.add("Blink.bxp.mpp", "");
  const RunResult r = run({"Blink.bxp"}, files);
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find("Analyzing project \"Blink.bxp.bxp\", "),
            std::string::npos);
}

TEST(DriverTest, LongProjectNameIsKeptWhole) {
  const std::string name(5000, 'p');
  const RunResult r = run({name});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err,
            "Can't open the BasicX project file \"" + name + ".bxp\".\n");
}

TEST(DriverTest, MissingTopRoutineStillExitsZeroAndWarnsAfterwards) {
  MemoryFileSystem files = emptyProject();
  RunResult r = run({"Blink"}, files);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, std::string(kBannerText) + kProjectLine);
  EXPECT_EQ(r.err, "No public main() sub found.\n");

  r = run({"-t", "-d", "Blink", "-d", "x y"}, files);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.both, std::string(kBannerText) + kProjectLine +
                        "No public -d() sub found.\n"
                        "Superfluous option \"-d\" ignored.\n"
                        "Superfluous option \"x y\" ignored.\n");

  r = run({"-tFoo", "Blink"}, files);
  EXPECT_EQ(r.err, "No public Foo() sub found.\n");
}

TEST(DriverTest, BudgetOfARunThatShowedNothingCannotBeChecked) {
  // An empty project name analyses nothing; a build gate must not pass on it.
  RunResult r = run({"--budget=5", ""});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.out, kBannerText);
  EXPECT_EQ(r.err,
            "Estimated RAM use unknown: the budget of 5 bytes cannot be "
            "checked.\n");

  // A fatal error keeps status 1, budget or not.
  r = run({"--budget=5", "Blink"});
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, "Can't open the BasicX project file \"Blink.bxp\".\n");
}

TEST(DriverTest, FatalErrorOnStandardOutputKeepsItsStream) {
  // The routine table's out-of-memory and the scanner's overlong-line
  // messages travel the same way; here the stream choice is checked.
  StringConsole console;
  console.write(Stream::kOut, "a");
  console.write(Stream::kErr, "b");
  EXPECT_EQ(console.stdoutText(), "a");
  EXPECT_EQ(console.stderrText(), "b");
  EXPECT_EQ(console.bothText(), "ab");
}

}  // namespace
}  // namespace memtally
