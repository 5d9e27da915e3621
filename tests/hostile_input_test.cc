// Hostile input for the whole tool: binary garbage, huge lines, huge
// projects, deep call chains and cycles, overlong names, unreadable files,
// paths that name no regular file, byte-order marks, a project file that
// cannot be rewound and a standard output that cannot be written. Whatever the
// input, a run ends with its report or one clear message and status 0 or 1,
// within a few seconds.
//
// Under MEMTALLY_SANITIZE_BUILD (set by CI for the sanitizer build) the
// largest inputs are scaled down, since the sanitizers make them take
// minutes; their shape stays the same.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "base/console.h"
#include "base/file_system.h"
#include "driver/driver.h"
#include "support/colliding_names.h"
#include "support/memory_run.h"
#include "support/pipe_file.h"
#include "support/run_tool.h"

namespace memtally {
namespace {

using testing::kFixedStamp;
using testing::maskTimeStamp;
using testing::MemoryRun;
using testing::runInMemory;
using testing::runTool;
using testing::runToolWithin;
using testing::TempDir;

const char kBannerText[] = "Memtally v0.7\n\n";

bool sanitizeBuild() {
  const char* flag = std::getenv("MEMTALLY_SANITIZE_BUILD");
  return flag != nullptr && *flag != '\0';
}

// `full` in the normal build, `scaled` in the sanitizer build.
size_t scaled(size_t full, size_t scaledDown) {
  return sanitizeBuild() ? scaledDown : full;
}

std::string projectLine(const std::string& project) {
  return "Analyzing project \"" + project +
         ".bxp\", Www Mmm dd hh:mm:ss yyyy\n";
}

// The estimate block of an application whose main needs `callees` bytes
// for the routines it calls, with no parameters, locals or static RAM.
std::string applicationEstimate(uint32_t callees) {
  char block[400];
  std::snprintf(block, sizeof block,
                "\nEstimate of application RAM use:\n"
                "     Invocation overhead:   15\n"
                "       Passed parameters:    0\n"
                "         Local variables:    0\n"
                "  Invoked functions/subs: %4u\n"
                "        Static variables:    0\n"
                "                          ----\n"
                "                   Total: %4u\n",
                callees, 15 + callees);
  return block;
}

// Deterministic bytes of every value except those in `excluded`.
std::string garbage(size_t size, const std::string& excluded) {
  std::string bytes;
  bytes.reserve(size);
  uint64_t state = 0x2545F4914F6CDD1DULL;
  while (bytes.size() < size) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    const char c = static_cast<char>(state >> 56);
    if (excluded.find(c) == std::string::npos) bytes.push_back(c);
  }
  return bytes;
}

// Splits text into its lines, without their newlines.
std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return lines;
}

bool startsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

// A module whose Main calls one Sub and nothing else.
const char kMainModule[] =
    "Sub Main()\n  Helper\nEnd Sub\nSub Helper()\nEnd Sub\n";

TEST(HostileInputTest, GarbageProjectFileOnlyNamesModulesThatCannotOpen) {
  TempDir dir;
  // Without 0x1A, which would end the text early, every byte is read.
  dir.write("Junk.bxp", garbage(64 * 1024, std::string(1, '\x1a')));
  dir.write("Junk.mpp", "");
  const auto run = runTool({"Junk"}, dir.path());
  EXPECT_EQ(run.status, 0);
  ASSERT_TRUE(
      startsWith(maskTimeStamp(run.out), kBannerText + projectLine("Junk")));
  size_t modules = 0;
  for (const std::string& line : linesOf(run.out)) {
    if (startsWith(line, "  Module: \"")) ++modules;
  }
  const std::vector<std::string> errors = linesOf(run.err);
  ASSERT_FALSE(errors.empty());
  EXPECT_EQ(errors.back(), "No public main() sub found.");
  // Each listed name fails to open once in each pass.
  EXPECT_GT(modules, 100u);
  EXPECT_EQ(errors.size(), 2 * modules + 1);
  for (size_t i = 0; i + 1 < errors.size(); ++i) {
    ASSERT_TRUE(startsWith(errors[i], "Can't open the BasicX module \""))
        << errors[i];
  }
}

TEST(HostileInputTest, GarbageModuleDefinesNothing) {
  TempDir dir;
  dir.write("Junk.bxp", "Junk.bas\n");
  // Without '_' no line continues, so no logical line can grow too long;
  // without 0x1A and NUL (a line that begins with it ends the module) all
  // of it is scanned.
  dir.write("Junk.bas", garbage(256 * 1024, std::string("_\x1a\0", 3)));
  dir.write("Junk.mpp", "");
  const auto run = runTool({"-d", "-u", "-c", "Junk"}, dir.path());
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(maskTimeStamp(run.out),
            kBannerText + projectLine("Junk") + "  Module: \"Junk.bas\"\n");
  EXPECT_EQ(run.err, "No public main() sub found.\n");
}

