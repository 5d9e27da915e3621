#include "base/line_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "support/pipe_file.h"

namespace memtally {
namespace {

std::vector<std::string> readAll(LineReader& reader, size_t capacity) {
  std::vector<std::string> lines;
  std::string line;
  while (reader.readLine(line, capacity)) lines.push_back(line);
  EXPECT_TRUE(line.empty());
  return lines;
}

std::vector<std::string> readAll(const std::string& text, size_t capacity) {
  LineReader reader(text);
  return readAll(reader, capacity);
}

using Lines = std::vector<std::string>;

// Every line with what the reader noted about it: "text|line" and "|cut"
// when it was cut at the capacity.
Lines readNoted(LineReader& reader, size_t capacity) {
  Lines lines;
  std::string line;
  while (reader.readLine(line, capacity)) {
    lines.push_back(line + "|" + std::to_string(reader.lineNumber()) +
                    (reader.lineWasCut() ? "|cut" : ""));
  }
  return lines;
}

TEST(LineReaderTest, LineEndsAndSpecialBytes) {
  struct Case {
    const char* name;
    std::string text;
    size_t capacity;
    Lines expected;
  };
  const Case cases[] = {
      {"empty text", "", 79, {}},
      {"lf", "a\nb\n", 79, {"a\n", "b\n"}},
      {"last line without lf", "a\nb", 79, {"a\n", "b"}},
      {"cr lf is one line end", "a\r\nb\r\n", 79, {"a\n", "b\n"}},
      {"lone cr stays", "a\rb\n", 79, {"a\rb\n"}},
      {"cr at the end stays", "a\r", 79, {"a\r"}},
      {"cr cr lf keeps the first", "a\r\r\n", 79, {"a\r\n"}},
      {"0x1a ends the text", "a\nb\x1a\nc\n", 79, {"a\n", "b"}},
      {"0x1a at a line start",
       "a\n\x1a"
       "b\n",
       79,
       {"a\n"}},
      {"nul ends the line's text",
       std::string("ab\0cd\nef\n", 9),
       79,
       {"ab", "ef\n"}},
      {"nul first gives an empty line",
       std::string("\0x\ny\n", 5),
       79,
       {"", "y\n"}},
      {"blank line", "\n\n", 79, {"\n", "\n"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(readAll(c.text, c.capacity), c.expected) << c.name;
  }
}

TEST(LineReaderTest, LongLinesAreCutAtTheCapacity) {
  // A line of exactly the capacity leaves its line end to the next read.
  EXPECT_EQ(readAll("abcd\n", 4), (Lines{"abcd", "\n"}));
  // A line end counts as one character, also when written as CR LF.
  EXPECT_EQ(readAll("abc\r\nd", 4), (Lines{"abc\n", "d"}));
  EXPECT_EQ(readAll("abcdefghij\n", 4), (Lines{"abcd", "efgh", "ij\n"}));
  const std::string longLine(600, 'x');
  EXPECT_EQ(readAll(longLine + "\n", 511),
            (Lines{std::string(511, 'x'), std::string(89, 'x') + "\n"}));
}

TEST(LineReaderTest, RewindReadsTheTextAgainAfterEndOfText) {
  LineReader reader("one\r\ntwo\x1aignored");
  EXPECT_EQ(readAll(reader, 79), (Lines{"one\n", "two"}));
  reader.rewind();
  EXPECT_EQ(readAll(reader, 79), (Lines{"one\n", "two"}));
}

const char kBom[] = "\xEF\xBB\xBF";

// Texts that begin with a byte-order mark, or with something like one, and
// their lines.
struct BomCase {
  const char* name;
  std::string text;
  size_t capacity;
  Lines expected;
};

const BomCase kBomCases[] = {
    {"mark before a definition",
     kBom + std::string("Public Sub Main()\n"),
     511,
     {"Public Sub Main()\n"}},
    {"mark alone", kBom, 79, {}},
    {"mark before a line end", kBom + std::string("\r\nx"), 79, {"\n", "x"}},
    {"mark before 0x1a", kBom + std::string("\x1a"), 79, {}},
    {"mark takes no room in the line",
     kBom + std::string("abcde"),
     4,
     {"abcd", "e"}},
    {"only the first mark goes",
     kBom + std::string(kBom) + "x",
     79,
     {kBom + std::string("x")}},
    {"mark after the start stays",
     "a\n" + std::string(kBom) + "b",
     79,
     {"a\n", kBom + std::string("b")}},
    {"blank before the mark",
     " " + std::string(kBom),
     79,
     {" " + std::string(kBom)}},
    {"two bytes of a mark stay", "\xEF\xBBx\n", 79, {"\xEF\xBBx\n"}},
};

TEST(LineReaderTest, ByteOrderMarkAtTheVeryStartIsSkippedAfterEachRewind) {
  for (const BomCase& c : kBomCases) {
    LineReader reader(c.text);
    EXPECT_EQ(readAll(reader, c.capacity), c.expected) << c.name;
    EXPECT_TRUE(reader.rewind());
    EXPECT_EQ(readAll(reader, c.capacity), c.expected) << c.name << ", again";
  }
}

TEST(LineReaderTest, RewindOfAPipeFailsAndLeavesTheReaderAtItsEnd) {
  std::FILE* pipe = testing::pipeHolding("A.bas\nB.bas\n");
  ASSERT_NE(pipe, nullptr);
  LineReader reader(pipe);
  EXPECT_EQ(readAll(reader, 79), (Lines{"A.bas\n", "B.bas\n"}));
  EXPECT_FALSE(reader.rewind());
  EXPECT_EQ(readAll(reader, 79), Lines{});
}

TEST(LineReaderTest, NotesLinesCutsEarlyEndsAndUtf16WithoutChangingTheText) {
  struct Case {
    const char* name;
    std::string text;
    size_t capacity;
    Lines expected;
    uint32_t earlyEnd;
    bool utf16;
  };
  const Case cases[] = {
      {"plain lines", "ab\ncd\n", 79, {"ab\n|1", "cd\n|2"}, 0, false},
      {"long line", "abcdef\nx", 4, {"abcd|1|cut", "ef\n|1", "x|2"}, 0, false},
      {"twice too long",
       "abcdefghij\n",
       4,
       {"abcd|1|cut", "efgh|1|cut", "ij\n|1"},
       0,
       false},
      {"full line then lf", "abcd\nx", 4, {"abcd|1", "\n|1", "x|2"}, 0, false},
      {"full line then cr lf",
       "abcd\r\nx",
       4,
       {"abcd|1", "\n|1", "x|2"},
       0,
       false},
      {"full line then a lone cr",
       "abcd\rx\n",
       4,
       {"abcd|1|cut", "\rx\n|1"},
       0,
       false},
      {"full line at the end", "abcd", 4, {"abcd|1"}, 0, false},
      {"full line then 0x1a", "abcd\x1a", 4, {"abcd|1"}, 0, false},
      {"0x1a before more text", "a\nb\x1azz\n", 79, {"a\n|1", "b|2"}, 2, false},
      {"0x1a padding at the end",
       "a\n\x1a\r\n\x1a\x1a \t",
       79,
       {"a\n|1"},
       0,
       false},
      {"nul first", std::string("\0x\ny\n", 5), 79, {"|1", "y\n|2"}, 0, false},
      {"utf-16 without a mark",
       std::string("a\0\n\0b\0", 6),
       79,
       {"a|1", "|2"},
       0,
       true},
      {"utf-16 little-endian mark",
       "\xFF\xFE"
       "a",
       79,
       {"\xFF\xFE"
        "a|1"},
       0,
       true},
      {"utf-16 big-endian mark", "\xFE\xFF", 79, {"\xFE\xFF|1"}, 0, true},
      {"utf-8 mark",
       "\xEF\xBB\xBF"
       "ab",
       79,
       {"ab|1"},
       0,
       false},
      {"one byte", "a", 79, {"a|1"}, 0, false},
  };
  for (const Case& c : cases) {
    LineReader reader(c.text);
    EXPECT_EQ(readNoted(reader, c.capacity), c.expected) << c.name;
    EXPECT_EQ(reader.earlyEndLine(), c.earlyEnd) << c.name;
    EXPECT_EQ(reader.looksLikeUtf16(), c.utf16) << c.name;
    // The same again after a rewind.
    ASSERT_TRUE(reader.rewind());
    EXPECT_EQ(readNoted(reader, c.capacity), c.expected) << c.name;
    EXPECT_EQ(reader.earlyEndLine(), c.earlyEnd) << c.name;
  }
}

TEST(LineReaderTest, LinesEndingInCarriageReturnsAloneMakeEveryCrALineEnd) {
  struct Case {
    const char* name;
    std::string text;
    size_t capacity;
    Lines expected;
    uint32_t earlyEnd;
  };
  const Case cases[] = {
      {"cr ends lines", "a\rb\r", 79, {"a\n|1", "b\n|2"}, 0},
      {"then cr lf and lf too",
       "a\rb\rc\r\nd\ne",
       79,
       {"a\n|1", "b\n|2", "c\n|3", "d\n|4", "e|5"},
       0},
      {"blank lines", "a\r\r\rb", 79, {"a\n|1", "\n|2", "\n|3", "b|4"}, 0},
      {"cr then text to the end", "a\rb", 79, {"a\n|1", "b|2"}, 0},
      {"cr first", "\rx", 79, {"\n|1", "x|2"}, 0},
      {"cr with nothing after stays", "a\r", 79, {"a\r|1"}, 0},
      {"cr then 0x1a stays", "a\r\x1a", 79, {"a\r|1"}, 0},
      {"lf first keeps later crs", "a\nb\rc\r", 79, {"a\n|1", "b\rc\r|2"}, 0},
      {"cr lf first keeps later crs", "a\r\nb\rc", 79, {"a\n|1", "b\rc|2"}, 0},
      {"cr then lf keeps the crs",
       "a\rb\nc\rd\r",
       79,
       {"a\rb\n|1", "c\rd\r|2"},
       0},
      {"cr then cr lf keeps the crs",
       "a\r\r\nb\rc",
       79,
       {"a\r\n|1", "b\rc|2"},
       0},
      {"full line then cr", "abcd\rx", 4, {"abcd|1", "\n|1", "x|2"}, 0},
      {"long line", "abcdef\rx", 4, {"abcd|1|cut", "ef\n|1", "x|2"}, 0},
      {"0x1a before more text", "a\rb\x1azz\r", 79, {"a\n|1", "b|2"}, 2},
      {"0x1a padding", "a\rb\r\x1a\r\r \x1a", 79, {"a\n|1", "b\n|2"}, 0},
      {"mark skipped", kBom + std::string("a\rb"), 79, {"a\n|1", "b|2"}, 0},
      {"nul ends the line's text",
       std::string("ab\0c\rd", 6),
       79,
       {"ab|1", "d|2"},
       0},
  };
  for (const Case& c : cases) {
    LineReader reader(c.text);
    EXPECT_EQ(readNoted(reader, c.capacity), c.expected) << c.name;
    EXPECT_EQ(reader.earlyEndLine(), c.earlyEnd) << c.name;
    // The line ends are judged again after a rewind.
    ASSERT_TRUE(reader.rewind());
    EXPECT_EQ(readNoted(reader, c.capacity), c.expected) << c.name;
    EXPECT_EQ(reader.earlyEndLine(), c.earlyEnd) << c.name;
  }
}

class LineReaderFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The process id keeps tests that ctest runs side by side, each in a
    // process of its own, out of each other's directory.
    dir_ = std::filesystem::temp_directory_path() /
           ("memtally_line_reader_" + std::to_string(::getpid()) + "_" +
            std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string write(const std::string& name, const std::string& text) {
    const std::filesystem::path path = dir_ / name;
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
  }

  std::filesystem::path dir_;
};

TEST_F(LineReaderFileTest, FileReadsLikeMemoryAcrossChunkBoundaries) {
  // CR LF pairs and long lines straddle the reader's internal chunks.
  std::string text;
  for (int i = 0; i < 40000; ++i) {
    text += "line " + std::to_string(i) + (i % 3 == 0 ? "\r\n" : "\n");
    if (i % 1000 == 0) text += std::string(700, 'y') + "\r\n";
  }
  text += "tail\r";
  const std::string path = write("big.txt", text);
  auto file = LineReader::openFile(path);
  ASSERT_NE(file, nullptr);
  const Lines fromFile = readAll(*file, 511);
  EXPECT_EQ(fromFile, readAll(text, 511));
  file->rewind();
  EXPECT_EQ(readAll(*file, 511), fromFile);
}

TEST_F(LineReaderFileTest, CutAtTheCapacityIsJudgedAcrossChunkBoundaries) {
  // The reader takes files in chunks of 64 KiB. Here a piece ends where a
  // chunk ends, on a CR whose LF opens the next chunk: the line is whole.
  std::string text = std::string(65535, 'x') + "\r\n" + "tail\n";
  text += std::string(70000, ' ') + "\x1a" + std::string(70000, '\n') + "\x1a!";
  const std::string path = write("chunks.txt", text);
  auto file = LineReader::openFile(path);
  ASSERT_NE(file, nullptr);
  LineReader memory(text);
  const Lines fromFile = readNoted(*file, 5);
  EXPECT_EQ(fromFile, readNoted(memory, 5));
  ASSERT_GE(fromFile.size(), 13107u);
  EXPECT_EQ(fromFile[13105], "xxxxx|1|cut");
  EXPECT_EQ(fromFile[13106], "xxxxx|1");
  EXPECT_EQ(fromFile[13107], "\n|1");
  EXPECT_EQ(file->earlyEndLine(), 3u);
  EXPECT_EQ(memory.earlyEndLine(), 3u);
}

TEST_F(LineReaderFileTest, CarriageReturnAtTheEndOfAChunkIsJudgedByTheNext) {
  // Byte 65535 ends the first 64 KiB chunk. At capacity 5 the line before
  // it fills its pieces exactly in the first three texts, so the CR there
  // is met when the reader looks past a full piece; at capacity 511 it is
  // met within a line.
  const std::string x(65535, 'x');
  struct Case {
    const char* name;
    std::string text;
    Lines tail5;    // the last lines read at capacity 5
    Lines tail511;  // and at capacity 511
  };
  const Case cases[] = {
      {"first cr alone",
       x + "\ry\rz",
       {"xxxxx|1", "\n|1", "y\n|2", "z|3"},
       {std::string(127, 'x') + "\n|1", "y\n|2", "z|3"}},
      {"first cr lf",
       x + "\r\ny\rz",
       {"xxxxx|1", "\n|1", "y\rz|2"},
       {std::string(127, 'x') + "\n|1", "y\rz|2"}},
      {"second cr alone",
       "abcd\r" + x.substr(5) + "\ry\r",
       {"xxxxx|2", "\n|2", "y\n|3"},
       {std::string(122, 'x') + "\n|2", "y\n|3"}},
      {"second cr lf",
       "abcd\r" + x.substr(5) + "\r\ny\r",
       {"xxxxx|1", "\n|1", "y\r|2"},
       {std::string(127, 'x') + "\n|1", "y\r|2"}},
      {"second lf in the next chunk",
       "a\r" + std::string(70000, 'x') + "\ny\r",
       {"xx\n|1", "y\r|2"},
       {std::string(506, 'x') + "\n|1", "y\r|2"}},
      {"cr lf after two crs",
       "a\rb\r" + x.substr(4) + "\r\nz",
       {"x\n|3", "z|4"},
       {std::string(123, 'x') + "\n|3", "z|4"}},
  };
  for (const Case& c : cases) {
    auto file = LineReader::openFile(write("cr.txt", c.text));
    ASSERT_NE(file, nullptr) << c.name;
    for (const size_t capacity : {size_t{5}, size_t{511}}) {
      const Lines& tail = capacity == 5 ? c.tail5 : c.tail511;
      LineReader memory(c.text);
      ASSERT_TRUE(file->rewind());
      const Lines fromFile = readNoted(*file, capacity);
      EXPECT_EQ(fromFile, readNoted(memory, capacity)) << c.name;
      ASSERT_GE(fromFile.size(), tail.size()) << c.name;
      EXPECT_EQ(Lines(fromFile.end() - tail.size(), fromFile.end()), tail)
          << c.name << ", capacity " << capacity;
    }
  }
}

TEST_F(LineReaderFileTest, MissingFileAndDirectoryCannotBeOpened) {
  EXPECT_EQ(LineReader::openFile((dir_ / "missing.bas").string()), nullptr);
  EXPECT_EQ(LineReader::openFile(dir_.string()), nullptr);
}

TEST_F(LineReaderFileTest, ByteOrderMarkIsSkippedInFilesAsInMemory) {
  for (const BomCase& c : kBomCases) {
    auto file = LineReader::openFile(write("bom.txt", c.text));
    ASSERT_NE(file, nullptr) << c.name;
    EXPECT_EQ(readAll(*file, c.capacity), c.expected) << c.name;
    EXPECT_TRUE(file->rewind());
    EXPECT_EQ(readAll(*file, c.capacity), c.expected) << c.name << ", again";
  }
}

TEST_F(LineReaderFileTest, OnlyRegularFilesAreOpenedAndNothingElseBlocks) {
  // A FIFO without a writer would block an ordinary open for ever, and
  // /dev/zero would never end: should the refusal fail, the alarm ends the
  // test instead of letting it hang.
  const std::string fifo = (dir_ / "fifo").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string regular = write("regular.bas", "Sub Main()\n");
  struct Link {
    const char* name;
    std::string target;
  };
  const Link links[] = {{"to_fifo", fifo},
                        {"to_zero", "/dev/zero"},
                        {"to_null", "/dev/null"},
                        {"to_regular", regular}};
  for (const Link& link : links) {
    std::filesystem::create_symlink(link.target, dir_ / link.name);
  }
  ::alarm(10);
  for (const std::string& path :
       {fifo, std::string("/dev/zero"), std::string("/dev/null"),
        (dir_ / "to_fifo").string(), (dir_ / "to_zero").string(),
        (dir_ / "to_null").string()}) {
    EXPECT_EQ(LineReader::openFile(path), nullptr) << path;
  }
  auto linked = LineReader::openFile((dir_ / "to_regular").string());
  ::alarm(0);
  ASSERT_NE(linked, nullptr);
  EXPECT_EQ(readAll(*linked, 79), Lines{"Sub Main()\n"});
}

}  // namespace
}  // namespace memtally
