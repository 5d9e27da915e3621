#include "base/escape.h"

#include <gtest/gtest.h>

namespace memtally {
namespace {

constexpr EscapeTable sampleTable() {
  EscapeTable table;
  table.set('!', "<bang>");
  table.set('\0', "0");
  table.set('q', "");          // empty: q stands for itself
  table.set(0xC3, "high");     // above 0x7F: ignored
  table.set('~', "12345678");  // cut to seven bytes
  return table;
}
constexpr EscapeTable kSample = sampleTable();

TEST(EscapeTest, TableBytesAreReplacedAndTheRestMadeValidUtf8) {
  struct Case {
    std::string in;
    const char* out;
  };
  const Case cases[] = {
      {"", ""},
      {"plain", "plain"},
      {"a!b!!", "a<bang>b<bang><bang>"},
      {std::string("\0q\0", 3), "0q0"},
      {"~", "1234567"},
      // Valid UTF-8 stays, with or without an escape beside it; stray bytes
      // are read as Latin-1, also where an escape cuts a sequence short.
      {"\xC3\xA4!\xC3\xA4", "\xC3\xA4<bang>\xC3\xA4"},
      {"\xC3!\xA4", "\xC3\x83<bang>\xC2\xA4"},
      {"\xE9", "\xC3\xA9"},
  };
  for (const Case& c : cases) {
    std::string out = ">";
    appendEscaped(out, c.in, kSample);
    EXPECT_EQ(out, std::string(">") + c.out) << c.in;
  }
  EXPECT_EQ(kSample.escape(0xC3), "");
  EXPECT_EQ(kSample.escape('!'), "<bang>");
}

}  // namespace
}  // namespace memtally