TEST(HostileInputTest, GarbageMapFileGivesNoSizes) {
  TempDir dir;
  dir.write("Junk.bxp", "Main.bas\n");
  dir.write("Main.bas", kMainModule);
  dir.write("Junk.mpp", garbage(256 * 1024, std::string(1, '\x1a')));
  const auto run = runTool({"Junk"}, dir.path());
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(maskTimeStamp(run.out), kBannerText + projectLine("Junk") +
                                        "  Module: \"Main.bas\"\n" +
                                        applicationEstimate(9));
  EXPECT_EQ(run.err, "");
}

TEST(HostileInputTest, GarbageDataLinesInTheMapSectionsAreSummedOrRefused) {
  // Garbage lines that begin with a digit are data lines; their names are
  // whatever follows. A stretch whose name lacks a module or routine part
  // is refused with the map's one fatal message.
  TempDir dir;
  dir.write("Junk.bxp", "Main.bas\n");
  dir.write("Main.bas", kMainModule);
  std::string map = "RAM allocated: 7\nFORMAL PARAMETERS\n";
  const std::string noise = garbage(64 * 1024, "\n\x1a");
  for (size_t i = 0; i + 40 <= noise.size(); i += 40) {
    map += "1 2 " + noise.substr(i, 40) + "\n";
  }
  map += "LOCAL VARIABLES\nCODE MEMORY\n";
  dir.write("Junk.mpp", map);
  const auto run = runTool({"Junk"}, dir.path());
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(maskTimeStamp(run.out),
            kBannerText + projectLine("Junk") + "  Module: \"Main.bas\"\n");
  const std::vector<std::string> errors = linesOf(run.err);
  ASSERT_EQ(errors.size(), 1u) << run.err;
  EXPECT_TRUE(
      startsWith(errors[0], "Failed to create a symbol table entry for \""))
      << errors[0];
}

TEST(HostileInputTest, TenMegabyteLineInTheProjectFileIsCutIntoNames) {
  const size_t size = scaled(10 * 1024 * 1024, 1024 * 1024);
  MemoryFileSystem files;
  files.add("Big.bxp", std::string(size, 'x'));
  files.add("Big.mpp", "");
  const MemoryRun run = runInMemory({"Big"}, files);
  EXPECT_EQ(run.status, 0);
  // The line is read 79 characters at a time, each piece a name of its own.
  std::string out = kBannerText +
                    std::string("Analyzing project \"Big.bxp\", ") +
                    kFixedStamp;
  std::string err;
  for (size_t at = 0; at < size; at += 79) {
    const std::string piece(std::min<size_t>(79, size - at), 'x');
    out += "  Module: \"" + piece + "\"\n";
    err += "Can't open the BasicX module \"" + piece + "\".\n";
  }
  // Compared whole, without printing megabytes on a mismatch.
  EXPECT_EQ(run.out.size(), out.size());
  EXPECT_TRUE(run.out == out);
  err = err + err + "No public main() sub found.\n";
  EXPECT_EQ(run.err.size(), err.size());
  EXPECT_TRUE(run.err == err);
}

TEST(HostileInputTest, TenMegabyteLineInAModuleIsReadInPieces) {
  const size_t size = scaled(10 * 1024 * 1024, 1024 * 1024);
  std::string body;
  body.reserve(size + 100);
  while (body.size() < size) body += "x = Helper(1) + 2 ";
  TempDir dir;
  dir.write("Big.bxp", "Main.bas\n");
  dir.write("Main.bas", "Sub Main()\n" + body +
                            "\nEnd Sub\nFunction Helper(a)\nEnd Function\n");
  dir.write("Big.mpp", "");
  const auto run = runTool({"Big"}, dir.path());
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(maskTimeStamp(run.out), kBannerText + projectLine("Big") +
                                        "  Module: \"Main.bas\"\n" +
                                        applicationEstimate(9));
  EXPECT_EQ(run.err, "");
}

TEST(HostileInputTest, TenMegabyteLineInTheMapIsReadInPieces) {
  const size_t size = scaled(10 * 1024 * 1024, 1024 * 1024);
  TempDir dir;
  dir.write("Big.bxp", "Main.bas\n");
  dir.write("Main.bas", "Sub Main()\nEnd Sub\n");
  // Only the first 511 characters form the data line; the rest of the line
  // comes as pieces that begin with a letter and are skipped.
  dir.write("Big.mpp", "RAM allocated: 0\nFORMAL PARAMETERS\n1 4 Main.Main." +
                           std::string(size, 'p') +
                           "\nLOCAL VARIABLES\nCODE MEMORY\n");
  const auto run = runTool({"Big"}, dir.path());
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(maskTimeStamp(run.out), kBannerText + projectLine("Big") +
                                        "  Module: \"Main.bas\"\n"
                                        "\nEstimate of application RAM use:\n"
                                        "     Invocation overhead:   15\n"
                                        "       Passed parameters:    4\n"
                                        "         Local variables:    0\n"
                                        "  Invoked functions/subs:    0\n"
                                        "        Static variables:    0\n"
                                        "                          ----\n"
                                        "                   Total:   19\n");
  EXPECT_EQ(run.err, "");
}

