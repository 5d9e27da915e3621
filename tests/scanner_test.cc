#include "scan/scanner.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/fatal.h"
#include "base/options.h"
#include "report/console_progress.h"
#include "scan/project_reader.h"
#include "support/run_tool.h"

namespace memtally {
namespace {

using Names = std::vector<std::string>;

// A set of modules held in memory, scanned in both passes like a project.
class Modules {
 public:
  void add(const std::string& path, std::string text) {
    files_.add(path, std::move(text));
    order_.push_back(path);
  }

  // Lists a module without giving it a file.
  void addMissing(const std::string& path) { order_.push_back(path); }

  void scanDefinitions(int options = 0) {
    for (const std::string& path : order_) {
      processModule(table_, files_, progress_, path, options | SCAN_DEFINITIONS,
                    context_);
    }
  }

  // Like a run, the calls pass resolves names by the runs recorded after
  // the definitions pass.
  void scanCalls(int options = 0) {
    ensureRoutineOrder(table_);
    for (const std::string& path : order_) {
      processModule(table_, files_, progress_, path, options, context_);
    }
  }

  void scan(int options = 0) {
    scanDefinitions(options);
    scanCalls(options);
  }

  // Every entry as "fullName flags", in routine order.
  Names definitions() {
    ensureRoutineOrder(table_);
    Names names;
    for (const RoutineEntry* entry : table_.entries) {
      names.push_back(std::string(entry->fullName) + " " +
                      std::to_string(entry->flags));
    }
    return names;
  }

  RoutineEntry* find(const char* module, const char* routine) {
    return lookupOrAddRoutine(table_, module, routine, false);
  }

  Names calls(const char* module, const char* routine) {
    return fullNames(find(module, routine), &RoutineEntry::calls);
  }

  Names callers(const char* module, const char* routine) {
    return fullNames(find(module, routine), &RoutineEntry::callers);
  }

  uint32_t flags(const char* module, const char* routine) {
    const RoutineEntry* entry = find(module, routine);
    return entry == nullptr ? 0xFFFFFFFFu : entry->flags;
  }

  RoutineTable& table() { return table_; }
  FileSystem& files() { return files_; }
  StringConsole& console() { return console_; }

 private:
  static Names fullNames(const RoutineEntry* entry,
                         RoutineRefList* RoutineEntry::*list) {
    Names names;
    if (entry == nullptr) return {"<no such routine>"};
    if (!(entry->*list)) return names;
    for (const RoutineEntry* item : (entry->*list)->items) {
      names.emplace_back(item->fullName);
    }
    return names;
  }

