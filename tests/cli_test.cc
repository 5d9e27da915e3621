// End-to-end checks of the command line and of failures that only a real
// process shows: directories, write errors, exit statuses.
#include <gtest/gtest.h>

#include "support/run_tool.h"

namespace memtally {
namespace {

using testing::maskTimeStamp;
using testing::runTool;
using testing::TempDir;

const char kBannerText[] = "Memtally v0.7\n\n";

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

}  // namespace
}  // namespace memtally
