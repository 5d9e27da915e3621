#include "map/map_reader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/console.h"
#include "base/fatal.h"
#include "base/file_system.h"
#include "driver/driver.h"
#include "support/memory_run.h"

namespace memtally {
namespace {

// The table as text, in routine order: "Main.Blink 6/2" per entry (parameter
// bytes / local bytes), with " flags N" when any flag is set.
std::string describe(RoutineTable& table) {
  ensureRoutineOrder(table);
  std::string text;
  for (const RoutineEntry* entry : table.entries) {
    if (!text.empty()) text += ", ";
    text += std::string(entry->fullName) + " " +
            std::to_string(entry->paramBytes) + "/" +
            std::to_string(entry->localBytes);
    if (entry->flags != 0) text += " flags " + std::to_string(entry->flags);
  }
  return text;
}

// Reads the map into the table, its warnings into a log of its own.
uint32_t readSizes(RoutineTable& table, LineReader& map) {
  WarningLog warnings;
  return processMap(table, map, {warnings, WarningSource::kMap, 0, "P.mpp"});
}

struct MapResult {
  uint32_t staticRam;
  std::string table;
};

// Reads the map text into a fresh table.
MapResult readMap(const std::string& text) {
  RoutineTable table;
  LineReader map(text);
  const uint32_t staticRam = readSizes(table, map);
  return {staticRam, describe(table)};
}

// Joins lines with the given line end after each.
std::string joinLines(const std::vector<std::string>& lines,
                      const std::string& end = "\n") {
  std::string text;
  for (const std::string& line : lines) text += line + end;
  return text;
}

// The message of the FatalError that reading the map throws, or
// "(no error)".
std::string fatalMessage(const std::string& text) {
  try {
    readMap(text);
  } catch (const FatalError& error) {
    EXPECT_EQ(error.stream(), Stream::kErr);
    return error.message();
  }
  return "(no error)";
}

// One line of the worked example and the table after it. `stored` is what
// the file holds when it ends after this line (a pending stretch is dropped
// then); `closed` is what it holds when the current section's end marker
// follows at once (the pending stretch is stored), empty where no section
// is open.
struct ExampleRow {
  const char* line;
  uint32_t staticRam;
  const char* stored;
  const char* closer;
  const char* closed;
};

const ExampleRow kWorkedExample[] = {
    {"RAM allocated: 142 bytes", 142, "", nullptr, nullptr},
    {"FORMAL PARAMETERS", 142, "", "LOCAL VARIABLES", ""},
    {"Address Size Name", 142, "", "LOCAL VARIABLES", ""},
    {"410 2 Main.Blink.count", 142, "", "LOCAL VARIABLES", "Main.Blink 2/0"},
    {"412 4 Main.Blink.rate", 142, "", "LOCAL VARIABLES", "Main.Blink 6/0"},
    {"416 1 Serial.Put.ch", 142, "Main.Blink 6/0", "LOCAL VARIABLES",
     "Main.Blink 6/0, Serial.Put 1/0"},
    {"LOCAL VARIABLES", 142, "Main.Blink 6/0, Serial.Put 1/0", "CODE MEMORY",
     "Main.Blink 6/0, Serial.Put 1/0"},
    {"420 2 Main.Blink.i", 142, "Main.Blink 6/0, Serial.Put 1/0", "CODE MEMORY",
     "Main.Blink 6/2, Serial.Put 1/0"},
    {"CODE MEMORY", 142, "Main.Blink 6/2, Serial.Put 1/0", "CODE MEMORY",
     "Main.Blink 6/2, Serial.Put 1/0"},
};

std::vector<std::string> workedExampleLines() {
  std::vector<std::string> lines;
  for (const ExampleRow& row : kWorkedExample) lines.emplace_back(row.line);
  return lines;
}

TEST(MapReaderTest, WorkedExampleStoresEachStretchWhenItEnds) {
  std::vector<std::string> prefix;
  for (const ExampleRow& row : kWorkedExample) {
    prefix.emplace_back(row.line);
    SCOPED_TRACE(row.line);
    const MapResult stored = readMap(joinLines(prefix));
    EXPECT_EQ(stored.staticRam, row.staticRam);
    EXPECT_EQ(stored.table, row.stored);
    if (row.closer == nullptr) continue;
    std::vector<std::string> closedLines = prefix;
    closedLines.emplace_back(row.closer);
    const MapResult closed = readMap(joinLines(closedLines));
    EXPECT_EQ(closed.staticRam, row.staticRam);
    EXPECT_EQ(closed.table, row.closed);
  }
}

TEST(MapReaderTest, CrLfMapFileReadsLikeLfMapFile) {
  const MapResult lf = readMap(joinLines(workedExampleLines()));
  const MapResult crlf = readMap(joinLines(workedExampleLines(), "\r\n"));
  EXPECT_EQ(crlf.staticRam, 142u);
  EXPECT_EQ(crlf.table, lf.table);
  // A stray carriage return before the line end is white space as well.
  const MapResult stray = readMap(joinLines(workedExampleLines(), "\r\r\n"));
  EXPECT_EQ(stray.table, lf.table);
}

TEST(MapReaderTest, ByteOrderMarkBeforeRamAllocatedIsSkipped) {
  const MapResult plain = readMap(joinLines(workedExampleLines()));
  const MapResult marked =
      readMap("\xEF\xBB\xBF" + joinLines(workedExampleLines(), "\r\n"));
  EXPECT_EQ(marked.staticRam, 142u);
  EXPECT_EQ(marked.table, plain.table);
}

TEST(MapReaderTest, NothingAfterCodeMemoryIsRead) {
  std::vector<std::string> lines = workedExampleLines();
  lines.insert(
      lines.end(),
      {"RAM allocated: 9", "FORMAL PARAMETERS", "500 7 Main.Blink.late",
       "100 2 Fatal", "LOCAL VARIABLES", "600 5 Main.Extra.x", "CODE MEMORY"});
  const std::string text = joinLines(lines);
  RoutineTable table;
  LineReader map(text);
  EXPECT_EQ(readSizes(table, map), 142u);
  EXPECT_EQ(describe(table), "Main.Blink 6/2, Serial.Put 1/0");
  // The file is left just after the "CODE MEMORY" line.
  std::string next;
  ASSERT_TRUE(map.readLine(next, kMapLineCapacity));
  EXPECT_EQ(next, "RAM allocated: 9\n");
}

struct MapCase {
  const char* name;
  std::vector<std::string> lines;
  uint32_t staticRam;
  std::string table;
};

// A parameter section and a local section around the given data lines.
std::vector<std::string> sections(const std::vector<std::string>& params,
                                  const std::vector<std::string>& locals) {
  std::vector<std::string> lines = {"RAM allocated: 10", "FORMAL PARAMETERS"};
  lines.insert(lines.end(), params.begin(), params.end());
  lines.emplace_back("LOCAL VARIABLES");
  lines.insert(lines.end(), locals.begin(), locals.end());
  lines.emplace_back("CODE MEMORY");
  return lines;
}

TEST(MapReaderTest, MarkersOpenSectionsOnlyInTurnAndCaseSensitively) {
  const MapCase cases[] = {
      {"map without RAM line stores nothing",
       {"FORMAL PARAMETERS", "410 2 Main.Blink.a", "LOCAL VARIABLES",
        "420 2 Main.Blink.i", "CODE MEMORY"},
       0,
       ""},
      {"RAM line may come after the sections",
       {"FORMAL PARAMETERS", "410 2 Main.Blink.a", "CODE MEMORY",
        "RAM allocated: 30", "FORMAL PARAMETERS", "410 3 Main.Late.a",
        "LOCAL VARIABLES"},
       30,
       "Main.Late 3/0"},
      {"RAM marker without digits gives 0 and still opens the sections",
       {"RAM allocated: none", "FORMAL PARAMETERS", "410 2 Main.Blink.a",
        "LOCAL VARIABLES"},
       0,
       "Main.Blink 2/0"},
      {"RAM marker with nothing after it", {"RAM allocated:"}, 0, ""},
      {"RAM marker with a sign", {"RAM allocated: -5"}, 0, ""},
      {"RAM number directly after the marker", {"RAM allocated:77"}, 77, ""},
      {"indented marker lines with trailing text",
       {"   RAM allocated:\t 64 bytes  ", "\tFORMAL PARAMETERS (by routine)",
        "  410 2 Main.Blink.a", " LOCAL VARIABLES:", "CODE MEMORY USED"},
       64,
       "Main.Blink 2/0"},
      {"markers are case-sensitive",
       {"ram allocated: 5", "RAM Allocated: 6", "RAM allocated: 7",
        "Formal Parameters", "410 1 Main.A.x", "FORMAL PARAMETERS",
        "410 2 Main.B.x", "local variables", "411 3 Main.C.x",
        "LOCAL VARIABLES"},
       7,
       "Main.B 2/0, Main.C 3/0"},
      {"markers out of turn are skipped lines",
       {"CODE MEMORY", "LOCAL VARIABLES", "RAM allocated: 8", "CODE MEMORY",
        "LOCAL VARIABLES", "410 1 Main.A.x", "FORMAL PARAMETERS",
        "RAM allocated: 99", "410 2 Main.B.x", "FORMAL PARAMETERS",
        "411 3 Main.B.y", "LOCAL VARIABLES", "RAM allocated: 98",
        "FORMAL PARAMETERS", "420 4 Main.B.z", "LOCAL VARIABLES",
        "421 1 Main.B.w", "CODE MEMORY"},
       8,
       "Main.B 5/5"},
      {"data lines before the parameter section are skipped",
       {"400 2 Main.Early.x", "RAM allocated: 3", "401 2 Main.Early.y",
        "FORMAL PARAMETERS", "LOCAL VARIABLES", "CODE MEMORY"},
       3,
       ""},
      {"headings, rulers and blank lines inside sections",
       sections({"Address  Size  Name", "-------  ----  ----", "",
                 "410 2 Main.Blink.a", "", "   \t ", "Module Main", "-------",
                 "412 4 Main.Blink.b", "Name: Serial.Put.c", ". 7 Main.Blink.z",
                 "414 1 Main.Blink.c", "--"},
                {"Address  Size  Name", "420 2 Main.Blink.i",
                 "=====", "422 2 Main.Blink.j", "  "}),
       10, "Main.Blink 7/4"},
      {"end of file inside the parameters drops the pending stretch",
       {"RAM allocated: 12", "FORMAL PARAMETERS", "410 2 Main.A.x",
        "411 3 Main.B.x", "412 4 Main.B.y"},
       12,
       "Main.A 2/0"},
      {"end of file inside the locals drops the pending stretch",
       {"RAM allocated: 12", "FORMAL PARAMETERS", "410 2 Main.A.x",
        "LOCAL VARIABLES", "420 5 Main.A.i"},
       12,
       "Main.A 2/0"},
  };
  for (const MapCase& c : cases) {
    SCOPED_TRACE(c.name);
    const MapResult result = readMap(joinLines(c.lines));
    EXPECT_EQ(result.staticRam, c.staticRam);
    EXPECT_EQ(result.table, c.table);
  }
}

TEST(MapReaderTest, StretchesSumConsecutiveLinesOfOneNameAndStoreOnce) {
  const std::string longName = "Main." + std::string(300, 'R');
  const std::string sharedStart = "Main." + std::string(100, 'R');
  const MapCase cases[] = {
      {"a later stretch of a routine replaces the earlier one",
       sections(
           {"410 2 Main.Blink.a", "411 3 Main.Blink.b", "412 1 Serial.Put.c",
            "413 4 Main.Blink.d"},
           {"420 2 Main.Blink.i", "421 6 Serial.Put.j", "422 1 Main.Blink.k"}),
       10, "Main.Blink 4/1, Serial.Put 1/6"},
      {"names differing in case are two stretches reaching one entry",
       sections({"410 2 Main.Blink.a", "411 5 main.blink.b"},
                {"420 3 MAIN.BLINK.i", "421 4 Main.Blink.j"}),
       10, "Main.Blink 5/4"},
      {"a data line without a name ends the stretch and stores nothing",
       sections({"410 2 Main.Blink.a", "416 1", "417 4 Main.Blink.b"},
                {"420 2 Main.Blink.i", "421 7   ", "422 1"}),
       10, "Main.Blink 4/2"},
      {"a name that is only a dot and a variable stores nothing",
       sections({"410 2 .x", "411 3 Main.A.x", "412 4 .y"}, {}), 10,
       "Main.A 3/0"},
      {"a data line with only an address stores nothing",
       sections({"410"}, {"420"}), 10, ""},
      {"a data line without a size sums 0", sections({"410 Main.A.x"}, {}), 10,
       "Main.A 0/0"},
      {"tabs separate the columns",
       sections({"410\t2\tMain.A.x", "411\t\t3 \tMain.A.y"}, {}), 10,
       "Main.A 5/0"},
      {"inner dots stay in the routine part", sections({"410 2 A.B.C.x"}, {}),
       10, "A.B.C 2/0"},
      {"long names are summed whole",
       sections({"410 2 " + longName + ".x", "411 3 " + longName + ".y"}, {}),
       10, longName + " 5/0"},
      {"long names differing late are not confused",
       sections(
           {"410 2 " + sharedStart + "A.x", "411 3 " + sharedStart + "B.x"},
           {}),
       10, sharedStart + "A 2/0, " + sharedStart + "B 3/0"},
  };
  for (const MapCase& c : cases) {
    SCOPED_TRACE(c.name);
    const MapResult result = readMap(joinLines(c.lines));
    EXPECT_EQ(result.staticRam, c.staticRam);
    EXPECT_EQ(result.table, c.table);
  }
}

TEST(MapReaderTest, NumbersWrapModulo2To32) {
  const MapCase cases[] = {
      {"static RAM of 2^32 + 2", {"RAM allocated: 4294967298 bytes"}, 2, ""},
      {"static RAM of 2^32", {"RAM allocated: 4294967296"}, 0, ""},
      {"a size of 2^32 + 1", sections({"410 4294967297 Main.A.x"}, {}), 10,
       "Main.A 1/0"},
      {"a sum past 2^32",
       sections({"410 4294967295 Main.A.x", "411 2 Main.A.y"},
                {"420 4000000000 Main.A.i", "421 500000000 Main.A.j"}),
       10, "Main.A 1/205032704"},
      {"a long address does not disturb the size",
       sections({"99999999999999999999 3 Main.A.x"}, {}), 10, "Main.A 3/0"},
  };
  for (const MapCase& c : cases) {
    SCOPED_TRACE(c.name);
    const MapResult result = readMap(joinLines(c.lines));
    EXPECT_EQ(result.staticRam, c.staticRam);
    EXPECT_EQ(result.table, c.table);
  }
}

TEST(MapReaderTest, LineOf600CharactersIsReadAsTwoLinesCutAt511) {
  // The first 511 characters hold one data line ending in a stray x; the
  // rest, starting with the 512th character, is a data line of its own.
  std::string first = "400 3 Main.Long.v";
  first.append(510 - first.size(), ' ');
  first.push_back('x');
  std::string rest = "8 6 Main.Tail.y";
  rest.append(89 - rest.size(), ' ');
  const std::string line = first + rest;
  ASSERT_EQ(first.size(), 511u);
  ASSERT_EQ(line.size(), 600u);
  const MapResult result = readMap(joinLines(sections({line}, {})));
  EXPECT_EQ(result.table, "Main.Long 3/0, Main.Tail 6/0");
}

TEST(MapReaderTest, MapOnlyRoutinesGetNewEntriesWithoutFlags) {
  RoutineTable table;
  RoutineEntry* blink = lookupOrAddRoutine(table, "Main", "Blink", true);
  blink->flags = ROUTINE_DEFINED | ROUTINE_FUNCTION;
  const std::string text =
      joinLines(sections({"410 2 MAIN.BLINK.a", "411 1 Serial.Put.c"},
                         {"420 4 Serial.Put.i", "421 2 Sensor.Read.j"}));
  LineReader map(text);
  EXPECT_EQ(readSizes(table, map), 10u);
  EXPECT_EQ(describe(table),
            "Main.Blink 2/0 flags 5, Serial.Put 1/4, Sensor.Read 0/2");
  for (const RoutineEntry* entry : table.entries) {
    EXPECT_EQ(entry->calls, nullptr);
    EXPECT_EQ(entry->callers, nullptr);
    EXPECT_EQ(entry->totalBytes, 0u);
  }
}

struct FatalCase {
  const char* name;
  std::vector<std::string> lines;
  const char* message;
};

TEST(MapReaderTest, NamesWithoutModuleOrRoutineAreFatalWhenStored) {
  const FatalCase cases[] = {
      {"one dot, stored by the end of the parameters",
       sections({"100 2 Main.Blink"}, {}),
       "Failed to create a symbol table entry for \"Main\".\n"},
      {"one dot, stored by the next name",
       {"RAM allocated: 1", "FORMAL PARAMETERS", "100 2 Main.Blink",
        "101 2 Main.Other.x"},
       "Failed to create a symbol table entry for \"Main\".\n"},
      {"one dot, stored by the end of the locals",
       sections({}, {"100 2 Main.Blink"}),
       "Failed to create a symbol table entry for \"Main\".\n"},
      {"no dot at all", sections({"100 2 Blink"}, {}),
       "Failed to create a symbol table entry for \"Blink\".\n"},
      {"empty module part", sections({"100 2 .Blink.x"}, {}),
       "Failed to create a symbol table entry for \"Blink\".\n"},
      {"empty routine part", sections({"100 2 Main..x"}, {}),
       "Failed to create a symbol table entry for \"\".\n"},
      {"one dot at the end of the file is never stored",
       {"RAM allocated: 1", "FORMAL PARAMETERS", "100 2 Main.Blink"},
       "(no error)"},
      {"one dot after CODE MEMORY is never read",
       {"RAM allocated: 1", "FORMAL PARAMETERS", "LOCAL VARIABLES",
        "CODE MEMORY", "100 2 Main.Blink", "CODE MEMORY"},
       "(no error)"},
  };
  for (const FatalCase& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(fatalMessage(joinLines(c.lines)), c.message);
  }
}

TEST(MapReaderTest, RecordMapSizeReplacesTheStoredValueOfItsKind) {
  RoutineTable table;
  recordMapSize(table, "", kMapParameters, 5);
  EXPECT_EQ(table.count(), 0);
  recordMapSize(table, "Main.Blink", kMapParameters, 5);
  recordMapSize(table, "main.BLINK", kMapParameters, 3);
  recordMapSize(table, "Main.Blink", kMapLocals, 7);
  recordMapSize(table, "Main.Blink", 2, 9);
  recordMapSize(table, "Main.Idle", -1, 9);
  recordMapSize(table, "A.B.C", kMapLocals, 1);
  EXPECT_EQ(describe(table), "A.B.C 0/1, Main.Blink 3/7, Main.Idle 0/0");
  RoutineEntry* dotted = lookupOrAddRoutine(table, "A", "B.C", false);
  ASSERT_NE(dotted, nullptr);
  EXPECT_EQ(dotted->localBytes, 1u);
}

using testing::fixedTime;

TEST(MapReaderTest, RunReadsTheProjectsMapFile) {
  MemoryFileSystem files;
  files.add("Blink.bxp", "");
  files.add("Blink.mpp", joinLines(workedExampleLines()));
  files.add("Blink.bxp.mpp", joinLines(sections({"1 1 Wrong.File.x"}, {})));
  QuietProgress progress;
  const std::optional<Analysis> analysis =
      analyzeProject(files, progress, fixedTime, {"Blink", std::nullopt, 0});
  ASSERT_TRUE(analysis.has_value());
  EXPECT_EQ(describe(*analysis->table), "Main.Blink 6/2, Serial.Put 1/0");
}

TEST(MapReaderTest, MalformedMapEntryEndsTheRunWithStatus1) {
  MemoryFileSystem files;
  files.add("Blink.bxp", "");
  files.add("Blink.mpp", joinLines(sections({"100 2 Main.Blink"}, {})));
  StringConsole console;
  EXPECT_EQ(runMemtally({"Blink", "-d"}, files, console, fixedTime), 1);
  EXPECT_EQ(console.stdoutText(),
            "Memtally v0.7\n\n"
            "Analyzing project \"Blink.bxp\", Wed Dec 09 07:05:03 2026\n");
  EXPECT_EQ(console.stderrText(),
            "Failed to create a symbol table entry for \"Main\".\n");
}

}  // namespace
}  // namespace memtally
