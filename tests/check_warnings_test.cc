// The warnings of --check, each pinned on a small project held in memory.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "support/memory_run.h"

namespace memtally {
namespace {

using Files = std::vector<std::pair<std::string, std::string>>;

constexpr char kMap[] =
    "RAM allocated: 10\nFORMAL PARAMETERS\nLOCAL VARIABLES\nCODE MEMORY\n";

// Runs --check with `args` before the project name P on the files, which
// get a project file listing A.bas and a plain map file unless they bring
// their own.
testing::MemoryRun check(Files files, std::vector<std::string> args = {}) {
  MemoryFileSystem memory;
  memory.add("P.bxp", "A.bas\n");
  memory.add("P.mpp", kMap);
  for (auto& [path, text] : files) memory.add(path, std::move(text));
  args.insert(args.begin(), "--check");
  args.push_back("P");
  return testing::runInMemory(args, memory);
}

// A module's message, printed once in each pass.
std::string twice(const std::string& text) { return text + text; }

TEST(CheckWarningsTest, EachWarningHasItsPlaceAndText) {
  struct Case {
    const char* name;
    Files files;
    std::string err;
  };
  const Case cases[] = {
      {"recursion, direct and through a cycle",
       {{"A.bas",
         "Sub Main()\n  Call Main\n  Call A\nEnd Sub\n"
         "Sub A()\n  Call B\nEnd Sub\nSub B()\n  Call A\nEnd Sub\n"}},
       // In routine order of the callers: A.B before A.Main.
       "A.bas:9:8: warning: recursion: the call of A.A from A.B counts 0 "
       "bytes\n"
       "A.bas:2:8: warning: recursion: A.Main calls itself; the call counts 0 "
       "bytes\n"},
      {"qualified names of another module, of a folder's module, of its own",
       {{"P.bxp", "A.bas\nlib/Serial.bas\n"},
        {"A.bas",
         "Sub Main()\n  Call Serial.Put(1)\n  Call serial.hidden\n"
         "  Call A.Helper\n  x = Config.Rate\nEnd Sub\n"
         "Private Sub Helper()\nEnd Sub\n"},
        {"lib/Serial.bas",
         "Public Sub Put(ByVal B As Byte)\nEnd Sub\n"
         "Private Sub Hidden()\nEnd Sub\n"}},
       "A.bas:2:8: warning: qualified names are not resolved, so this call of "
       "lib/Serial.Put counts 0 bytes; write Put instead\n"
       "A.bas:4:8: warning: qualified names are not resolved, so this call of "
       "A.Helper counts 0 bytes; write Helper instead\n"},
      {"names on a continued line, where they stand",
       {{"P.bxp", "A.bas\nSerial.bas\n"},
        {"A.bas",
         "Sub Main()\n  x = 1 + _\n      Serial.Put(2) + _\n   Main\n"
         "End Sub\nPublic _\n  Sub Last()\n"},
        {"Serial.bas", "Public Sub Put(ByVal B As Byte)\nEnd Sub\n"}},
       "A.bas:3:7: warning: qualified names are not resolved, so this call of "
       "Serial.Put counts 0 bytes; write Put instead\n"
       "A.bas:7:7: warning: A.Last has no End Sub; its body runs to the end "
       "of the file\n"
       "A.bas:4:4: warning: recursion: A.Main calls itself; the call counts 0 "
       "bytes\n"},
      {"a NUL byte inside a line, which hides the rest of it",
       {{"A.bas", std::string("Sub Main()\n  x = 0\0 : Foo\nEnd Sub\n", 34) +
                      "Sub Foo()\nEnd Sub\n"}},
       "A.bas:2:8: warning: a NUL byte ends this line here; the rest of it is "
       "not read\n"},
      {"the same routine name in several modules",
       {{"P.bxp", "Main.bas\nLib1.bas\nLib22.bas\nOld.bas\nOwn.bas\n"},
        {"Main.bas", "Sub Main()\n  x = Helper(2)\nEnd Sub\n"},
        {"Lib1.bas", "Public Function Helper(B)\nEnd Function\n"},
        {"Lib22.bas", "Public Function Helper(B)\nEnd Function\n"},
        {"Old.bas", "Sub  Main()\nEnd Sub\n"},
        // A module's own Helper is no ambiguity.
        {"Own.bas", "Sub Helper()\nEnd Sub\nSub A()\n  Helper\nEnd Sub\n"}},
       "Main.bas:2:7: warning: this call of Helper means Lib22.Helper, of the "
       "module that comes last among those with a public Helper (shorter "
       "names first); also public: Own.Helper, Lib1.Helper\n"
       "Old.bas:1:6: warning: Main is defined in 2 modules (Old, Main); the "
       "estimate is for Old.Main\n"},
      {"calltask of another module's routine, and without a quoted name",
       {{"P.bxp", "A.bas\nB.bas\n"},
        {"A.bas",
         "Sub Main()\n  CallTask \"Logger\", S\n  CallTask Logger, S\n"
         "  CallTask \"Main\", S\n  CallTask \"Log _\nger\", S\nEnd Sub\n"},
        {"B.bas", "Sub Logger()\nEnd Sub\n"}},
       "A.bas:2:3: warning: calltask starts Logger, which is not a routine of "
       "this module; its stack is not estimated\n"
       "A.bas:2:3: warning: the stack of task Logger cannot be checked: no "
       "array S is declared; Logger is not a routine of this module, so its "
       "need is not computed\n"
       "A.bas:3:3: warning: calltask without a quoted routine name; no task is "
       "estimated\n"
       "A.bas:3:3: warning: the stack of task Logger cannot be checked: no "
       "array S is declared; calltask has no quoted routine name\n"
       "A.bas:4:3: warning: the stack of task A.Main cannot be checked: no "
       "array S is declared\n"
       // A name continued on the next line is shown on one line.
       "A.bas:5:3: warning: calltask starts Log   ger, which is not a routine of "
       "this module; its stack is not estimated\n"
       "A.bas:5:3: warning: the stack of task Log   ger cannot be checked: no "
       "array S is declared; Log   ger is not a routine of this module, so its "
       "need is not computed\n"
       "A.bas:1:5: warning: A.Main is reached from task A.Main; it is counted "
       "with an overhead of 9 bytes, not 15\n"},
      {"a missing End line and a definition inside a body",
       {{"A.bas",
         "Sub Main()\n  x = 1\nFunction Speed( _\n  ByVal X As Byte)\n"
         "End Sub\nFunction Last()\n  Last = 1\n"}},
       "A.bas:3:10: warning: this definition is inside the body of A.Main and "
       "is not read as one; is an End line missing?\n"
       "A.bas:6:10: warning: A.Last has no End Function; its body runs to the "
       "end of the file\n"},
      {"a map record of a routine no module defines, once",
       {{"A.bas", "Sub Main()\nEnd Sub\n"},
        {"P.mpp",
         "RAM allocated: 10\nFORMAL PARAMETERS\n 1 2 A.Gone.x\n 1 2 A.Main.y\n"
         "LOCAL VARIABLES\n 3 1 A.Gone.z\nCODE MEMORY\n"}},
       "P.mpp:3:6: warning: the map names A.Gone, which no module defines\n"},
      {"main reached from a task",
       {{"A.bas",
         "Sub Main()\n  CallTask \"Watch\", S\nEnd Sub\n"
         "Sub Watch()\n  Call Main\nEnd Sub\n"}},
       "A.bas:2:3: warning: the stack of task A.Watch cannot be checked: no "
       "array S is declared\n"
       "A.bas:1:5: warning: A.Main is reached from task A.Watch; it is counted "
       "with an overhead of 9 bytes, not 15\n"},
      {"lines cut in the project file, a module and the map file",
       {{"P.bxp", std::string(80, 'x') + "\nA.bas\n"},
        {"A.bas", "Sub Main()\n' " + std::string(520, 'c') + "\nEnd Sub\n"},
        {"P.mpp", std::string(600, ' ') + "y\n" + kMap}},
       twice("Can't open the BasicX module \"" + std::string(79, 'x') +
             "\".\nCan't open the BasicX module \"x\".\n") +
           "P.bxp:1:1: warning: line longer than 79 characters; it is read as "
           "more "
           "than one module name\n"
           "A.bas:2:1: warning: line longer than 511 characters; it is read as "
           "more than one line\n"
           "P.mpp:1:1: warning: line longer than 511 characters; it is read as "
           "more than one line\n"},
      {"a total that wraps around",
       {{"A.bas", "Sub Main()\n  Call Big\nEnd Sub\nSub Big()\nEnd Sub\n"},
        {"P.mpp",
         "RAM allocated: 10\nFORMAL PARAMETERS\n 1 4294967290 A.Big.x\n"
         "LOCAL VARIABLES\nCODE MEMORY\n"}},
       "A.bas:4:5: warning: the total of A.Big exceeds 4294967295 bytes and "
       "wraps around\n"},
      {"text that ends early: NUL, 0x1A, UTF-16",
       {{"P.bxp", "A.bas\nB.bas\nC.bas\nD.bas\n"},
        {"A.bas", std::string("Sub Main()\nEnd Sub\n\0Sub Lost()\n", 29)},
        {"B.bas", "Sub B1()\nEnd Sub\n\x1aSub Lost()\n"},
        {"C.bas", "Sub C1()\nEnd Sub\n\x1a\r\n\x1a"},
        {"D.bas", std::string("\xFF\xFES\0u\0b\0", 8)}},
       "A.bas:3:1: warning: a NUL byte ends the module here; the rest of the "
       "file is not read\n"
       "B.bas:3:1: warning: byte 0x1A ends the text here; the rest of the file "
       "is not read\n"
       "D.bas:1:1: warning: the file looks like UTF-16 text, which is not "
       "read; save it as ANSI or UTF-8\n"},
      {"a map without its RAM line",
       {{"A.bas", "Sub Main()\nEnd Sub\n"}, {"P.mpp", "FORMAL PARAMETERS\n"}},
       "P.mpp: warning: the map has no RAM allocated: line; no sizes were "
       "read\n"},
      {"a map that ends inside a section, with and without a routine pending",
       {{"P.bxp", "A.bas\n"},
        {"A.bas", "Sub Main()\nEnd Sub\n"},
        {"P.mpp", "RAM allocated: 10\nFORMAL PARAMETERS\n 1 2 A.Main.x\n\n"}},
       "P.mpp:4:1: warning: the map ends before LOCAL VARIABLES; no local "
       "variable sizes were read, and the parameter sizes of A.Main are not "
       "stored\n"},
      {"a map that ends before its parameters",
       {{"P.bxp", "A.bas\n"},
        {"A.bas", "Sub Main()\nEnd Sub\n"},
        {"P.mpp", "RAM allocated: 10\n\n"}},
       "P.mpp:2:1: warning: the map ends before FORMAL PARAMETERS; no sizes were "
       "read\n"},
      {"a map that ends among the locals, with sizes that wrap",
       {{"P.bxp", "A.bas\n"},
        {"A.bas", "Sub Main()\nEnd Sub\n"},
        {"P.mpp", "RAM allocated: 1\nFORMAL PARAMETERS\nLOCAL VARIABLES\n"
                  " 1 2147483648 A.Main.x\n 2 2147483648 A.Main.y\n"
                  "CODE MEMORY\n"}},
       "P.mpp:4:15: warning: the sizes of A.Main add up to more than 4294967295 "
       "bytes and wrap around to 0\n"},
      {"a map whose records of a routine are split, and a number too large",
       {{"A.bas", "Sub Main()\nEnd Sub\nSub B()\nEnd Sub\n"},
        {"P.mpp",
         "RAM allocated: 4294967296 bytes\nFORMAL PARAMETERS\n 1 2 A.Main.x\n"
         " 1 2 A.B.x\n 1 2 A.Main.y\nLOCAL VARIABLES\n 1 2 A.Main.x\n"
         " 1 2 a.main.y\nCODE MEMORY\n"}},
       "P.mpp:1:16: warning: the number 4294967296 exceeds 4294967295 and is "
       "read as 0\n"
       "P.mpp:5:6: warning: the records of A.Main are split; this stretch "
       "replaces the one before\n"
       "P.mpp:8:6: warning: the records of A.Main are split; this stretch "
       "replaces the one before\n"},
      {"module names cut in a folder name, and empty",
       {{"P.bxp", "A.bas\n../lib/Motor\nlib.v2/Motor.bas\n.bas\n"},
        {"A.bas", "Sub Main()\nEnd Sub\n"}},
       twice("Can't open the BasicX module \"../lib/Motor\".\n"
             "Can't open the BasicX module \"lib.v2/Motor.bas\".\n"
             "Can't open the BasicX module \".bas\".\n") +
           "P.bxp:2:1: warning: the module name of ../lib/Motor is \".\": it is "
           "cut "
           "at a dot in a folder name, so its routines may merge with another "
           "module's\n"
           "P.bxp:4:1: warning: the module name of .bas is \"\": it is empty, so "
           "its routines are not recorded\n"},
  };
  for (const Case& c : cases) {
    const testing::MemoryRun run = check(c.files);
    EXPECT_EQ(run.status, 0) << c.name;
    // Module messages come during the passes, the warnings after the report.
    EXPECT_EQ(run.err, c.err) << c.name;
  }
}

}  // namespace
}  // namespace memtally
