#include "report/json_writer.h"

#include <gtest/gtest.h>

namespace memtally {
namespace {

TEST(JsonWriterTest, DocumentHasOneMemberPerLineAndCommasBetweenOnly) {
  JsonWriter w;
  w.beginObject();
  w.key("memtally");
  w.string("0.7");
  w.key("modules");
  w.beginArray();
  w.beginObject();
  w.key("file");
  w.string("Main.bas");
  w.key("opened");
  w.boolean(true);
  w.endObject();
  w.beginObject();
  w.key("file");
  w.string("Gone.bas");
  w.key("opened");
  w.boolean(false);
  w.endObject();
  w.endArray();
  w.key("estimate");
  w.null();
  w.key("calls");
  w.beginInlineArray();
  w.string("Serial.OpenSerial");
  w.string("Main.Blink");
  w.endArray();
  w.key("cutCalls");
  w.beginInlineArray();
  w.endArray();
  w.key("tasks");
  w.beginArray();
  w.endArray();
  w.key("map");
  w.beginObject();
  w.endObject();
  w.key("totalBytes");
  w.number(4294967295u);
  w.endObject();
  EXPECT_EQ(w.text(),
            "{\n"
            "  \"memtally\": \"0.7\",\n"
            "  \"modules\": [\n"
            "    {\n"
            "      \"file\": \"Main.bas\",\n"
            "      \"opened\": true\n"
            "    },\n"
            "    {\n"
            "      \"file\": \"Gone.bas\",\n"
            "      \"opened\": false\n"
            "    }\n"
            "  ],\n"
            "  \"estimate\": null,\n"
            "  \"calls\": [\"Serial.OpenSerial\", \"Main.Blink\"],\n"
            "  \"cutCalls\": [],\n"
            "  \"tasks\": [],\n"
            "  \"map\": {},\n"
            "  \"totalBytes\": 4294967295\n"
            "}\n");
  EXPECT_TRUE(w.complete());
}

TEST(JsonWriterTest, ContainersInsideAnInlineArrayStayOnItsLine) {
  JsonWriter w;
  w.beginInlineArray();
  w.number(0);
  w.beginObject();
  w.key("a");
  w.beginArray();
  w.null();
  w.boolean(false);
  w.endArray();
  w.endObject();
  w.endArray();
  EXPECT_EQ(w.text(), "[0, {\"a\": [null, false]}]\n");
}

TEST(JsonWriterTest, CompleteOnlyOnceTheTopValueIsClosed) {
  JsonWriter w;
  EXPECT_FALSE(w.complete());
  w.beginObject();
  w.key("routines");
  w.beginArray();
  EXPECT_FALSE(w.complete());
  w.endArray();
  EXPECT_FALSE(w.complete());
  w.endObject();
  EXPECT_TRUE(w.complete());
  // An extra end has nothing to close and writes nothing.
  w.endObject();
  EXPECT_EQ(w.text(), "{\n  \"routines\": []\n}\n");

  JsonWriter scalar;
  scalar.string("alone");
  EXPECT_TRUE(scalar.complete());
  EXPECT_EQ(scalar.text(), "\"alone\"\n");
}

TEST(JsonWriterTest, StringsEscapeQuotesBackslashesAndEveryControlCharacter) {
  struct Case {
    std::string in;
    const char* out;
  };
  const Case cases[] = {
      {"Main.Blink", "\"Main.Blink\""},
      {"", "\"\""},
      {"say \"hi\"", "\"say \\\"hi\\\"\""},
      {"C:\\bx\\", "\"C:\\\\bx\\\\\""},
      {"a\nb\tc\rd\be\ff", "\"a\\nb\\tc\\rd\\be\\ff\""},
      {std::string("\0\x01\x1f", 3), "\"\\u0000\\u0001\\u001f\""},
      {"\x7F/", "\"\x7F/\""},  // DEL and '/' need no escape
      {"\xE9\"\xC3\xA9", "\"\xC3\xA9\\\"\xC3\xA9\""},  // Latin-1, then UTF-8
      {"\xE2\x82\n\xAC", "\"\xC3\xA2\xC2\x82\\n\xC2\xAC\""},  // cut by escape
  };
  for (const Case& c : cases) {
    std::string out;
    appendJsonString(out, c.in);
    EXPECT_EQ(out, c.out) << c.in;
  }
  JsonWriter w;
  w.beginObject();
  w.key("na\"me\x80");
  w.string("v");
  w.endObject();
  EXPECT_EQ(w.text(), "{\n  \"na\\\"me\xC2\x80\": \"v\"\n}\n");
}

}  // namespace
}  // namespace memtally
