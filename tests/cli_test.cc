// End-to-end checks of the command line and of failures that only a real
// process shows: directories, write errors, exit statuses.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "driver/command_line.h"
#include "support/run_tool.h"

namespace memtally {
namespace {

using testing::maskTimeStamp;
using testing::runTool;
using testing::TempDir;

const char kBannerText[] = "Memtally v0.7\n\n";

// The bundled example project, whose application estimate is 193 bytes and
// whose function ReadSensor needs 22.
std::filesystem::path exampleDir() {
  return std::filesystem::path(MEMTALLY_SOURCE_DIR) / "examples" / "Blink";
}

TEST(CliTest, NoArgumentsAsksForAProject) {
  TempDir dir;
  const auto run = runTool({}, dir.path());
  EXPECT_EQ(run.out, kBannerText);
  EXPECT_EQ(run.err, "No BasicX project specified.\n");
  EXPECT_EQ(run.status, 1);
}

TEST(CliTest, ProjectPathNamingADirectoryCannotBeOpened) {
  TempDir dir;
  std::filesystem::create_directory(dir.path() / "Blink.bxp");
  auto run = runTool({"Blink"}, dir.path());
  EXPECT_EQ(run.out, kBannerText);
  EXPECT_EQ(run.err, "Can't open the BasicX project file \"Blink.bxp\".\n");
  EXPECT_EQ(run.status, 1);

  dir.write("Blink.bxp", "");
  std::filesystem::remove(dir.path() / "Blink.bxp");
  dir.write("Blink.bxp", "\n");
  std::filesystem::create_directory(dir.path() / "Blink.mpp");
  run = runTool({"Blink"}, dir.path());
  EXPECT_EQ(maskTimeStamp(run.out),
            std::string(kBannerText) +
                "Analyzing project \"Blink.bxp\", Www Mmm dd hh:mm:ss yyyy\n");
  EXPECT_EQ(run.err, "Can't open the BasicX map file \"Blink.mpp\".\n");
  EXPECT_EQ(run.status, 1);
}

TEST(CliTest, TopRoutineNotFoundExitsZeroWithSurplusWarnings) {
  TempDir dir;
  dir.write("Blink.bxp", "");
  dir.write("Blink.mpp", "");
  const auto run = runTool({"Blink", "-d"}, dir.path());
  EXPECT_EQ(maskTimeStamp(run.out),
            std::string(kBannerText) +
                "Analyzing project \"Blink.bxp\", Www Mmm dd hh:mm:ss yyyy\n");
  EXPECT_EQ(run.err,
            "No public main() sub found.\n"
            "Superfluous option \"-d\" ignored.\n");
  EXPECT_EQ(run.status, 0);
}

TEST(CliTest, FullStandardOutputIsAFailure) {
  TempDir dir;
  dir.write("Blink.bxp", "");
  dir.write("Blink.mpp", "");
  const auto run = runTool({"Blink"}, dir.path(), "/dev/full");
  EXPECT_EQ(run.err,
            "No public main() sub found.\n"
            "memtally: error writing standard output: No space left on "
            "device\n");
  EXPECT_EQ(run.status, 1);
}

TEST(CliTest, ClosedStandardOutputIsAFailure) {
  TempDir dir;
  const auto run = runTool({"-x"}, dir.path(), "&-");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("Unrecognized option - \"-x\".\n"), std::string::npos);
  EXPECT_NE(run.err.find("memtally: error writing standard output: "),
            std::string::npos);
}

TEST(CliTest, HelpAndVersionNeedNoProjectAndExitZero) {
  TempDir dir;
  auto run = runTool({"--help"}, dir.path());
  EXPECT_EQ(run.out, kBannerText + std::string(usageText()));
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.status, 0);

  run = runTool({"--version"}, dir.path());
  EXPECT_EQ(run.out, "Memtally v0.7\n");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.status, 0);

  // Nothing after them is looked at, not even a bad option.
  run = runTool({"-d", "--help", "--budget=x", "Blink"}, dir.path());
  EXPECT_EQ(run.out, kBannerText + std::string(usageText()));
  EXPECT_EQ(run.status, 0);
  run = runTool({"--version", "-x"}, dir.path());
  EXPECT_EQ(run.out, "Memtally v0.7\n");
  EXPECT_EQ(run.status, 0);
}

// The example with the start of Monitor, a task of another module whose
// stack cannot be checked, made a comment: every task start left fits.
void writeExampleWithCheckedTasks(const TempDir& dir) {
  for (const auto& entry : std::filesystem::directory_iterator(exampleDir())) {
    std::ifstream in(entry.path(), std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)),
                     std::istreambuf_iterator<char>());
    const std::string start = "CallTask \"Monitor\", WatchStack";
    const size_t at = text.find(start);
    if (at != std::string::npos) text.replace(at, start.size(), "' no task");
    dir.write(entry.path().filename().string(), text);
  }
}