TEST(HostileInputTest, DirectoryUnreadableAndEmptyModulesAreSkipped) {
  TempDir dir;
  dir.write("Odd.bxp", "Dir.bas\nLocked.bas\nEmpty.bas\nMain.bas\n");
  std::filesystem::create_directory(dir.path() / "Dir.bas");
  const auto locked = dir.write("Locked.bas", "Sub Main()\nEnd Sub\n");
  ASSERT_EQ(::chmod(locked.c_str(), 0), 0);
  dir.write("Empty.bas", "");
  dir.write("Main.bas", kMainModule);
  dir.write("Odd.mpp", "");
  const auto run = runTool({"Odd"}, dir.path());
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(maskTimeStamp(run.out), kBannerText + projectLine("Odd") +
                                        "  Module: \"Dir.bas\"\n"
                                        "  Module: \"Locked.bas\"\n"
                                        "  Module: \"Empty.bas\"\n"
                                        "  Module: \"Main.bas\"\n" +
                                        applicationEstimate(9));
  if (::geteuid() == 0) {
    // Root reads the file whatever its permissions. Its Main stands after
    // Main.Main in the table (longer module name), so the estimate is the
    // same and only the directory is reported.
    EXPECT_EQ(run.err,
              "Can't open the BasicX module \"Dir.bas\".\n"
              "Can't open the BasicX module \"Dir.bas\".\n");
    GTEST_SKIP() << "running as root, which reads a file of mode 000 anyway, "
                    "so the unreadable module was read";
  }
  EXPECT_EQ(run.err,
            "Can't open the BasicX module \"Dir.bas\".\n"
            "Can't open the BasicX module \"Locked.bas\".\n"
            "Can't open the BasicX module \"Dir.bas\".\n"
            "Can't open the BasicX module \"Locked.bas\".\n");
}

// Something other than a regular file, put where a project, map or module
// file is expected: a FIFO that nothing writes to (`linkTo` null), or a
// symbolic link to `linkTo` ("fifo" being such a FIFO beside it).
struct NotARegularFile {
  const char* what;
  const char* linkTo;
};

const NotARegularFile kNotRegularFiles[] = {
    {"a FIFO with no writer", nullptr},
    {"a link to a FIFO with no writer", "fifo"},
    {"a link to /dev/zero", "/dev/zero"},
    {"a link to /dev/null", "/dev/null"},
};

void placeNotARegularFile(const TempDir& dir, const std::string& name,
                          const NotARegularFile& file) {
  if (file.linkTo == nullptr) {
    ASSERT_EQ(::mkfifo((dir.path() / name).c_str(), 0600), 0);
    return;
  }
  if (std::string(file.linkTo) == "fifo") {
    ASSERT_EQ(::mkfifo((dir.path() / "fifo").c_str(), 0600), 0);
  }
  std::filesystem::create_symlink(file.linkTo, dir.path() / name);
}

// Each run ends within seconds: a FIFO or /dev/zero read as a file would
// make it wait or spin for ever, and timeout then stops it (status 124).
constexpr unsigned kHangLimit = 10;

TEST(HostileInputTest, ProjectFileThatIsNoRegularFileCannotBeOpened) {
  if (testing::runsUnderRunner()) GTEST_SKIP() << "FIFOs and /dev are Linux's";
  for (const NotARegularFile& file : kNotRegularFiles) {
    SCOPED_TRACE(file.what);
    TempDir dir;
    placeNotARegularFile(dir, "P.bxp", file);
    dir.write("P.mpp", "");
    const auto run = runToolWithin(kHangLimit, {"P"}, dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, kBannerText);
    EXPECT_EQ(run.err, "Can't open the BasicX project file \"P.bxp\".\n");
  }
}