  RoutineTable table_;
  MemoryFileSystem files_;
  StringConsole console_;
  ReportProgress progress_{console_};
  WarningLog warnings_;
  CallSites sites_;
  ModuleContext context_{0, warnings_, nullptr, sites_};
  Names order_;
};

constexpr uint32_t D = ROUTINE_DEFINED;
constexpr uint32_t P = ROUTINE_PRIVATE;
constexpr uint32_t F = ROUTINE_FUNCTION;
constexpr uint32_t T = ROUTINE_TASK;

std::string entry(const std::string& fullName, uint32_t flags) {
  return fullName + " " + std::to_string(flags);
}

TEST(ScannerTest, ModuleNameIsTheFileNameCutAtItsLastDot) {
  const std::pair<std::string_view, std::string_view> cases[] = {
      {"src/Motor.bas", "src/Motor"},
      {"Motor", "Motor"},
      {"../lib/Motor", "."},
      {"a.b.bas", "a.b"},
      {"Motor.", "Motor"},
      {".bas", ""},
  };
  for (const auto& [fileName, module] : cases) {
    EXPECT_EQ(moduleNameOf(fileName), module) << fileName;
  }
}

TEST(ScannerTest, DefinitionLinesNameTheRoutineAndItsKind) {
  struct Case {
    const char* line;
    Names expected;
  };
  const std::string longName(200, 'q');
  const Case cases[] = {
      {"public sub main()", {entry("M.main", D)}},
      {"Private Function Speed(ByVal X As Byte) As Byte",
       {entry("M.Speed", D | P | F)}},
      {"Sub Plain", {entry("M.Plain", D)}},
      {"FUNCTION Get() As Byte", {entry("M.Get", D | F)}},
      {"PUBLIC\tfunction\tTabbed", {entry("M.Tabbed", D | F)}},
      {"Private  Sub   Spaced(x) ' note", {entry("M.Spaced", D | P)}},
      {"Sub Io.Open()", {entry("M.Io.Open", D)}},
      {"Sub Name_1(", {entry("M.Name_1", D)}},
      // Nothing else defines a routine.
      {"Public", {}},
      {"Private", {}},
      {"Sub", {}},
      {"Public Sub", {}},
      {"Public Sub ()", {}},
      {"Public Const Max As Byte = 3", {}},
      {"Public Sub_Count As Byte", {}},
      {"Friend Sub X", {}},
      {"Static Sub X", {}},
      {"Sub(X)", {}},
      {"Sub 9Lives()", {}},
      {"Sub _Hidden()", {}},
      {"Declare Sub Ext()", {}},
      // Only blanks and tabs separate the words of a definition.
      {"Sub\vX", {}},
      {"Public Sub\fX", {}},
      {"Sub\x80X", {}},
  };
  for (const Case& c : cases) {
    Modules modules;
    modules.add("M.bas", std::string(c.line) + "\n");
    modules.scan();
    EXPECT_EQ(modules.definitions(), c.expected) << c.line;
  }
  Modules modules;
  modules.add("M.bas", "Sub " + longName + "()\nEnd Sub\n");
  modules.scan();
  EXPECT_EQ(modules.definitions(), Names{entry("M." + longName, D)});
}

TEST(ScannerTest, LongModuleNamesAreKeptWhole) {
  const std::string path = std::string(300, 'd') + "/Motor.bas";
  Modules modules;
  modules.add(path, "Sub Run()\nRun\nEnd Sub\n");
  modules.scan();
  const std::string module = std::string(300, 'd') + "/Motor";
  EXPECT_EQ(modules.calls(module.c_str(), "Run"), Names{module + ".Run"});
}

// Whether `line`, inside a routine defined by `definition`, ends it: a
// following definition only counts when the routine has ended.
bool endsRoutine(const std::string& definition, const std::string& line) {
  Modules modules;
  modules.add("M.bas", definition + "\n" + line + "\nSub Next()\nEnd Sub\n");
  modules.scan();
  return modules.find("M", "Next") != nullptr;
}

TEST(ScannerTest, OnlyTheMatchingEndLineEndsARoutine) {
  struct Case {
    const char* line;
    bool endsSub;
    bool endsFunction;
  };
  const Case cases[] = {
      {"End Sub", true, false},
      {"end sub", true, false},
      {"END   SUB", true, false},
      {"End\tSub", true, false},
      {"  End Sub  ", true, false},
      {"End Sub ' done", true, false},
      {"End _\nSub", true, false},
      {"End Function", false, true},
      {"eNd fUnCtIoN\t'x", false, true},
      {"End Sub'done", false, false},
      {"End Sub()", false, false},
      {"End Sub\vx", false, false},
      {"End\vSub", true, false},  // any white space before the second word
      {"End", false, false},
      {"End If", false, false},
      {"Ending Sub", false, false},
      {"E Sub", false, false},
      {"End.Sub", false, false},
      {"End_ Sub", false, false},
      {"' End Sub", false, false},
      {"x = 1 : End Sub", false, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(endsRoutine("Sub A()", c.line), c.endsSub) << c.line;
    EXPECT_EQ(endsRoutine("Function A() As Byte", c.line), c.endsFunction)
        << c.line;
  }
}

TEST(ScannerTest, DefinitionInsideARoutineIsAnOrdinaryBodyLine) {
  Modules modules;
  modules.add("M.bas",
              "Sub A()\n"
              "Sub B()\n"
              "  Foo\n"
              "Sub Foo()\n"  // still in A, whose end line is missing
              "End Sub\n"
              "Sub Foo()\n"
              "End Sub\n");
  modules.scan();
  EXPECT_EQ(modules.definitions(), (Names{entry("M.A", D), entry("M.Foo", D)}));
  EXPECT_EQ(modules.calls("M", "A"), Names{"M.Foo"});
}

TEST(ScannerTest, BodyIdentifiersThatNameRoutinesAreCalls) {
  Modules modules;
  modules.add("M.bas",
              "Sub Main()\n"
              "  e = Foo(1)\n"
              "  Ending = Bar(2)\n"
              "  Call Baz : x = Unknown(3) + foo(4)\n"
              "End Sub\n"
              "Sub Foo()\nEnd Sub\n"
              "Sub Bar()\nEnd Sub\n"
              "Sub Baz()\nEnd Sub\n");
  modules.scan();
  EXPECT_EQ(modules.calls("M", "Main"), (Names{"M.Foo", "M.Bar", "M.Baz"}));
  EXPECT_EQ(modules.calls("M", "Foo"), Names{});
}

TEST(ScannerTest, StringsCommentsLabelsAndNumbersAreNotCalls) {
  Modules modules;
  modules.add("M.bas",
              "Sub Main()\n"
              "  x = \"Retry\" & \"a \"\" Retry\"\n"
              "  ' Retry\n"
              "  x = 1 ' Retry()\n"
              "Retry:\n"
              "  y = &HFF + 12.5E-3\n"
              "End Sub\n"
              "Sub Loop2()\n"
              "  Retry\n"
              "End Sub\n"
              "Sub Rem2()\n"
              "  Rem Retry\n"  // only the apostrophe starts a comment
              "End Sub\n"
              "Sub Retry()\nEnd Sub\n");
  modules.scan();
  EXPECT_EQ(modules.calls("M", "Main"), Names{});
  EXPECT_EQ(modules.calls("M", "Loop2"), Names{"M.Retry"});
  EXPECT_EQ(modules.calls("M", "Rem2"), Names{"M.Retry"});
}

TEST(ScannerTest, EndLineThatEndsNothingIsScannedOnlyUpToItsSecondWord) {
  Modules modules;
  modules.add("M.bas",
              "Sub A()\n"
              "  End If Foo(1)\n"
              "  End Foo(2) Bar\n"
              "End Sub\n"
              "Sub Foo()\nEnd Sub\n"
              "Sub Bar()\nEnd Sub\n");
  modules.scan();
  EXPECT_EQ(modules.calls("M", "A"), Names{"M.Foo"});
}

TEST(ScannerTest, FunctionNameIsACallOnlyWithAParenthesis) {
  struct Case {
    const char* line;
    bool call;
  };
  const Case cases[] = {
      {"Speed = 3", false},   {"x = Speed", false},    {"x = Speed + 1", false},
      {"Speed(2)", true},     {"x = Speed (2)", true}, {"x = SPEED\t(2)", true},
      {"Speed.x = 1", false}, {"Speed ' (", false},
  };
  for (const Case& c : cases) {
    Modules modules;
    modules.add("M.bas", std::string("Function Speed() As Byte\n") + c.line +
                             "\nEnd Function\n");
    modules.scan();
    EXPECT_EQ(modules.calls("M", "Speed"), c.call ? Names{"M.Speed"} : Names{})
        << c.line;
  }
  // A Sub's own name is always a call of itself.
  Modules modules;
  modules.add("M.bas", "Sub Run()\n  If x Then Run\nEnd Sub\n");
  modules.scan();
  EXPECT_EQ(modules.calls("M", "Run"), Names{"M.Run"});
}

TEST(ScannerTest, QualifiedNamesAreLookedUpWhole) {
  Modules modules;
  modules.add("Main.bas",
              "Sub Main()\n"
              "  Serial.Put(1)\n"
              "  Put(2)\n"
              "End Sub\n"
              "Sub Other()\n"
              "  Io.Open\n"
              "End Sub\n"
              "Sub Io.Open()\nEnd Sub\n");
  modules.add("Serial.bas", "Public Sub Put(x)\nEnd Sub\n");
  modules.scan();
  EXPECT_EQ(modules.calls("Main", "Main"), Names{"Serial.Put"});
  EXPECT_EQ(modules.calls("Main", "Other"), Names{"Main.Io.Open"});
}

TEST(ScannerTest, CallsResolveAcrossModulesInEitherOrder) {
  Modules modules;
  modules.add("Main.bas",
              "Sub Main()\n"
              "  Call Send(1)\n"
              "  Call Hidden\n"
              "  Call Local\n"
              "End Sub\n"
              "Private Sub Local()\nEnd Sub\n");
  modules.add("Serial.bas",
              "Public Sub Send(b)\n  Hidden\n  Local\nEnd Sub\n"
              "Private Sub Hidden()\nEnd Sub\n");
  modules.scan();
  EXPECT_EQ(modules.calls("Main", "Main"),
            (Names{"Serial.Send", "Main.Local"}));
  EXPECT_EQ(modules.calls("Serial", "Send"), Names{"Serial.Hidden"});
}

TEST(ScannerTest, CallersAreRecordedOnlyWithTheCallersOption) {
  Modules without;
  Modules with;
  for (Modules* modules : {&without, &with}) {
    modules->add("M.bas",
                 "Sub A()\n  C\nEnd Sub\n"
                 "Sub B()\n  C : C\nEnd Sub\n"
                 "Sub C()\nEnd Sub\n");
  }
  without.scan();
  with.scan(OPT_CALLERS);
  EXPECT_EQ(without.calls("M", "B"), Names{"M.C"});
  EXPECT_EQ(without.callers("M", "C"), Names{});
  EXPECT_EQ(with.calls("M", "B"), Names{"M.C"});
  EXPECT_EQ(with.callers("M", "C"), (Names{"M.A", "M.B"}));
}

TEST(ScannerTest, CallTaskMarksRoutinesOfTheSameModuleOnly) {
  Modules modules;
  modules.add("Main.bas",
              "CallTask \"Idle\", Stack\n"  // outside any routine
              "Sub Main()\n"
              "  CallTask \"Worker\", WorkerStack\n"
              "  calltask \"Remote\", Stack\n"
              "  CALLTASK \" Spare \", Stack\n"
              "  CallTask Spare, Stack\n"
              "  CallTask \"Spare, Stack\n"
              "  calltaskx \"Helper\"\n"
              "End Sub\n"
              "Sub Worker()\nEnd Sub\n"
              "Sub Spare()\nEnd Sub\n"
              "Sub Idle()\nEnd Sub\n"
              "Sub Helper()\nEnd Sub\n");
  modules.add("Lib.bas", "Public Sub Remote()\nEnd Sub\n");
  modules.scanDefinitions();
  EXPECT_EQ(modules.flags("Main", "Worker"), D);
  modules.scanCalls();
  EXPECT_EQ(modules.flags("Main", "Worker"), D | T);
  EXPECT_EQ(modules.flags("Main", "Helper"), D | T);
  EXPECT_EQ(modules.flags("Lib", "Remote"), D);
  EXPECT_EQ(modules.flags("Main", "Spare"), D);
  EXPECT_EQ(modules.flags("Main", "Idle"), D);
  // No part of a calltask line is scanned for calls.
  EXPECT_EQ(modules.calls("Main", "Main"), Names{});
}

TEST(ScannerTest, LinesOutsideRoutinesAreNeverScannedForCalls) {
  Modules modules;
  modules.add("M.bas",
              "Dim x As Byte\n"
              "x = Foo()\n"
              "Sub A()\n"
              "End Sub\n"
              "Foo\n"
              "Sub Foo()\nEnd Sub\n");
  modules.scan();
  EXPECT_EQ(modules.calls("M", "A"), Names{});
  EXPECT_EQ(modules.calls("M", "Foo"), Names{});
}

TEST(ScannerTest, DefinitionsPassRecordsNoCalls) {
  Modules modules;
  modules.add("M.bas", "Sub A()\n  A\nEnd Sub\n");
  modules.scanDefinitions();
  EXPECT_EQ(modules.calls("M", "A"), Names{});
  modules.scanCalls();
  EXPECT_EQ(modules.calls("M", "A"), Names{"M.A"});
}

TEST(ScannerTest, RoutineWithoutEndLineRunsToTheEndOfTheModule) {
  Modules modules;
  modules.add("M.bas", "Sub A()\n  B\n\n  ' note\n  C");
  modules.add("N.bas", "Public Sub B()\nEnd Sub\nPublic Sub C()\nEnd Sub\n");
  modules.scan();
  EXPECT_EQ(modules.calls("M", "A"), (Names{"N.B", "N.C"}));
}

TEST(ScannerTest, ContinuedLinesAreJoinedWithABlank) {
  Modules modules;
  modules.add("M.bas",
              "Public Sub _\n"
              "Joined()\n"
              "  Call Sum(1, _\n"
              "    Part(2))\n"
              "  x = Sum_\n"  // the '_' is a blank, so Sum stands alone
              "\n"
              "End Sub\n"
              "Sub Sum()\nEnd Sub\n"
              "Sub Part()\nEnd Sub\n");
  modules.scan();
  EXPECT_EQ(
      modules.definitions(),
      (Names{entry("M.Joined", D), entry("M.Part", D), entry("M.Sum", D)}));
  EXPECT_EQ(modules.calls("M", "Joined"), (Names{"M.Sum", "M.Part"}));
}

TEST(ScannerTest, CrLfSourcesScanLikeLfSources) {
  const std::string lf =
      "Public Function Get() As Byte\n"
      "  Get = Helper(1) + _\n"
      "    Get(2)\n"
      "  CallTask \"Worker\", S\n"
      "End Function\n"
      "Private Sub Worker()\n"
      "  Helper\n"
      "End Sub\n"
      "Sub Helper()\n"
      "End Sub\n";
  std::string crlf;
  for (char c : lf) {
    if (c == '\n') crlf += '\r';
    crlf += c;
  }
  Modules plain;
  Modules dos;
  plain.add("M.bas", lf);
  dos.add("M.bas", crlf);
  plain.scan();
  dos.scan();
  EXPECT_EQ(dos.definitions(), plain.definitions());
  EXPECT_EQ(dos.definitions(),
            (Names{entry("M.Get", D | F), entry("M.Helper", D),
                   entry("M.Worker", D | P | T)}));
  EXPECT_EQ(dos.calls("M", "Get"), (Names{"M.Helper", "M.Get"}));
  EXPECT_EQ(dos.calls("M", "Worker"), Names{"M.Helper"});
}

// Scans text as module "M.bas" for calls and returns the fatal message, or
// an empty string when there was none.
std::string overlongMessage(const std::string& text) {
  RoutineTable table;
  LineReader source(text);
  WarningLog warnings;
  CallSites sites;
  try {
    scanModule(table, source, "M.bas", 0, {0, warnings, nullptr, sites});
  } catch (const FatalError& error) {
    EXPECT_EQ(error.stream(), Stream::kOut);
    return error.message();
  }
  return std::string();
}

TEST(ScannerTest, ContinuedLineFillingTheBufferIsFatal) {
  // Two lines, one continued over two physical lines, then a logical line
  // whose pieces join to 302 + 209 = 511 characters.
  const std::string head = "Sub A()\n' note\nx = _\n1\n";
  const std::string first = std::string(300, 'x') + "_\n";
  EXPECT_EQ(overlongMessage(head + first + std::string(207, 'y') + "_\nz\n"),
            "Line exceeded maximum length at line 5 of module \"M.bas\"\n");
  // One character less fits.
  EXPECT_EQ(overlongMessage(head + first + std::string(206, 'y') + "_\nz\n"),
            "");
  // A physical line cut at the buffer's end continues when the last
  // character kept is '_'.
  EXPECT_EQ(overlongMessage(std::string(510, 'x') + "_" + "tail\n"),
            "Line exceeded maximum length at line 0 of module \"M.bas\"\n");
}

TEST(ScannerTest, LongPhysicalLineIsReadAsTwoLines) {
  // 600 characters: the first 511 end in "Bet", the other 89 begin with
  // "a Gamma", so neither half names Beta.
  const std::string line =
      std::string(507, 'x') + " Bet" + "a Gamma " + std::string(81, 'z');
  ASSERT_EQ(line.size(), 600u);
  Modules modules;
  modules.add("M.bas", "Sub Main()\n" + line +
                           "\nEnd Sub\n"
                           "Sub Bet()\nEnd Sub\n"
                           "Sub Beta()\nEnd Sub\n"
                           "Sub Gamma()\nEnd Sub\n");
  modules.scan();
  EXPECT_EQ(modules.calls("M", "Main"), (Names{"M.Bet", "M.Gamma"}));
  EXPECT_EQ(modules.console().bothText(), "");
  // The long line counts as two physical lines.
  EXPECT_EQ(overlongMessage("Sub Main()\n" + line + "\n" +
                            std::string(510, 'x') + "_\nz\n"),
            "Line exceeded maximum length at line 3 of module \"M.bas\"\n");
}

TEST(ScannerTest, EmptyLogicalLineEndsTheModule) {
  // A NUL first in a line leaves it empty, which ends the module text just
  // as 0x1A does.
  for (const std::string& stop :
       {std::string("\0x\n", 3), std::string("\x1a")}) {
    Modules modules;
    modules.add("M.bas", "Sub A()\n" + stop + "End Sub\nSub B()\nEnd Sub\n");
    modules.scan();
    EXPECT_EQ(modules.definitions(), Names{entry("M.A", D)});
  }
  // A NUL later in a line only cuts that line.
  Modules modules;
  modules.add("M.bas", std::string("Sub A()\nB\0C\nEnd Sub\nSub B()\n", 29));
  modules.scan();
  EXPECT_EQ(modules.calls("M", "A"), Names{"M.B"});
}

TEST(ScannerTest, ByteOrderMarkBeforeTheFirstDefinitionIsSkipped) {
  // Saved by a Windows editor as UTF-8 with a byte-order mark; the mark
  // must not become part of the first word, or Main would be lost.
  Modules modules;
  modules.add("M.bas",
              "\xEF\xBB\xBFPublic Sub Main()\r\n  Blink\r\nEnd Sub\r\n"
              "Sub Blink()\r\nEnd Sub\r\n");
  modules.scan();
  EXPECT_EQ(modules.definitions(),
            (Names{entry("M.Blink", D), entry("M.Main", D)}));
  EXPECT_EQ(modules.calls("M", "Main"), Names{"M.Blink"});
}

TEST(ScannerTest, MissingModuleIsReportedInEachPassAndSkipped) {
  Modules modules;
  modules.addMissing("Gone.bas");
  modules.add("M.bas", "Sub A()\nEnd Sub\n");
  modules.scan();
  EXPECT_EQ(modules.console().stdoutText(), "");
  EXPECT_EQ(modules.console().stderrText(),
            "Can't open the BasicX module \"Gone.bas\".\n"
            "Can't open the BasicX module \"Gone.bas\".\n");
  EXPECT_EQ(modules.definitions(), Names{entry("M.A", D)});
}

TEST(ScannerTest, EmptyFileNameAndDirectoryAreNotScanned) {
  RoutineTable table;
  StringConsole console;
  ReportProgress progress(console);
  WarningLog warnings;
  CallSites sites;
  const ModuleContext context{0, warnings, nullptr, sites};
  MemoryFileSystem memory;
  processModule(table, memory, progress, "", SCAN_DEFINITIONS, context);
  EXPECT_EQ(console.stderrText(),
            "processModule() called with null or empty filename.\n");

  testing::TempDir dir;
  dir.write("Lib.bas/Inner.bas", "Sub A()\nEnd Sub\n");
  DiskFileSystem disk;
  StringConsole diskConsole;
  ReportProgress diskProgress(diskConsole);
  const std::string path = (dir.path() / "Lib.bas").string();
  processModule(table, disk, diskProgress, path, SCAN_DEFINITIONS, context);
  EXPECT_EQ(diskConsole.stderrText(),
            "Can't open the BasicX module \"" + path + "\".\n");
  EXPECT_EQ(table.count(), 0);
}

// A project held in memory, read like a run in bound mode or in classic
// mode, with what the calls pass records.
class BoundProject {
 public:
  explicit BoundProject(bool bound) : bound_(bound) {}

  void add(const std::string& path, std::string text) {
    files_.add(path, std::move(text));
    project_ += path + "\n";
  }

  void read(int options = 0) {
    LineReader project(project_);
    ProjectRecords records{warnings_, "P.bxp", sites_};
    records.taskStarts = &taskStarts_;
    if (bound_) records.externals = &externals_;
    readProjectFile(table_, files_, progress_, project, options, records);
  }

  // Every call of an external routine as "Caller Routine", in order.
  Names externalCalls() const {
    Names names;
    for (const ExternalCall& call : externals_.calls()) {
      names.push_back(std::string(call.caller->fullName) + " " +
                      externals_.routines()[call.routine].name);
    }
    return names;
  }

  Names calls(const char* module, const char* routine) {
    return listed(module, routine, &RoutineEntry::calls);
  }

  Names callers(const char* module, const char* routine) {
    return listed(module, routine, &RoutineEntry::callers);
  }

  uint32_t flags(const char* module, const char* routine) {
    const RoutineEntry* entry =
        lookupOrAddRoutine(table_, module, routine, false);
    return entry == nullptr ? 0xFFFFFFFFu : entry->flags;
  }

  // The routine each calltask line starts, "-" for none.
  Names tasks() const {
    Names names;
    for (const TaskStart& start : taskStarts_) {
      names.push_back(start.task == nullptr ? "-"
                                            : std::string(start.task->fullName));
    }
    return names;
  }

  // The lines of the warnings of `kind`, in order.
  std::vector<uint32_t> warningLines(WarningKind kind) const {
    std::vector<uint32_t> lines;
    for (const Warning& warning : warnings_.ordered()) {
      if (warning.kind == kind) lines.push_back(warning.line);
    }
    return lines;
  }

  const ExternalCalls& externals() const { return externals_; }

 private:
  Names listed(const char* module, const char* routine,
               RoutineRefList* RoutineEntry::*list) {
    const RoutineEntry* entry =
        lookupOrAddRoutine(table_, module, routine, false);
    if (entry == nullptr) return {"<no such routine>"};
    Names names;
    if (entry->*list) {
      for (const RoutineEntry* item : (entry->*list)->items) {
        names.emplace_back(item->fullName);
      }
    }
    return names;
  }

  bool bound_;
  std::string project_;
  MemoryFileSystem files_;
  StringConsole console_;
  ReportProgress progress_{console_};
  RoutineTable table_;
  WarningLog warnings_;
  CallSites sites_;
  ExternalCalls externals_;
  std::vector<TaskStart> taskStarts_;
};

TEST(ScannerBoundTest, NamesWhereCallsStandAreExternalRoutines) {
  struct Case {
    const char* body;
    Names externals;
  };
  const Case cases[] = {
      // The forms of call position, in a continued line too; each caller's
      // calls of one routine are recorded once.
      {"Call Ext : Debug.Print \"x\"", {"Ext", "Debug.Print"}},
      {"If x Then DoIt Else y = Other(1)", {"DoIt", "Other"}},
      {"PutPin _\n    25, 1\n  putpin 26, 0", {"PutPin"}},
      // Arrays: module level of another module (Dim, Private, Public), a
      // local Dim, a parameter.
      {"x = Grid(3) + Tab(1) + Pub(2)\n  Tab(1) = 3", {}},
      {"Dim loc(1 To 5) As Byte\n  loc(2) = 1\n  x = LOC(3)", {}},
      {"buf(1) = buf(2)", {}},
      // Known routines are calls of them; strings, comments and task starts
      // hold none.
      {"Known\n  x = Known(1)", {}},
      {"x = \"DoIt(1)\" ' Call DoIt", {}},
      {"CallTask \"Ext\", Stack", {}},
      // Text that reads badly records what it can and no more.
      {"Call\n  :\n  x = (((\n  \"", {}},
  };
  for (const Case& c : cases) {
    BoundProject project(true);
    project.add("src/A.bas", std::string("Sub S(ByRef buf() As Byte)\n  ") +
                                 c.body + "\nEnd Sub\n");
    project.add("B.bas",
                "Dim Grid(3) As Byte\nPrivate Tab(2) As Byte\n"
                "Public Pub(1 To 2) As Byte\n"
                "Public Sub Known()\nEnd Sub\n");
    project.read();
    Names expected;
    for (const std::string& name : c.externals) {
      expected.push_back("src/A.S " + name);
    }
    EXPECT_EQ(project.externalCalls(), expected) << c.body;
  }
}

TEST(ScannerBoundTest, ProjectCallsStayCallsAndFunctionResultsAreNoCalls) {
  BoundProject project(true);
  project.add("M.bas",
              "Function F(ByVal n As Byte) As Byte\n"
              "  F = Known(1)\n"
              "  If n > 0 Then F = F(n - 1)\n"
              "  Known\n"
              "End Function\n"
              "Sub Known()\nEnd Sub\n");
  project.read();
  EXPECT_EQ(project.calls("M", "F"), (Names{"M.Known", "M.F"}));
  EXPECT_EQ(project.externalCalls(), Names{});
}

TEST(ScannerBoundTest, LocalArraysAreArraysOnlyInTheirRoutine) {
  BoundProject project(true);
  project.add("M.bas",
              "Sub A(buf() As Byte)\n  Dim loc(3) As Byte\n  loc(1) = buf(0)\n"
              "End Sub\n"
              "Sub B()\n  loc(1) = buf(0)\nEnd Sub\n");
  project.read();
  EXPECT_EQ(project.externalCalls(), (Names{"M.B loc", "M.B buf"}));
}

TEST(ScannerBoundTest, ExternalCallsRecordWhereTheyFirstStand) {
  BoundProject project(true);
  project.add("A.bas", "Sub Main()\n  Delay 1\nEnd Sub\n");
  project.add("B.bas",
              "Sub Run()\n  x = 1 : Call _\n      Delay(2)\n  Delay 3\n"
              "End Sub\n");
  project.read();
  const ExternalCalls& externals = project.externals();
  ASSERT_EQ(externals.routines().size(), 1u);
  const std::vector<CallSite>& sites = externals.routines()[0].sites;
  ASSERT_EQ(sites.size(), 2u);
  EXPECT_EQ(std::make_tuple(sites[0].module, sites[0].line, sites[0].column),
            std::make_tuple(0u, 2u, 3u));
  EXPECT_EQ(std::make_tuple(sites[1].module, sites[1].line, sites[1].column),
            std::make_tuple(1u, 3u, 7u));
}

TEST(ScannerBoundTest, QualifiedNamesCallTheRoutineTheyName) {
  const std::string motor =
      "Sub Run()\n"
      "  Motor.Hidden\n"
      "  x = Serial.Put(1)\n"
      "  Serial.Secret\n"
      "  Nowhere.Put\n"
      "  x = Nowhere.Get\n"
      "End Sub\n"
      "Private Sub Hidden()\nEnd Sub\n";
  const std::string serial =
      "Public Sub Put(x)\nEnd Sub\nPrivate Sub Secret()\nEnd Sub\n";
  BoundProject bound(true);
  BoundProject classic(false);
  for (BoundProject* project : {&bound, &classic}) {
    project->add("lib/Motor.bas", motor);
    project->add("Serial.bas", serial);
    project->read(OPT_CALLERS);
  }
  EXPECT_EQ(bound.calls("lib/Motor", "Run"),
            (Names{"lib/Motor.Hidden", "Serial.Put"}));
  EXPECT_EQ(bound.callers("Serial", "Put"), Names{"lib/Motor.Run"});
  // Another module's private routine and an unknown module are no routine
  // of the project: where a call stands they are external.
  EXPECT_EQ(bound.externalCalls(),
            (Names{"lib/Motor.Run Serial.Secret", "lib/Motor.Run Nowhere.Put"}));
  EXPECT_EQ(bound.warningLines(WarningKind::kQualifiedCall),
            std::vector<uint32_t>{});
  // Classic mode counts none of them and warns about those it recognises.
  EXPECT_EQ(classic.calls("lib/Motor", "Run"), Names{});
  EXPECT_EQ(classic.warningLines(WarningKind::kQualifiedCall),
            (std::vector<uint32_t>{2, 3}));
  EXPECT_EQ(classic.externalCalls(), Names{});
}

TEST(ScannerBoundTest, TasksOfOtherModulesAndUnquotedNamesAreStarted) {
  const std::string main =
      "Sub Main()\n"
      "  CallTask \"Worker\", S1\n"
      "  CallTask \"Lib.Pump\", S2\n"
      "  CallTask Monitor, S3\n"
      "  CallTask Lib.Pump, S4\n"
      "  CallTask \"Nope\", S5\n"
      "  CallTask Local, S6\n"
      "  CallTask \"Lib.Hidden\", S7\n"
      "End Sub\n"
      "Sub Local()\nEnd Sub\n";
  const std::string lib =
      "Public Sub Worker()\nEnd Sub\nPublic Sub Pump()\nEnd Sub\n"
      "Public Sub Monitor()\nEnd Sub\nPrivate Sub Hidden()\nEnd Sub\n";
  BoundProject bound(true);
  BoundProject classic(false);
  for (BoundProject* project : {&bound, &classic}) {
    project->add("Main.bas", main);
    project->add("Lib.bas", lib);
    project->read();
  }
  EXPECT_EQ(bound.tasks(), (Names{"Lib.Worker", "Lib.Pump", "Lib.Monitor",
                                  "Lib.Pump", "-", "Main.Local", "-"}));
  for (const char* routine : {"Worker", "Pump", "Monitor"}) {
    EXPECT_EQ(bound.flags("Lib", routine), D | T) << routine;
    EXPECT_EQ(classic.flags("Lib", routine), D) << routine;
  }
  EXPECT_EQ(bound.flags("Main", "Local"), D | T);
  EXPECT_EQ(bound.flags("Lib", "Hidden"), D | P);
  EXPECT_EQ(bound.warningLines(WarningKind::kTaskElsewhere),
            (std::vector<uint32_t>{6, 8}));
  EXPECT_EQ(bound.calls("Main", "Main"), Names{});
  EXPECT_EQ(bound.externalCalls(), Names{});
  EXPECT_EQ(classic.tasks(), Names(7, "-"));
  EXPECT_EQ(classic.warningLines(WarningKind::kTaskElsewhere),
            (std::vector<uint32_t>{2, 3, 4, 5, 6, 7, 8}));
}

}  // namespace
}  // namespace memtally