TEST(CliTest, BudgetDecidesTheExitStatusAfterAnUnchangedReport) {
  TempDir checked;
  writeExampleWithCheckedTasks(checked);
  struct Case {
    std::vector<std::string> args;
    std::vector<std::string> plainArgs;  // the same run without the budget
    int status;
    std::string err;
  };
  const Case cases[] = {
      {{"--budget=194", "Blink"}, {"Blink"}, 0, ""},
      {{"--budget=193", "Blink"}, {"Blink"}, 0, ""},
      {{"--budget", "192", "-d", "Blink"},
       {"-d", "Blink"},
       2,
       "Estimated RAM use of 193 bytes exceeds the budget of 192 bytes.\n"},
      {{"-tReadSensor", "--budget=22", "Blink"},
       {"-tReadSensor", "Blink"},
       0,
       ""},
      {{"--budget=21", "-t", "ReadSensor", "Blink"},
       {"-t", "ReadSensor", "Blink"},
       2,
       "Estimated RAM use of 22 bytes exceeds the budget of 21 bytes.\n"},
      {{"-tNoSuch", "--budget=400", "Blink"},
       {"-tNoSuch", "Blink"},
       2,
       "No public NoSuch() sub found.\n"
       "Estimated RAM use unknown: the budget of 400 bytes cannot be "
       "checked.\n"},
      {{"--budget=100", "Blink", "-u"},
       {"Blink", "-u"},
       2,
       "Estimated RAM use of 193 bytes exceeds the budget of 100 bytes.\n"
       "Superfluous option \"-u\" ignored.\n"},
  };
  for (const Case& c : cases) {
    const auto run = runTool(c.args, checked.path());
    const auto plain = runTool(c.plainArgs, checked.path());
    EXPECT_EQ(maskTimeStamp(run.out), maskTimeStamp(plain.out)) << c.args[0];
    EXPECT_EQ(run.err, c.err) << c.args[0];
    EXPECT_EQ(run.status, c.status) << c.args[0];
  }
  // The example as it is starts a task whose stack cannot be checked: the
  // gate never passes it, whatever the estimate.
  const auto run = runTool({"--budget=400", "Blink"}, exampleDir());
  EXPECT_EQ(run.err,
            "The stack of task Monitor cannot be checked: Monitor is not a "
            "routine of this module, so its need is not computed.\n");
  EXPECT_EQ(run.status, 2);
}

TEST(CliTest, MalformedLongOptionsFailBeforeAnyFileIsRead) {
  // The project does not exist: a message about it would show that files
  // were read before the command line was checked.
  TempDir dir;
  struct Case {
    std::vector<std::string> args;
    std::string err;
  };
  const Case cases[] = {
      {{"--budget"}, "Missing byte count for option --budget.\n"},
      {{"--budget=-5", "Nope"},
       "Invalid byte count \"-5\" for option --budget.\n"},
      {{"--budget", "0x100", "Nope"},
       "Invalid byte count \"0x100\" for option --budget.\n"},
      {{"--budget=4294967296", "Nope"},
       "Invalid byte count \"4294967296\" for option --budget.\n"},
      {{"--", "Nope"}, "Unrecognized option - \"--\".\n"},
      {{"--details", "Nope"}, "Unrecognized option - \"--details\".\n"},
      {{"--help=me", "Nope"}, "Unrecognized option - \"--help=me\".\n"},
  };
  for (const Case& c : cases) {
    const auto run = runTool(c.args, dir.path());
    EXPECT_EQ(run.out, kBannerText) << c.args[0];
    EXPECT_EQ(run.err, c.err) << c.args[0];
    EXPECT_EQ(run.status, 1) << c.args[0];
  }
}

TEST(CliTest, LongOptionsAsTargetOrAfterTheProjectAreNotOptions) {
  auto run = runTool({"-t", "--help", "Blink"}, exampleDir());
  EXPECT_NE(run.out.find("  Module: \"Main.bas\"\n"), std::string::npos);
  EXPECT_EQ(run.err, "No public --help() sub found.\n");
  EXPECT_EQ(run.status, 0);

  run = runTool({"Blink", "--help", "--budget=1"}, exampleDir());
  EXPECT_NE(run.out.find("                   Total:  193\n"),
            std::string::npos);
  EXPECT_EQ(run.err,
            "Superfluous option \"--help\" ignored.\n"
            "Superfluous option \"--budget=1\" ignored.\n");
  EXPECT_EQ(run.status, 0);
}

TEST(CliTest, PathAndCheckCombineWithTargetListingsAndBudget) {
  const auto run = runTool(
      {"-t", "Watchdog", "--check", "-d", "--path", "--budget=30", "Blink"},
      exampleDir());
  const std::string& out = run.out;
  EXPECT_NE(out.find("Estimate of sub\tWatchdog RAM use:\n"),
            std::string::npos);
  // The routine estimated comes first, then every task: here it is the one.
  const std::string chain =
      "Deepest call chain from Main.Watchdog (32 bytes):\n"
      "  Main.Watchdog                        9 + 0 + 0 = 9\n"
      "  Serial.SendText                      9 + 2 + 2 = 13\n"
      "  Serial.SendByte                      9 + 1 + 0 = 10\n";
  const size_t first = out.find("\n" + chain + "\n" + chain);
  const size_t detail = out.find("Detailed Analysis");
  EXPECT_NE(first, std::string::npos) << out;
  EXPECT_LT(first, detail);
  EXPECT_EQ(run.err,
            "Main.bas:31:18: warning: qualified names are not resolved, so this "
            "call of Serial.SendNumber counts 0 bytes; write SendNumber "
            "instead\n"
            "Main.bas:40:5: warning: calltask starts Monitor, which is not a "
            "routine of this module; its stack is not estimated\n"
            "Main.bas:40:5: warning: the stack of task Monitor cannot be "
            "checked: Monitor is not a routine of this module, so its need is "
            "not computed\n"
            "Main.bas:40:5: warning: WatchStack is the stack of task "
            "Main.Watchdog too, started at Main.bas:11; two tasks on one array "
            "overwrite each other\n"
            "Sensor.bas:25:14: warning: recursion: the call of Sensor.ReadSensor "
            "from Sensor.Recalibrate counts 0 bytes\n"
            // Watchdog does not reach SendNumber, whose recursion is then
            // never cut.
            "Estimated RAM use of 32 bytes exceeds the budget of 30 bytes.\n"
            "The stack of task Monitor cannot be checked: Monitor is not a "
            "routine of this module, so its need is not computed.\n");
  EXPECT_EQ(run.status, 2);
}

}  // namespace
}  // namespace memtally
