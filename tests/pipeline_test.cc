#include "analysis/pipeline.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/fatal.h"
#include "support/memory_run.h"

namespace memtally {
namespace {

using Events = std::vector<std::string>;

// Writes down every event of an analysis as one line.
class RecordingProgress : public Progress {
 public:
  void projectOpened(std::string_view file, const std::tm&) override {
    events.push_back("opened " + std::string(file));
  }
  void scanningModule(std::string_view file) override {
    events.push_back("scanning " + std::string(file));
  }
  void message(const Message& message) override {
    events.push_back("message " + std::to_string(static_cast<int>(
                                      message.kind)) +
                     " " + message.text);
  }

  Events events;
};

std::optional<Analysis> analyze(MemoryFileSystem& files,
                                RecordingProgress& progress,
                                std::optional<std::string> target = {}) {
  return analyzeProject(files, progress, testing::fixedTime,
                        {"P", std::move(target), 0});
}

TEST(PipelineTest, ProgressComesInTheOrderOfTheReading) {
  MemoryFileSystem files;
  files.add("P.bxp", "A.bas\nGone.bas\n");
  files.add("A.bas", "Sub Helper()\nEnd Sub\n");
  files.add("P.mpp", "RAM allocated: 7\n");
  RecordingProgress progress;
  const std::optional<Analysis> analysis = analyze(files, progress);
  ASSERT_TRUE(analysis.has_value());
  const std::string missing =
      "message 0 Can't open the BasicX module \"Gone.bas\".\n";
  EXPECT_EQ(progress.events,
            (Events{"opened P.bxp", missing, "scanning A.bas",
                    "scanning Gone.bas", missing,
                    "message 2 No public main() sub found.\n"}));
  EXPECT_EQ(analysis->top, nullptr);
  EXPECT_EQ(analysis->staticRam, 7u);
  ASSERT_EQ(analysis->modules.size(), 2u);
  EXPECT_FALSE(analysis->modules[1].opened);
}

TEST(PipelineTest, EmptyProjectNameDoesNothing) {
  MemoryFileSystem files;
  RecordingProgress progress;
  EXPECT_FALSE(analyzeProject(files, progress, testing::fixedTime, {})
                   .has_value());
  EXPECT_TRUE(progress.events.empty());
}

TEST(PipelineTest, FatalErrorLeavesTheProgressMadeBeforeIt) {
  MemoryFileSystem files;
  files.add("P.bxp", "A.bas\n");
  files.add("A.bas", "Sub Main()\nEnd Sub\n");
  RecordingProgress progress;
  try {
    analyze(files, progress);
    ADD_FAILURE() << "no FatalError";
  } catch (const FatalError& error) {
    EXPECT_EQ(error.message(), "Can't open the BasicX map file \"P.mpp\".\n");
  }
  EXPECT_EQ(progress.events, (Events{"opened P.bxp", "scanning A.bas"}));
}

// Main calls A, A calls B and B calls A back; a task T calls B. The task
// pass enters the cycle at B, so the descent meets B again from A.
TEST(PipelineTest, CutsAreRecordedWhereTheDescentMeetsThePath) {
  MemoryFileSystem files;
  files.add("P.bxp", "M.bas\n");
  files.add("M.bas",
            "Sub Main()\n  A\n  CallTask \"T\", s\nEnd Sub\n"
            "Sub A()\n\n  B\nEnd Sub\n"
            "Sub B()\n  x = 1\n  A\nEnd Sub\n"
            "Sub T()\n  B\nEnd Sub\n");
  files.add("P.mpp", "RAM allocated: 0\n");
  for (const bool withTask : {true, false}) {
    MemoryFileSystem run = files;
    if (!withTask) {
      run.add("M.bas",
              "Sub Main()\n  A\nEnd Sub\n"
              "Sub A()\n\n  B\nEnd Sub\n"
              "Sub B()\n  x = 1\n  A\nEnd Sub\n");
    }
    RecordingProgress progress;
    const std::optional<Analysis> analysis = analyze(run, progress);
    ASSERT_TRUE(analysis.has_value());
    ASSERT_EQ(analysis->cuts.size(), 1u) << withTask;
    const Cut& cut = analysis->cuts[0];
    // With the task, A is finished inside B and its call of B is cut (line
    // 7); without it, B's call of A back (line 10) is.
    EXPECT_EQ(cut.caller->routineName(), withTask ? "A" : "B");
    EXPECT_EQ(cut.callee->routineName(), withTask ? "B" : "A");
    EXPECT_EQ(cut.site.line, withTask ? 7u : 10u);
    EXPECT_TRUE(analysis->isCut(*cut.caller, *cut.callee));
    EXPECT_FALSE(analysis->isCut(*cut.callee, *cut.caller));
    // The warnings are collected whether or not anyone prints them.
    EXPECT_FALSE(analysis->warnings.ordered().empty());
  }
}

TEST(PipelineTest, TaskThatReachesMainFirstIsRecorded) {
  MemoryFileSystem files;
  files.add("P.bxp", "M.bas\n");
  files.add("M.bas",
            "Sub Main()\n  CallTask \"Early\", s\n  CallTask \"Late\", s\n"
            "End Sub\nSub Early()\nEnd Sub\nSub Late()\n  Main\nEnd Sub\n");
  files.add("P.mpp", "RAM allocated: 0\n");
  RecordingProgress progress;
  const std::optional<Analysis> analysis = analyze(files, progress);
  ASSERT_TRUE(analysis.has_value());
  ASSERT_EQ(analysis->tasks.size(), 2u);
  ASSERT_NE(analysis->topReachedFrom, nullptr);
  EXPECT_EQ(analysis->topReachedFrom->routineName(), "Late");
  EXPECT_EQ(analysis->top->invocationOverhead, 9u);
  // Asked for as the routine it is, main is not the application's top.
  const std::optional<Analysis> asRoutine = analyze(files, progress, "Early");
  ASSERT_TRUE(asRoutine.has_value());
  EXPECT_EQ(asRoutine->topReachedFrom, nullptr);
}

}  // namespace
}  // namespace memtally
