#include "analysis/annotation_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace memtally {
namespace {

using Descriptions = std::vector<std::string>;

// An annotation as "LINE:COLUMN kind Name@COLUMN value" or, for calls,
// "LINE:COLUMN calls Caller@COLUMN Callee@COLUMN...".
std::string describe(const Annotation& annotation) {
  std::string text = std::to_string(annotation.line) + ":" +
                     std::to_string(annotation.column) + " " +
                     std::string(annotationKindName(annotation.kind)) + " " +
                     annotation.name.text + "@" +
                     std::to_string(annotation.name.column);
  if (annotation.kind != AnnotationKind::kCalls) {
    return text + " " + std::to_string(annotation.value);
  }
  for (const AnnotatedName& callee : annotation.callees) {
    text += " " + callee.text + "@" + std::to_string(callee.column);
  }
  return text;
}

// The annotations and the errors of a text, each as one line of description;
// errors as "LINE:COLUMN: TEXT".
Descriptions readText(const std::string& text) {
  LineReader reader(text);
  const AnnotationFile file = readAnnotations(reader);
  Descriptions out;
  for (const Annotation& annotation : file.annotations) {
    out.push_back(describe(annotation));
  }
  for (const AnnotationError& error : file.errors) {
    out.push_back(std::to_string(error.line) + ":" +
                  std::to_string(error.column) + ": " + error.text);
  }
  return out;
}

struct TextCase {
  std::string text;
  Descriptions expected;
};

void expectRead(const std::vector<TextCase>& cases) {
  for (const TextCase& c : cases) {
    EXPECT_EQ(readText(c.text), c.expected) << c.text;
  }
}

TEST(AnnotationFileTest, GoodLinesGiveAnnotationsWithTheirColumns) {
  expectRead({
      {"stack Delay 12\n", {"1:1 stack Delay@7 12"}},
      {"stack Serial.Parse 80", {"1:1 stack Serial.Parse@7 80"}},
      {"recursion Serial.SendNumber 10\n",
       {"1:1 recursion Serial.SendNumber@11 10"}},
      {"calls Main.Dispatch Menu.Show Menu.Edit\n",
       {"1:1 calls Main.Dispatch@7 Menu.Show@21 Menu.Edit@31"}},
      {"calls A B", {"1:1 calls A@7 B@9"}},
      // Keywords in any case; names kept as written.
      {"STACK delay 1\nReCursion x_1.y2 2\nCalls a B\n",
       {"1:1 stack delay@7 1", "2:1 recursion x_1.y2@11 2",
        "3:1 calls a@7 B@9"}},
      // Comments, with or without a blank before them, and blank lines.
      {"' a comment\n\n   \nstack Delay 12 ' twelve\nstack Beep 3'x\n",
       {"4:1 stack Delay@7 12", "5:1 stack Beep@7 3"}},
      {"calls A B' C D\n", {"1:1 calls A@7 B@9"}},
      // Tabs and runs of blanks between fields, and before the keyword.
      {"\tstack\t\tDelay  12\t\n", {"1:2 stack Delay@9 12"}},
      // CR LF and CR-only line ends leave no CR in a field.
      {"stack A 1\r\nstack B 2\r\n", {"1:1 stack A@7 1", "2:1 stack B@7 2"}},
      {"stack A 1\rcalls B C\r", {"1:1 stack A@7 1", "2:1 calls B@7 C@9"}},
      {"stack A 1\nstack B 2\r\r\n", {"1:1 stack A@7 1", "2:1 stack B@7 2"}},
      // A byte-order mark is not counted in the columns.
      {"\xEF\xBB\xBFstack A 1\n", {"1:1 stack A@7 1"}},
      // A NUL ends the line's text.
      {std::string("stack A 1\0 junk\nstack B 2\n", 26),
       {"1:1 stack A@7 1", "2:1 stack B@7 2"}},
  });
}

TEST(AnnotationFileTest, EachFaultIsReportedAtItsFieldOrAfterTheLine) {
  expectRead({
      {"stak Delay 12\n",
       {"1:1: unknown keyword \"stak\"; an annotation begins with stack, "
        "recursion or calls"}},
      {"  stack\n", {"1:8: stack needs a routine name"}},
      {"stack Delay   ' twelve\n",
       {"1:12: stack needs a byte count after the name"}},
      {"recursion R\r\n", {"1:12: recursion needs a depth after the name"}},
      {"calls\n", {"1:6: calls needs a routine name"}},
      {"calls Main.Dispatch \n",
       {"1:20: calls needs a callee after the caller"}},
      {"stack Delay 12 x\n",
       {"1:16: extra field \"x\"; stack takes a name and a byte count"}},
      {"recursion R 2 3\n",
       {"1:15: extra field \"3\"; recursion takes a name and a depth"}},
      {"stack Delay 0\n",
       {"1:13: the byte count 0 is not a decimal number from 1 to "
        "4294967295"}},
      {"recursion R -1\n",
       {"1:13: the depth \"-1\" is not a decimal number from 1 to "
        "4294967295"}},
      {"stack 1Delay 12\n",
       {"1:7: malformed name \"1Delay\"; a name is a letter, then letters, "
        "digits, _ and ., such as Serial.Parse"}},
      {"calls A B C. D\n",
       {"1:11: malformed name \"C.\"; a name is a letter, then letters, "
        "digits, _ and ., such as Serial.Parse"}},
      // Only the first fault of a line is reported.
      {"stack 1x 0 extra\n",
       {"1:7: malformed name \"1x\"; a name is a letter, then letters, "
        "digits, _ and ., such as Serial.Parse"}},
      // Columns count from a byte-order mark's end.
      {"\xEF\xBB\xBFstack A x\n",
       {"1:9: the byte count \"x\" is not a decimal number from 1 to "
        "4294967295"}},
  });
}

TEST(AnnotationFileTest, NamesAreLettersDigitsUnderscoresAndSingleDots) {
  struct NameCase {
    std::string name;
    bool good;
  };
  const std::vector<NameCase> cases = {
      {"a", true},          {"Serial.Parse", true}, {"A.b.C", true},
      {"x_1", true},        {"Debug.Print", true},  {"a_", true},
      {"_a", false},        {"1a", false},          {".a", false},
      {"a.", false},        {"a..b", false},        {"a-b", false},
      {"a\"b", false},      {"\xC3\xA9t\xC3\xA9", false},
      {"\xC3\xA9", false},  {"a\x7F", false},
  };
  for (const NameCase& c : cases) {
    for (const std::string& line :
         {"stack " + c.name + " 1", "calls A " + c.name}) {
      LineReader reader(line);
      const AnnotationFile file = readAnnotations(reader);
      EXPECT_EQ(file.annotations.size(), c.good ? 1u : 0u) << line;
      EXPECT_EQ(file.errors.size(), c.good ? 0u : 1u) << line;
    }
  }
}

TEST(AnnotationFileTest, NumbersAreDecimalsFrom1To4294967295) {
  struct NumberCase {
    std::string field;
    uint32_t value;  // 0: an error
  };
  const std::vector<NumberCase> cases = {
      {"1", 1},
      {"4294967295", 4294967295u},
      {"0004294967295", 4294967295u},
      {"007", 7},
      {"0", 0},
      {"000", 0},
      {"4294967296", 0},
      {"42949672950", 0},
      {"18446744073709551626", 0},  // 2^64 + 10 wraps to 10 in 64 bits
      {"99999999999999999999999999999", 0},
      {"+1", 0},
      {"&H10", 0},
      {"0x10", 0},
      {"1.5", 0},
      {"12a", 0},
      {"1E3", 0},
  };
  for (const NumberCase& c : cases) {
    LineReader reader("recursion R " + c.field + "\n");
    const AnnotationFile file = readAnnotations(reader);
    if (c.value == 0) {
      ASSERT_EQ(file.errors.size(), 1u) << c.field;
      EXPECT_EQ(file.errors[0].column, 13u) << c.field;
      EXPECT_TRUE(file.annotations.empty()) << c.field;
    } else {
      ASSERT_EQ(file.annotations.size(), 1u) << c.field;
      EXPECT_EQ(file.annotations[0].value, c.value) << c.field;
    }
  }
}

TEST(AnnotationFileTest, DepthOfZeroIsAnError) {
  expectRead({{"recursion R 0\n",
               {"1:13: the depth 0 is not a decimal number from 1 to "
                "4294967295"}}});
  expectRead({{"stack S 4294967296\n",
               {"1:9: the byte count 4294967296 is not a decimal number from "
                "1 to 4294967295"}}});
}

TEST(AnnotationFileTest, LongLineIsReportedOnceAndItsRestIsNotRead) {
  const std::string longest = "stack A 1" + std::string(502, ' ');
  ASSERT_EQ(longest.size(), kMaxAnnotationLine);
  const std::string tooLong = "stack A 1" + std::string(503, ' ');
  // The pieces after the cut look like annotations but are not read.
  const std::string veryLong =
      "'" + std::string(kMaxAnnotationLine - 1, 'x') + "stack B 2" +
      std::string(1000, ' ') + "stak C 3";
  const std::string message = "line longer than 511 characters; it is not read";
  expectRead({
      {longest + "\nstack B 2\n", {"1:1 stack A@7 1", "2:1 stack B@7 2"}},
      {longest, {"1:1 stack A@7 1"}},
      {longest + "\r\nstack B 2\r\n", {"1:1 stack A@7 1", "2:1 stack B@7 2"}},
      {tooLong + "\nstack B 2\n", {"2:1 stack B@7 2", "1:512: " + message}},
      {tooLong, {"1:512: " + message}},
      {"\n" + veryLong + "\nstack B 2\n",
       {"3:1 stack B@7 2", "2:512: " + message}},
      {"\xEF\xBB\xBF" + tooLong + "\n", {"1:512: " + message}},
      // A NUL does not shorten the physical line.
      {std::string("stack A 1\0", 10) + std::string(600, 'x') + "\n",
       {"1:512: " + message}},
  });
}

TEST(AnnotationFileTest, ErrorsAndAnnotationsKeepLineOrderOneErrorALine) {
  LineReader reader(
      "stack A 1\nbad\nstack B 0 x\n\ncalls C D\nrecursion\n");
  const AnnotationFile file = readAnnotations(reader);
  ASSERT_EQ(file.annotations.size(), 2u);
  EXPECT_EQ(file.annotations[0].line, 1u);
  EXPECT_EQ(file.annotations[1].line, 5u);
  ASSERT_EQ(file.errors.size(), 3u);
  EXPECT_EQ(file.errors[0].line, 2u);
  EXPECT_EQ(file.errors[1].line, 3u);
  EXPECT_EQ(file.errors[2].line, 6u);
  for (const Annotation& annotation : file.annotations) {
    EXPECT_FALSE(annotation.used);
  }
}

TEST(AnnotationFileTest, ErrorIsFormattedAsCompilersDo) {
  EXPECT_EQ(formatAnnotationError("Blink.mta", {3, 7, "text"}),
            "Blink.mta:3:7: error: text\n");
}

}  // namespace
}  // namespace memtally
