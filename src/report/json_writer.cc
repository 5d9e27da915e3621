#include "report/json_writer.h"

#include <algorithm>

#include "base/escape.h"
#include "base/format.h"

namespace memtally {
namespace {

// What a JSON string cannot hold as it is: '"', '\' and the control
// characters below 0x20, the common ones by their short escapes.
constexpr EscapeTable jsonEscapes() {
  EscapeTable table;
  constexpr char kHex[] = "0123456789abcdef";
  for (unsigned char c = 0; c < 0x20; ++c) {
    const char escape[] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 0x0F]};
    table.set(c, {escape, sizeof escape});
  }
  table.set('"', "\\\"");
  table.set('\\', "\\\\");
  table.set('\b', "\\b");
  table.set('\t', "\\t");
  table.set('\n', "\\n");
  table.set('\f', "\\f");
  table.set('\r', "\\r");
  return table;
}
constexpr EscapeTable kJsonEscapes = jsonEscapes();

// The deepest indentation, in spaces: the documents reach far less; a
// deeper container is indented as far as this.
constexpr size_t kDeepestIndent = 64;

}  // namespace

void appendJsonString(std::string& out, std::string_view text) {
  out.push_back('"');
  appendEscaped(out, text, kJsonEscapes);
  out.push_back('"');
}

void JsonWriter::beginObject() { begin(true, false); }

void JsonWriter::beginInlineObject() { begin(true, true); }

void JsonWriter::endObject() { end(); }

void JsonWriter::beginArray() { begin(false, false); }

void JsonWriter::beginInlineArray() { begin(false, true); }

void JsonWriter::endArray() { end(); }

void JsonWriter::key(std::string_view name) {
  separateItem();
  putString(name);
  put(": ");
  afterKey_ = true;
}

void JsonWriter::string(std::string_view text) {
  beforeValue();
  putString(text);
  afterValue();
}

void JsonWriter::number(uint32_t value) {
  beforeValue();
  appendUnsigned(text_, value);
  afterValue();
}

void JsonWriter::integer(int64_t value) {
  beforeValue();
  if (value < 0) text_.push_back('-');
  // The magnitude of the most negative value fits an unsigned one.
  appendUnsigned(text_, value < 0 ? 0 - static_cast<uint64_t>(value)
                                  : static_cast<uint64_t>(value));
  afterValue();
}

void JsonWriter::boolean(bool value) {
  beforeValue();
  put(value ? "true" : "false");
  afterValue();
}

void JsonWriter::null() {
  beforeValue();
  put("null");
  afterValue();
}

void JsonWriter::rawValue(std::string_view json) {
  beforeValue();
  put(json);
  afterValue();
}

void JsonWriter::putString(std::string_view text) {
  appendJsonString(text_, text);
}

void JsonWriter::begin(bool object, bool inlined) {
  beforeValue();
  const bool inInline = !open_.empty() && open_.back().inlined;
  put(object ? '{' : '[');
  open_.push_back(Container{object, inlined || inInline, 0});
}

void JsonWriter::breakLine(size_t depth) {
  // Written as one character and one run of blanks: a copy of a few bytes
  // of varying length took a fifth of the time of a large document.
  put('\n');
  text_.append(std::min(2 * depth, kDeepestIndent), ' ');
}

void JsonWriter::end() {
  if (open_.empty()) return;
  const Container closed = open_.back();
  open_.pop_back();
  if (closed.items > 0 && !closed.inlined) breakLine(open_.size());
  put(closed.object ? '}' : ']');
  afterValue();
}

void JsonWriter::beforeValue() {
  if (afterKey_) {
    afterKey_ = false;
  } else if (!open_.empty()) {
    separateItem();
  }
}

void JsonWriter::afterValue() {
  if (open_.empty()) {
    put('\n');
    done_ = true;
  }
}

void JsonWriter::separateItem() {
  if (open_.empty()) return;
  Container& container = open_.back();
  if (container.inlined) {
    if (container.items > 0) put(", ");
  } else {
    // A comma after an earlier item, then the line break and indentation.
    if (container.items > 0) put(',');
    breakLine(open_.size());
  }
  ++container.items;
}

}  // namespace memtally
