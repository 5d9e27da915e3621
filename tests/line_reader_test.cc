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

class LineReaderFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("memtally_line_reader_" +
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