TEST(HostileInputTest, MapFileThatIsNoRegularFileCannotBeOpened) {
  if (testing::runsUnderRunner()) GTEST_SKIP() << "FIFOs and /dev are Linux's";
  for (const NotARegularFile& file : kNotRegularFiles) {
    SCOPED_TRACE(file.what);
    TempDir dir;
    dir.write("P.bxp", "Main.bas\n");
    dir.write("Main.bas", kMainModule);
    placeNotARegularFile(dir, "P.mpp", file);
    const auto run = runToolWithin(kHangLimit, {"P"}, dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(maskTimeStamp(run.out),
              kBannerText + projectLine("P") + "  Module: \"Main.bas\"\n");
    EXPECT_EQ(run.err, "Can't open the BasicX map file \"P.mpp\".\n");
  }
}

TEST(HostileInputTest, ModuleThatIsNoRegularFileIsSkipped) {
  if (testing::runsUnderRunner()) GTEST_SKIP() << "FIFOs and /dev are Linux's";
  TempDir dir;
  // The devices named directly, and each kind of odd file under a name.
  std::vector<std::string> names = {"/dev/zero", "/dev/null"};
  for (const NotARegularFile& file : kNotRegularFiles) {
    names.push_back("Odd" + std::to_string(names.size()) + ".bas");
    placeNotARegularFile(dir, names.back(), file);
  }
  std::string project;
  std::string modules;
  std::string cannotOpen;
  for (const std::string& name : names) {
    project += name + "\n";
    modules += "  Module: \"" + name + "\"\n";
    cannotOpen += "Can't open the BasicX module \"" + name + "\".\n";
  }
  dir.write("P.bxp", project + "Main.bas\n");
  dir.write("Main.bas", kMainModule);
  dir.write("P.mpp", "");
  const auto run = runToolWithin(kHangLimit, {"P"}, dir.path());
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(maskTimeStamp(run.out), kBannerText + projectLine("P") + modules +
                                        "  Module: \"Main.bas\"\n" +
                                        applicationEstimate(9));
  EXPECT_EQ(run.err, cannotOpen + cannotOpen);
}

TEST(HostileInputTest, LinksToRegularFilesAreReadAsTheFiles) {
  if (testing::runsUnderRunner()) GTEST_SKIP() << "links are Linux's";
  TempDir dir;
  dir.write("real/P.bxp", "Main.bas\n");
  dir.write("real/Main.bas", kMainModule);
  dir.write("real/P.mpp", "RAM allocated: 0\n");
  for (const char* name : {"P.bxp", "Main.bas", "P.mpp"}) {
    std::filesystem::create_symlink(std::filesystem::path("real") / name,
                                    dir.path() / name);
  }
  const auto run = runToolWithin(kHangLimit, {"P"}, dir.path());
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(maskTimeStamp(run.out), kBannerText + projectLine("P") +
                                        "  Module: \"Main.bas\"\n" +
                                        applicationEstimate(9));
  EXPECT_EQ(run.err, "");
}

TEST(HostileInputTest, ByteOrderMarksAtTheStartOfEveryFileAreSkipped) {
  // As a Windows editor saves UTF-8 files. Were a mark read as text, the
  // first module's name, the definition of Main and the static RAM (and
  // with it every size) would each be lost.
  const std::string bom = "\xEF\xBB\xBF";
  TempDir dir;
  dir.write("P.bxp", bom + "Main.bas\r\n");
  dir.write("Main.bas", bom +
                            "Public Sub Main()\r\n  Helper\r\nEnd Sub\r\n"
                            "Sub Helper()\r\nEnd Sub\r\n");
  dir.write("P.mpp", bom +
                         "RAM allocated: 120 bytes\r\n"
                         "FORMAL PARAMETERS\r\n"
                         "1 2 Main.Main.x\r\n"
                         "LOCAL VARIABLES\r\n"
                         "2 3 Main.Helper.y\r\n"
                         "CODE MEMORY\r\n");
  const auto run = runToolWithin(kHangLimit, {"P"}, dir.path());
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(maskTimeStamp(run.out), kBannerText + projectLine("P") +
                                        "  Module: \"Main.bas\"\n"
                                        "\nEstimate of application RAM use:\n"
                                        "     Invocation overhead:   15\n"
                                        "       Passed parameters:    2\n"
                                        "         Local variables:    0\n"
                                        "  Invoked functions/subs:   12\n"
                                        "        Static variables:  120\n"
                                        "                          ----\n"
                                        "                   Total:  149\n");
  EXPECT_EQ(run.err, "");
}

TEST(HostileInputTest, FilesWhoseLinesEndInCarriageReturnsAloneAreReadByLine) {
  // As some project generators write them. Were each file read as one
  // line, the second module, the definitions of Main and Put (each split
  // by a continuation) and the static RAM would all be lost.
  TempDir dir;
  dir.write("P.bxp", "Main.bas\rIo.bas\r");
  dir.write("Main.bas",
            "Option Explicit\r\rPublic Sub Main()\r  Call _\r    Put(1, 2)\r"
            "End Sub\r");
  dir.write("Io.bas",
            "Public Sub _\rPut(ByVal A As Byte, ByVal B As Byte)\r"
            "  Dim C As Byte\rEnd Sub");
  dir.write("P.mpp",
            "RAM allocated: 120 bytes\rFORMAL PARAMETERS\r1 1 Io.Put.A\r"
            "2 1 Io.Put.B\rLOCAL VARIABLES\r3 4 Io.Put.C\rCODE MEMORY\r");
  const auto run = runToolWithin(kHangLimit, {"P"}, dir.path());
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(maskTimeStamp(run.out), kBannerText + projectLine("P") +
                                        "  Module: \"Main.bas\"\n"
                                        "  Module: \"Io.bas\"\n"
                                        "\nEstimate of application RAM use:\n"
                                        "     Invocation overhead:   15\n"
                                        "       Passed parameters:    0\n"
                                        "         Local variables:    0\n"
                                        "  Invoked functions/subs:   15\n"
                                        "        Static variables:  120\n"
                                        "                          ----\n"
                                        "                   Total:  150\n");
  EXPECT_EQ(run.err, "");
}

// Files held in memory, except the project file P.bxp, which comes through
// a pipe and so can be read only once.
class PipedProjectFile : public MemoryFileSystem {
 public:
  explicit PipedProjectFile(std::string projectText)
      : projectText_(std::move(projectText)) {}

  std::unique_ptr<LineReader> open(const std::string& path) override {
    if (path != "P.bxp") return MemoryFileSystem::open(path);
    std::FILE* pipe = testing::pipeHolding(projectText_);
    if (pipe == nullptr) return nullptr;
    return std::make_unique<LineReader>(pipe);
  }

 private:
  std::string projectText_;
};

TEST(HostileInputTest, ProjectFileThatCannotBeRewoundEndsTheRunWithStatus1) {
  // Before, the calls pass silently read nothing: no call was recorded and
  // the estimate came out too small, with status 0.
  PipedProjectFile files("Main.bas\n");
  files.add("Main.bas", kMainModule);
  files.add("P.mpp", "");
  const MemoryRun run = runInMemory({"P"}, files);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(
      run.out,
      kBannerText + std::string("Analyzing project \"P.bxp\", ") + kFixedStamp);
  EXPECT_EQ(run.err, "Can't rewind the BasicX project file.\n");
}

// A project of `count` modules M0.bas, M1.bas, ...; M0 defines Main and
// every other module one Sub, each calling the next module's Sub, so that
// the call chain crosses every module. `perModule` routines more in each
// module form chains of their own that nothing calls.
void addManyModules(MemoryFileSystem& files, const std::string& project,
                    size_t count, size_t perModule) {
  std::string list;
  for (size_t i = 0; i < count; ++i) {
    const std::string name = "M" + std::to_string(i);
    list += name + ".bas\n";
    const std::string self = i == 0 ? "Main" : "Step" + std::to_string(i);
    std::string text = "Public Sub " + self + "()\n";
    if (i + 1 < count) text += "  Step" + std::to_string(i + 1) + "\n";
    text += "End Sub\n";
    for (size_t r = 1; r < perModule; ++r) {
      text += "Private Sub " + name + "R" + std::to_string(r) + "()\n";
      if (r + 1 < perModule) {
        text += "  " + name + "R" + std::to_string(r + 1) + "\n";
      }
      text += "End Sub\n";
    }
    files.add(name + ".bas", text);
  }
  files.add(project + ".bxp", list);
  files.add(project + ".mpp", "RAM allocated: 0\n");
}

TEST(HostileInputTest, TenThousandMissingModulesAreEachReportedTwice) {
  const size_t count = scaled(10000, 2000);
  TempDir dir;
  std::string project;
  std::string out = kBannerText + projectLine("Many");
  std::string err;
  for (size_t i = 0; i < count; ++i) {
    const std::string name = "M" + std::to_string(i) + ".bas";
    project += name + "\n";
    out += "  Module: \"" + name + "\"\n";
    err += "Can't open the BasicX module \"" + name + "\".\n";
  }
  dir.write("Many.bxp", project);
  dir.write("Many.mpp", "");
  const auto run = runTool({"Many"}, dir.path());
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(maskTimeStamp(run.out), out);
  EXPECT_EQ(run.err, err + err + "No public main() sub found.\n");
}

// The report of a project whose modules M0, M1, ... were each scanned and
// whose main needs `callees` bytes for its callees.
std::string manyModulesReport(size_t count, uint32_t callees) {
  std::string out = kBannerText +
                    std::string("Analyzing project \"Many.bxp\", ") +
                    kFixedStamp;
  for (size_t i = 0; i < count; ++i) {
    out += "  Module: \"M" + std::to_string(i) + ".bas\"\n";
  }
  return out + applicationEstimate(callees);
}

TEST(HostileInputTest, TenThousandPresentModulesFormOneCallChain) {
  const size_t count = scaled(10000, 2000);
  MemoryFileSystem files;
  addManyModules(files, "Many", count, 1);
  const MemoryRun run = runInMemory({"Many"}, files);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            manyModulesReport(count, static_cast<uint32_t>(9 * (count - 1))));
  EXPECT_EQ(run.err, "");
}

