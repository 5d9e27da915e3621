#include "report/dot_writer.h"

#include <gtest/gtest.h>

namespace memtally {
namespace {

TEST(DotWriterTest, QuotedStringsEscapeWhatWouldEndOrRewriteThem) {
  struct Case {
    std::string in;
    const char* out;
  };
  const Case cases[] = {
      {"Main.Blink", "\"Main.Blink\""},
      {"", "\"\""},
      {"say \"hi\"", "\"say \\\"hi\\\"\""},
      // A final backslash must not escape the closing quote.
      {"ends\\", "\"ends\\\\\""},
      // \N would be replaced by the node's name, \l would break the line.
      {"a\\Nb\\l", "\"a\\\\Nb\\\\l\""},
      {"Main.Main\n51 bytes", "\"Main.Main\\n51 bytes\""},
      {std::string("t\tr\r\0\x7F", 6),
       "\"t\xEF\xBF\xBDr\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},
      {"caf\xE9", "\"caf\xC3\xA9\""},
      {"Z\xC3\xA4hler", "\"Z\xC3\xA4hler\""},
      {"\xE2\x82\"", "\"\xC3\xA2\xC2\x82\\\"\""},
      // Graphviz reads HTML entities in strings: a name holding one shows
      // as written, not as the character it names.
      {"&amp;&#x41;.bas", "\"&amp;amp;&amp;#x41;.bas\""},
      {"Op<&>", "\"Op<&amp;>\""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(dotString(c.in), c.out) << c.in;
  }
  std::string out = "label=";
  appendDotString(out, "x");
  EXPECT_EQ(out, "label=\"x\"");
}

TEST(DotWriterTest, GeneratedIdentifiersCountFromOne) {
  EXPECT_EQ(dotNodeId(0), "r1");
  EXPECT_EQ(dotNodeId(1), "r2");
  EXPECT_EQ(dotNodeId(99999), "r100000");
  EXPECT_EQ(dotClusterId(0), "cluster_m1");
  EXPECT_EQ(dotClusterId(2), "cluster_m3");
}

}  // namespace
}  // namespace memtally
