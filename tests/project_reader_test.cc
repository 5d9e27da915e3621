#include "scan/project_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/fatal.h"
#include "base/options.h"
#include "report/console_progress.h"
#include "support/pipe_file.h"
#include "support/run_tool.h"

namespace memtally {
namespace {

using Names = std::vector<std::string>;

// A project file and its modules held in memory.
struct Project {
  MemoryFileSystem files;
  StringConsole console;
  ReportProgress progress{console};
  RoutineTable table;
  WarningLog warnings;
  CallSites sites;

  void read(const std::string& projectText, int options = 0) {
    LineReader project(projectText);
    readProjectFile(table, files, progress, project, options,
                    {warnings, "P.bxp", sites});
    std::string rest;
    EXPECT_FALSE(project.readLine(rest, 79)) << "project file not at its end";
  }

  Names fullNames() {
    ensureRoutineOrder(table);
    Names names;
    for (const RoutineEntry* entry : table.entries) {
      names.emplace_back(entry->fullName);
    }
    return names;
  }

  Names calls(const char* module, const char* routine) {
    Names names;
    const RoutineEntry* entry =
        lookupOrAddRoutine(table, module, routine, false);
    if (entry == nullptr) return {"<no such routine>"};
    if (entry->calls) {
      for (const RoutineEntry* callee : entry->calls->items) {
        names.emplace_back(callee->fullName);
      }
    }
    return names;
  }
};

std::string moduleLine(const std::string& name) {
  return "  Module: \"" + name + "\"\n";
}

std::string cannotOpen(const std::string& name) {
  return "Can't open the BasicX module \"" + name + "\".\n";
}

TEST(ProjectReaderTest, EmptyAndBlankProjectsScanNothing) {
  for (const char* text : {"", "\n", "  \n\t\n \r\n", "\n\n\n   "}) {
    Project project;
    project.read(text);
    EXPECT_EQ(project.console.bothText(), "") << text;
    EXPECT_EQ(project.table.count(), 0) << text;
  }
}

TEST(ProjectReaderTest, NamesLoseTrailingWhiteSpaceAndKeepLeadingBlanks) {
  Project project;
  project.files.add("A.bas", "Sub A()\nEnd Sub\n");
  project.files.add("  Main.bas", "Sub Main()\nEnd Sub\n");
  project.files.add("B.bas", "Sub B()\nEnd Sub\n");
  project.read("A.bas \t\r\n\n \t \n  Main.bas\n\t\nB.bas\t");
  EXPECT_EQ(project.console.stderrText(), "");
  EXPECT_EQ(
      project.console.stdoutText(),
      moduleLine("A.bas") + moduleLine("  Main.bas") + moduleLine("B.bas"));
  EXPECT_EQ(project.fullNames(), (Names{"A.A", "B.B", "  Main.Main"}));
}

TEST(ProjectReaderTest, LinesAreReadSeventyNineCharactersAtATime) {
  const std::string first(79, 'a');
  const std::string second = std::string(20, 'b') + "c";
  Project project;
  project.files.add(first, "Sub One()\nEnd Sub\n");
  project.files.add(second, "Sub Two()\nEnd Sub\n");
  project.read(first + second + "\n" + first + "\n");
  EXPECT_EQ(project.console.bothText(),
            moduleLine(first) + moduleLine(second) + moduleLine(first));
  EXPECT_EQ(project.fullNames(), (Names{first + ".One", second + ".Two"}));
}

TEST(ProjectReaderTest, ModuleLinesAndMessagesComeInProjectOrder) {
  Project project;
  project.files.add("A.bas", "Sub A()\nEnd Sub\n");
  project.files.add("C.bas", "Sub C()\nEnd Sub\n");
  project.read("A.bas\nGone.bas\nC.bas\n");
  EXPECT_EQ(project.console.bothText(),
            cannotOpen("Gone.bas") + moduleLine("A.bas") +
                moduleLine("Gone.bas") + cannotOpen("Gone.bas") +
                moduleLine("C.bas"));
  EXPECT_EQ(project.fullNames(), (Names{"A.A", "C.C"}));
}

TEST(ProjectReaderTest, CallsResolveToModulesListedLater) {
  Project project;
  project.files.add("Main.bas",
                    "Sub Main()\n  Call Send(1)\n  Call Main2\nEnd Sub\n");
  project.files.add("Serial.bas", "Public Sub Send(b)\nEnd Sub\n");
  project.read("Main.bas\r\nSerial.bas\r\n");
  EXPECT_EQ(project.calls("Main", "Main"), Names{"Serial.Send"});
  EXPECT_EQ(lookupOrAddRoutine(project.table, "Serial", "Send", false)->flags,
            ROUTINE_DEFINED);
}

TEST(ProjectReaderTest, OptionsReachTheModuleScanner) {
  Project project;
  project.files.add("M.bas", "Sub A()\n  B\nEnd Sub\nSub B()\nEnd Sub\n");
  project.read("M.bas\n", OPT_CALLERS | OPT_DETAIL);
  const RoutineEntry* b = lookupOrAddRoutine(project.table, "M", "B", false);
  ASSERT_NE(b, nullptr);
  ASSERT_NE(b->callers, nullptr);
  EXPECT_EQ(b->callers->count(), 1);
}

TEST(ProjectReaderTest, ModuleListedTwiceIsScannedTwiceWithoutDuplicates) {
  Project project;
  project.files.add("M.bas", "Sub A()\n  A : B\nEnd Sub\nSub B()\nEnd Sub\n");
  project.read("M.bas\nM.bas\n");
  EXPECT_EQ(project.console.bothText(),
            moduleLine("M.bas") + moduleLine("M.bas"));
  EXPECT_EQ(project.fullNames(), (Names{"M.A", "M.B"}));
  EXPECT_EQ(project.calls("M", "A"), (Names{"M.A", "M.B"}));
}

TEST(ProjectReaderTest, ByteOrderMarkIsNotPartOfTheFirstModuleName) {
  Project project;
  project.files.add("Main.bas", "Sub Main()\nEnd Sub\n");
  project.read("\xEF\xBB\xBFMain.bas\r\n");
  EXPECT_EQ(project.console.bothText(), moduleLine("Main.bas"));
  EXPECT_EQ(project.fullNames(), Names{"Main.Main"});
}

TEST(ProjectReaderTest, ProjectFileThatCannotBeRewoundIsFatal) {
  // Read once, a pipe cannot give the module list a second time; a calls
  // pass over nothing would record no call and give a wrong estimate.
  Project project;
  project.files.add("Main.bas", "Sub Main()\n  Helper\nEnd Sub\n");
  std::FILE* pipe = testing::pipeHolding("Main.bas\n");
  ASSERT_NE(pipe, nullptr);
  LineReader projectFile(pipe);
  try {
    readProjectFile(project.table, project.files, project.progress,
                    projectFile, 0,
                    {project.warnings, "P.bxp", project.sites});
    ADD_FAILURE() << "no FatalError";
  } catch (const FatalError& error) {
    EXPECT_EQ(error.message(), "Can't rewind the BasicX project file.\n");
    EXPECT_EQ(error.stream(), Stream::kErr);
  }
  EXPECT_EQ(project.console.bothText(), "");
}

TEST(ProjectReaderTest, ToolPrintsTheModuleLinesOfAProjectOnDisk) {
  testing::TempDir dir;
  dir.write("App.bxp", "Main.bas\r\n\r\nlib/Util.bas\r\nMissing.bas\r\n");
  dir.write("Main.bas", "Public Sub Main()\r\n  Call Helper\r\nEnd Sub\r\n");
  dir.write("lib/Util.bas", "Public Sub Helper()\r\nEnd Sub\r\n");
  dir.write("App.mpp", "");
  const testing::ToolRun run = testing::runTool({"App"}, dir.path());
  const std::string modules = moduleLine("Main.bas") +
                              moduleLine("lib/Util.bas") +
                              moduleLine("Missing.bas");
  EXPECT_NE(run.out.find(modules), std::string::npos) << run.out;
  EXPECT_EQ(run.err.find(cannotOpen("Missing.bas") + cannotOpen("Missing.bas")),
            0u)
      << run.err;
}

}  // namespace
}  // namespace memtally