TEST(HostileInputTest, TwoHundredThousandRoutinesInTwoThousandModules) {
  const size_t count = scaled(2000, 200);
  MemoryFileSystem files;
  addManyModules(files, "Many", count, 100);
  const MemoryRun run = runInMemory({"-u", "Many"}, files);
  EXPECT_EQ(run.status, 0);
  // Every module's private chain is unused; the listing names them all,
  // sorted by full name.
  std::vector<std::string> unused;
  for (size_t i = 0; i < count; ++i) {
    for (size_t r = 1; r < 100; ++r) {
      const std::string name = "M" + std::to_string(i);
      unused.push_back(name + "." + name + "R" + std::to_string(r));
    }
  }
  std::sort(unused.begin(), unused.end());
  std::string out =
      manyModulesReport(count, static_cast<uint32_t>(9 * (count - 1))) +
      "\n\nUnused Routines:\n----------------------------------\n";
  for (const std::string& name : unused) out += name + "\n";
  EXPECT_EQ(run.out.size(), out.size());
  EXPECT_TRUE(run.out == out);
  EXPECT_EQ(run.err, "");
}

// The name of routine i of a chain: R0000001 and so on, so that the names
// come in routine order.
std::string chainName(size_t i) {
  char name[16];
  std::snprintf(name, sizeof name, "R%07zu", i);
  return name;
}

