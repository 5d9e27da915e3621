// A small JSON writer for the --json document: objects, arrays, strings,
// unsigned 32-bit numbers, booleans and null, with commas and a two-space
// indentation of its own. Strings are escaped and made valid UTF-8, so the
// document is valid JSON in valid UTF-8 whatever bytes the names hold.
#ifndef MEMTALLY_REPORT_JSON_WRITER_H_
#define MEMTALLY_REPORT_JSON_WRITER_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace memtally {

// Appends text as a JSON string, quotes included: '"' and '\' escaped, the
// control characters below 0x20 as \b \t \n \f \r or \u00XX, and bytes that
// are not valid UTF-8 read as Latin-1.
void appendJsonString(std::string& out, std::string_view text);

// Writes one JSON value, usually an object, into a string. An object holds
// one member per line, each a key() followed by its value; an array holds one
// item per line, or all on one line when begun with beginInlineArray(). Once
// the top value is complete the text ends with a newline.
class JsonWriter {
 public:
  // Starts an object: the top value, an array item or a member's value.
  void beginObject();

  // Ends the innermost open object or array.
  void endObject();

  // Starts an object written on one line, for small records in long lists;
  // whatever is nested in it stays on that line too.
  void beginInlineObject();

  // Starts an array written one item per line.
  void beginArray();

  // Starts an array written on one line, for short lists of names; whatever
  // is nested in it stays on that line too.
  void beginInlineArray();

  // Ends the innermost open object or array.
  void endArray();

  // Writes the name of the next member of the open object; its value follows.
  // Member names are the document's own: ASCII that needs no escape.
  void key(std::string_view name);

  // Writes a string value.
  void string(std::string_view text);

  // Writes a number value.
  void number(uint32_t value);

  // Writes a signed number value.
  void integer(int64_t value);

  // Writes true or false.
  void boolean(bool value);

  // Writes null.
  void null();

  // Writes a value that the caller has already written as JSON text on one
  // line, such as a record of a long list that is written often.
  void rawValue(std::string_view json);

  // The document written so far.
  std::string_view text() const { return text_; }

  // Forgets the text written so far, once the caller has handed it on, so
  // that a large document goes out in pieces as it is written.
  void clearText() { text_.clear(); }

  // True when the top value is written and every object and array is closed.
  bool complete() const { return done_ && open_.empty(); }

 private:
  // An object or array that is not closed yet.
  struct Container {
    bool object;
    bool inlined;
    size_t items;  // members or items written so far
  };

  void begin(bool object, bool inlined);
  void end();
  void beforeValue();
  void afterValue();
  void separateItem();
  void putString(std::string_view text);

  // Appends a line break and the indentation of `depth` open containers.
  void breakLine(size_t depth);

  // Appends text.
  void put(std::string_view text) { text_.append(text); }
  void put(char c) { text_.push_back(c); }

  std::string text_;  // the text written since the last clearText()
  std::vector<Container> open_;
  bool afterKey_ = false;  // a key was written and waits for its value
  bool done_ = false;      // the top value is complete
};

// The members most objects of the documents hold: a key and its value.
inline void member(JsonWriter& json, std::string_view name,
                   std::string_view value) {
  json.key(name);
  json.string(value);
}

inline void member(JsonWriter& json, std::string_view name, uint32_t value) {
  json.key(name);
  json.number(value);
}

inline void flag(JsonWriter& json, std::string_view name, bool value) {
  json.key(name);
  json.boolean(value);
}

// A member whose value is a number, or null when it is not known.
inline void optionalNumber(JsonWriter& json, std::string_view name,
                           std::optional<uint32_t> value) {
  json.key(name);
  if (value) {
    json.number(*value);
  } else {
    json.null();
  }
}

}  // namespace memtally

#endif  // MEMTALLY_REPORT_JSON_WRITER_H_
