// The README shows real runs on the bundled example: every block of its
// that begins with "$ memtally ..." must be what that command prints
// there, standard output followed by standard error, time stamp aside.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_tool.h"

namespace memtally {
namespace {

using testing::maskTimeStamp;
using testing::runTool;

// A command of the README and the text it shows for it.
struct ShownRun {
  std::vector<std::string> args;
  std::string shown;
};

std::vector<std::string> splitWords(const std::string& text) {
  std::istringstream words(text);
  std::vector<std::string> args;
  for (std::string word; words >> word;) args.push_back(word);
  return args;
}

// Every "$ memtally ARGS" line in a fenced block of the README, with the
// lines that follow it up to the next "$ " line or the end of the block.
std::vector<ShownRun> shownRuns(const std::string& readme) {
  std::vector<ShownRun> runs;
  std::istringstream lines(readme);
  bool inBlock = false;
  ShownRun* current = nullptr;
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("```", 0) == 0) {
      inBlock = !inBlock;
      current = nullptr;
    } else if (inBlock && line.rfind("$ memtally ", 0) == 0) {
      runs.push_back({splitWords(line.substr(11)), ""});
      current = &runs.back();
    } else if (inBlock && line.rfind("$ ", 0) == 0) {
      current = nullptr;
    } else if (current != nullptr) {
      current->shown += line + "\n";
    }
  }
  return runs;
}

TEST(ReadmeE2ETest, RunsShownOnTheExampleAreWhatTheToolPrints) {
  const std::filesystem::path source(MEMTALLY_SOURCE_DIR);
  std::ifstream file(source / "README.md", std::ios::binary);
  std::stringstream readme;
  readme << file.rdbuf();
  const std::vector<ShownRun> runs = shownRuns(readme.str());
  ASSERT_GE(runs.size(), 2u);
  for (const ShownRun& shown : runs) {
    const auto run = runTool(shown.args, source / "examples" / "Blink");
    EXPECT_EQ(maskTimeStamp(run.out) + run.err, maskTimeStamp(shown.shown))
        << shown.args.front();
  }
}

TEST(ReadmeE2ETest, CallGraphPictureIsDrawnFromTheExamplesGraph) {
  // doc/blink-callgraph.svg is rendered from doc/blink-callgraph.dot, which
  // must be what --dot writes for the example.
  const std::filesystem::path source(MEMTALLY_SOURCE_DIR);
  std::ifstream file(source / "doc" / "blink-callgraph.dot", std::ios::binary);
  std::stringstream committed;
  committed << file.rdbuf();
  const auto run = runTool({"--dot", "Blink"}, source / "examples" / "Blink");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, committed.str());
  EXPECT_TRUE(std::filesystem::exists(source / "doc" / "blink-callgraph.svg"));
}

TEST(ReadmeE2ETest, AnnotationFileShownIsTheExamplesOwn) {
  const std::filesystem::path source(MEMTALLY_SOURCE_DIR);
  const auto read = [](const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
  };
  const std::string annotations =
      read(source / "examples" / "Blink" / "Blink.mta");
  ASSERT_FALSE(annotations.empty());
  EXPECT_NE(read(source / "README.md").find("```\n" + annotations + "```\n"),
            std::string::npos);
}

}  // namespace
}  // namespace memtally