// One module whose Main calls R0000001, which calls R0000002, and so on up
// to routine `count` - 1, which calls routine `backTo` when it is not 0.
std::string chainModule(size_t count, size_t backTo) {
  std::string text;
  text.reserve(count * 30);
  for (size_t i = 0; i < count; ++i) {
    text += "Sub " + (i == 0 ? std::string("Main") : chainName(i)) + "()\n";
    if (i + 1 < count) {
      text += "  " + chainName(i + 1) + "\n";
    } else if (backTo != 0) {
      text += "  " + chainName(backTo) + "\n";
    }
    text += "End Sub\n";
  }
  return text;
}

TEST(HostileInputTest, CallChainOfAMillionRoutinesNeedsNoDeepRecursion) {
  const size_t count = scaled(1000000, 100000);
  MemoryFileSystem files;
  files.add("Chain.bxp", "C.bas\n");
  files.add("C.bas", chainModule(count, 0));
  files.add("Chain.mpp", "RAM allocated: 0\n");
  const MemoryRun run = runInMemory({"Chain"}, files);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            kBannerText + std::string("Analyzing project \"Chain.bxp\", ") +
                kFixedStamp + "  Module: \"C.bas\"\n" +
                applicationEstimate(static_cast<uint32_t>(9 * (count - 1))));
  EXPECT_EQ(run.err, "");
}

TEST(HostileInputTest, RecursionCycleOfAHundredThousandRoutinesIsCutOnce) {
  const size_t count = scaled(100000, 20000);
  MemoryFileSystem files;
  files.add("Cycle.bxp", "C.bas\n");
  // The last routine calls R0000001 again, which is on the path: that call
  // adds 0.
  files.add("C.bas", chainModule(count, 1));
  files.add("Cycle.mpp", "RAM allocated: 0\n");
  const MemoryRun run = runInMemory({"-u", "Cycle"}, files);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out,
            kBannerText + std::string("Analyzing project \"Cycle.bxp\", ") +
                kFixedStamp + "  Module: \"C.bas\"\n" +
                applicationEstimate(static_cast<uint32_t>(9 * (count - 1))));
  EXPECT_EQ(run.err, "");
}

const size_t kLongName = 100000;

TEST(HostileInputTest, HundredThousandCharacterNameInTheProjectFile) {
  MemoryFileSystem files;
  const std::string name(kLongName, 'n');
  files.add("Long.bxp", name + ".bas\n");
  files.add("Long.mpp", "");
  const MemoryRun run = runInMemory({"Long"}, files);
  EXPECT_EQ(run.status, 0);
  // The line is read 79 characters at a time, each piece a name of its own.
  const std::string line = name + ".bas";
  std::string out = kBannerText +
                    std::string("Analyzing project \"Long.bxp\", ") +
                    kFixedStamp;
  std::string err;
  for (size_t at = 0; at < line.size(); at += 79) {
    const std::string piece = line.substr(at, 79);
    out += "  Module: \"" + piece + "\"\n";
    err += "Can't open the BasicX module \"" + piece + "\".\n";
  }
  EXPECT_EQ(run.out, out);
  EXPECT_EQ(run.err, err + err + "No public main() sub found.\n");
}

