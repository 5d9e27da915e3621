#include "base/warning_log.h"

#include <gtest/gtest.h>

namespace memtally {
namespace {

Warning at(WarningSource source, size_t module, const char* file,
           uint32_t line, const char* message) {
  Warning warning;
  warning.source = source;
  warning.module = module;
  warning.file = file;
  warning.line = line;
  warning.message = message;
  return warning;
}

std::string printed(const WarningLog& log) {
  std::string text;
  for (const Warning& warning : log.ordered()) text += formatWarning(warning);
  return text;
}

TEST(WarningLogTest, WarningsComeBySourceThenModuleThenLineWithoutRepeats) {
  WarningLog log;
  // Added as the passes find them: computation, map, modules of both
  // passes (the second pass repeats the first), project.
  log.add(at(WarningSource::kComputation, 0, "B.bas", 9, "z first"));
  log.add(at(WarningSource::kComputation, 0, "A.bas", 2, "z second"));
  log.add(at(WarningSource::kMap, 0, "P.mpp", 12, "map 12"));
  log.add(at(WarningSource::kMap, 0, "P.mpp", 0, "map whole"));
  log.add(at(WarningSource::kModule, 1, "B.bas", 3, "b 3"));
  log.add(at(WarningSource::kModule, 0, "A.bas", 7, "a 7"));
  log.add(at(WarningSource::kModule, 0, "A.bas", 1, "a 1"));
  log.add(at(WarningSource::kModule, 0, "A.bas", 7, "a 7"));
  log.add(at(WarningSource::kModule, 1, "B.bas", 3, "b 3 again"));
  log.add(at(WarningSource::kProject, 0, "P.bxp", 4, "project 4"));
  log.add(at(WarningSource::kProject, 0, "P.bxp", 2, "project 2"));
  // A module listed twice repeats its warnings at a later position.
  log.add(at(WarningSource::kModule, 2, "A.bas", 1, "a 1"));
  EXPECT_EQ(printed(log),
            "P.bxp:2:1: warning: project 2\n"
            "P.bxp:4:1: warning: project 4\n"
            "A.bas:1:1: warning: a 1\n"
            "A.bas:7:1: warning: a 7\n"
            "B.bas:3:1: warning: b 3\n"
            "B.bas:3:1: warning: b 3 again\n"
            "P.mpp: warning: map whole\n"
            "P.mpp:12:1: warning: map 12\n"
            "B.bas:9:1: warning: z first\n"
            "A.bas:2:1: warning: z second\n");
}

// A module of one enormous line is cut into millions of pieces, each
// warned about at line 1: the log must hold the warning once, not once per
// piece until it is printed.
TEST(WarningLogTest, RepeatsAreDroppedAsTheyAreRecorded) {
  WarningLog log;
  for (int i = 0; i < 100000; ++i) {
    log.add(at(WarningSource::kModule, 0, "A.bas", 1, "line too long"));
  }
  // Of the same words at the same place, the one printed first stands.
  log.add(at(WarningSource::kProject, 0, "A.bas", 1, "line too long"));
  EXPECT_EQ(log.size(), 1u);
  EXPECT_EQ(log.ordered()[0].source, WarningSource::kProject);
}

TEST(WarningLogTest, KindNamesAreTheDocumentsNames) {
  EXPECT_EQ(warningKindName(WarningKind::kRecursion), "recursion");
  EXPECT_EQ(warningKindName(WarningKind::kQualifiedCall), "qualified-call");
  EXPECT_EQ(warningKindName(WarningKind::kTaskElsewhere), "task-elsewhere");
  EXPECT_EQ(warningKindName(WarningKind::kMissingEnd), "missing-end");
  EXPECT_EQ(warningKindName(WarningKind::kNestedDefinition),
            "nested-definition");
  EXPECT_EQ(warningKindName(WarningKind::kUnknownMapRoutine),
            "unknown-map-routine");
  EXPECT_EQ(warningKindName(WarningKind::kMainFromTask), "main-from-task");
  EXPECT_EQ(warningKindName(WarningKind::kLineCut), "line-cut");
  EXPECT_EQ(warningKindName(WarningKind::kWrapAround), "wrap-around");
  EXPECT_EQ(warningKindName(WarningKind::kTextEndsEarly), "text-ends-early");
  EXPECT_EQ(warningKindName(WarningKind::kMapIncomplete), "map-incomplete");
  EXPECT_EQ(warningKindName(WarningKind::kMapSplit), "map-split");
  EXPECT_EQ(warningKindName(WarningKind::kNumberTooLarge), "number-too-large");
  EXPECT_EQ(warningKindName(WarningKind::kModuleName), "module-name");
}

}  // namespace
}  // namespace memtally