TEST(HostileInputTest, HundredThousandCharacterNameInAModule) {
  MemoryFileSystem files;
  const std::string name(kLongName, 'n');
  files.add("Long.bxp", "Main.bas\n");
  // The definition line is cut at 511 characters: the routine is named by
  // the first 507 characters of the name, and the rest of the line is body.
  files.add("Main.bas", "Sub Main()\n  " + name + "\nEnd Sub\nSub " + name +
                            "()\nEnd Sub\n");
  files.add("Long.mpp", "");
  const MemoryRun run = runInMemory({"-u", "Long"}, files);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, kBannerText +
                         std::string("Analyzing project \"Long.bxp\", ") +
                         kFixedStamp + "  Module: \"Main.bas\"\n" +
                         applicationEstimate(0) +
                         "\n\nUnused Routines:\n"
                         "----------------------------------\n"
                         "Main." +
                         std::string(507, 'n') + "\n");
  EXPECT_EQ(run.err, "");
}

TEST(HostileInputTest, HundredThousandCharacterNameInTheMapFile) {
  MemoryFileSystem files;
  files.add("Long.bxp", "");
  // The data line is cut at 511 characters, before the name's last dot, so
  // its name is the module alone: refused.
  files.add("Long.mpp", "RAM allocated: 1\nFORMAL PARAMETERS\n1 2 Main." +
                            std::string(kLongName, 'n') +
                            ".x\nLOCAL VARIABLES\n");
  const MemoryRun run = runInMemory({"Long"}, files);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, kBannerText +
                         std::string("Analyzing project \"Long.bxp\", ") +
                         kFixedStamp);
  EXPECT_EQ(run.err, "Failed to create a symbol table entry for \"Main\".\n");
}

TEST(HostileInputTest, HundredThousandCharacterTargetIsNotFound) {
  TempDir dir;
  dir.write("Long.bxp", "Main.bas\n");
  dir.write("Main.bas", kMainModule);
  dir.write("Long.mpp", "");
  const std::string name(kLongName, 't');
  const auto run = runTool({"-t", name, "Long"}, dir.path());
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(maskTimeStamp(run.out),
            kBannerText + projectLine("Long") + "  Module: \"Main.bas\"\n");
  EXPECT_EQ(run.err, "No public " + name + "() sub found.\n");
}

TEST(HostileInputTest, FiveThousandCharacterProjectName) {
  const std::string name(5000, 'p');
  // On disk no file can have such a name.
  TempDir dir;
  const auto disk = runTool({name}, dir.path());
  EXPECT_EQ(disk.status, 1);
  EXPECT_EQ(disk.out, kBannerText);
  EXPECT_EQ(disk.err,
            "Can't open the BasicX project file \"" + name + ".bxp\".\n");
  // Held in memory, it is analysed like any other.
  MemoryFileSystem files;
  files.add(name + ".bxp", "Main.bas\n");
  files.add("Main.bas", kMainModule);
  files.add(name + ".mpp", "");
  const MemoryRun run = runInMemory({name}, files);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.out, kBannerText + std::string("Analyzing project \"") + name +
                         ".bxp\", " + kFixedStamp + "  Module: \"Main.bas\"\n" +
                         applicationEstimate(9));
  EXPECT_EQ(run.err, "");
}

// Main calls `count` routines whose names a table hashing under a known key
// would keep in one bucket, and the map gives each a byte of parameters:
// definitions, calls and map records all go through the routine table's
// maps, which draw keys of their own.
MemoryFileSystem floodProject(size_t count) {
  // The module's map holds Main and the named routines.
  const std::vector<std::string> names =
      testing::sipCollidingNames(count, count + 1);
  std::string calls;
  std::string definitions;
  std::string map = "RAM allocated: 0\nFORMAL PARAMETERS\n";
  for (const std::string& name : names) {
    calls += "  " + name + "\n";
    definitions += "Sub " + name + "()\nEnd Sub\n";
    map += "  400  1  Flood." + name + ".Arg1\n";
  }
  MemoryFileSystem files;
  files.add("Flood.bxp", "Flood.bas\n");
  files.add("Flood.bas", "Sub Main()\n" + calls + "End Sub\n" + definitions);
  files.add("Flood.mpp", map + "LOCAL VARIABLES\nCODE MEMORY\n");
  return files;
}

// Runs the flood project and returns the processor time it took, the least
// of three runs, each checked. Processor time, unlike the clock on the wall,
// does not count what other programs of a busy machine take.
double floodSeconds(MemoryFileSystem& files) {
  std::clock_t best = 0;
  for (int round = 0; round < 3; ++round) {
    const std::clock_t start = std::clock();
    const MemoryRun run = runInMemory({"Flood"}, files);
    const std::clock_t took = std::clock() - start;
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, kBannerText +
                           std::string("Analyzing project \"Flood.bxp\", ") +
                           kFixedStamp + "  Module: \"Flood.bas\"\n" +
                           applicationEstimate(10));
    EXPECT_EQ(run.err, "");
    best = round == 0 ? took : std::min(best, took);
  }
  return static_cast<double>(best) / CLOCKS_PER_SEC;
}

TEST(CollidingNamesTest, WholeRunTakesThemInLinearTime) {
  // Each size doubles the last; a table whose buckets the names could fill
  // would take four times as long for each.
  const size_t smallest = scaled(1000, 250);
  MemoryFileSystem sizes[] = {floodProject(smallest),
                              floodProject(2 * smallest),
                              floodProject(4 * smallest)};
  // Three times as long per doubling leaves room for noise; a slow spell
  // would have to spoil three measurements in a row.
  double times[3] = {};
  for (int attempt = 0; attempt < 3; ++attempt) {
    for (int i = 0; i < 3; ++i) times[i] = floodSeconds(sizes[i]);
    if (times[2] < 9 * times[0]) break;
  }
  EXPECT_LT(times[2], 9 * times[0])
      << times[0] << " s, " << times[1] << " s, then " << times[2] << " s";
}

// `count` modules each hold a Private Sub X, `count` routines in modules of
// a hundred each call X without having one of their own, and one more
// module holds the public X that all those calls mean: each call must find
// it directly, not by passing the private ones.
class ShadowedRoutineTest : public ::testing::TestWithParam<size_t> {};

TEST_P(ShadowedRoutineTest, EveryCallFindsThePublicRoutineDirectly) {
  const size_t count = scaled(GetParam(), GetParam() / 16);
  constexpr size_t kPerUserModule = 100;
  MemoryFileSystem files;
  std::string list = "Main.bas\nPub.bas\n";
  std::string modules = "  Module: \"Main.bas\"\n  Module: \"Pub.bas\"\n";
  for (size_t i = 0; i < count; ++i) {
    const std::string name = "P" + std::to_string(i) + ".bas";
    files.add(name, "Private Sub X()\nEnd Sub\n");
    list += name + "\n";
    modules += "  Module: \"" + name + "\"\n";
  }
  std::string main = "Sub Main()\n";
  std::vector<std::string> users;
  for (size_t m = 0; m * kPerUserModule < count; ++m) {
    const std::string module = "U" + std::to_string(m);
    std::string text;
    for (size_t i = m * kPerUserModule; i < (m + 1) * kPerUserModule; ++i) {
      const std::string user = "U" + std::to_string(i);
      text += "Sub " + user + "()\n  X\nEnd Sub\n";
      main += "  " + user + "\n";
      users.push_back(module + "." + user);
    }
    files.add(module + ".bas", text);
    list += module + ".bas\n";
    modules += "  Module: \"" + module + ".bas\"\n";
  }
  files.add("Main.bas", main + "End Sub\n");
  files.add("Pub.bas", "Public Sub X()\nEnd Sub\n");
  files.add("Shadow.bxp", list);
  files.add("Shadow.mpp", "RAM allocated: 0\n");
  const MemoryRun run = runInMemory({"-c", "Shadow"}, files);
  EXPECT_EQ(run.status, 0);
  // Every U calls Pub.X and is called by Main, in the order of the routine
  // names, which here is the order of their bytes.
  const auto byRoutine = [](const std::string& a, const std::string& b) {
    return a.substr(a.find('.')) < b.substr(b.find('.'));
  };
  std::sort(users.begin(), users.end(), byRoutine);
  std::string callers = "\n\nRoutines and their callers:\n" +
                        std::string("----------------------------------\n");
  std::string ofX = "Pub.X\n";
  for (const std::string& user : users) {
    callers += user + "\n  Main.Main\n\n";
    ofX += "  " + user + "\n";
  }
  const std::string out =
      kBannerText + std::string("Analyzing project \"Shadow.bxp\", ") +
      kFixedStamp + modules + applicationEstimate(18) + callers + ofX;
  EXPECT_EQ(run.out.size(), out.size());
  EXPECT_TRUE(run.out == out);
  EXPECT_EQ(run.err, "");
}

INSTANTIATE_TEST_SUITE_P(Sizes, ShadowedRoutineTest,
                         ::testing::Values(16000, 32000, 64000));

// A project whose detailed listing runs to megabytes, far more than the
// output buffer holds.
void writeLargeReportProject(const TempDir& dir) {
  dir.write("Big.bxp", "C.bas\n");
  dir.write("C.bas", chainModule(scaled(20000, 5000), 0));
  dir.write("Big.mpp", "");
}

TEST(HostileInputTest, FullStandardOutputDuringALargeReportFailsOnce) {
  TempDir dir;
  writeLargeReportProject(dir);
  const auto run = runTool({"-d", "Big"}, dir.path(), "/dev/full");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err,
            "memtally: error writing standard output: No space left on "
            "device\n");
}

TEST(HostileInputTest, ClosedStandardOutputDuringALargeReportFailsOnce) {
  TempDir dir;
  writeLargeReportProject(dir);
  const auto run = runTool({"-d", "Big"}, dir.path(), "&-");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err,
            "memtally: error writing standard output: Bad file descriptor\n");
}

}  // namespace
}  // namespace memtally
