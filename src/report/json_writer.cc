#include "report/json_writer.h"

#include <algorithm>

#include "base/format.h"
#include "base/utf8.h"

namespace memtally {
namespace {

// True for the bytes a JSON string cannot hold as they are.
bool needsEscape(unsigned char c) { return c < 0x20 || c == '"' || c == '\\'; }

// Appends the escape sequence of one byte that needsEscape().
void appendEscape(std::string& out, unsigned char c) {
  switch (c) {
    case '"':
      out.append("\\\"");
      return;
    case '\\':
      out.append("\\\\");
      return;
    case '\b':
      out.append("\\b");
      return;
    case '\t':
      out.append("\\t");
      return;
    case '\n':
      out.append("\\n");
      return;
    case '\f':
      out.append("\\f");
      return;
    case '\r':
      out.append("\\r");
      return;
  }
  const char hex[] = "0123456789abcdef";
  out.append("\\u00");
  out.push_back(hex[c >> 4]);
  out.push_back(hex[c & 0x0F]);
}

// The bytes a JSON string holds as they are: ASCII without quotes,
// backslashes and control characters.
struct PlainBytes {
  bool plain[256] = {};
  constexpr PlainBytes() {
    for (int c = 0x20; c < 0x80; ++c) plain[c] = c != '"' && c != '\\';
  }
};
constexpr PlainBytes kPlainBytes;

// True for text that a JSON string holds as it is, as most names are.
bool isPlain(std::string_view text) {
  for (const char c : text) {
    if (!kPlainBytes.plain[static_cast<unsigned char>(c)]) return false;
  }
  return true;
}

// Spaces enough for the indentation of any depth the documents reach; a
// deeper one is indented as far as these go.
constexpr std::string_view kLineBreak =
    ",\n                                                                ";

}  // namespace

void appendJsonString(std::string& out, std::string_view text) {
  out.push_back('"');
  if (isPlain(text)) {
    out.append(text);
    out.push_back('"');
    return;
  }
  // Escaped bytes are ASCII and so never inside a multi-byte sequence:
  // converting the stretches between them converts the whole text.
  size_t pending = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (!needsEscape(c)) continue;
    appendUtf8(out, text.substr(pending, i - pending));
    appendEscape(out, c);
    pending = i + 1;
  }
  appendUtf8(out, text.substr(pending));
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

void JsonWriter::end() {
  if (open_.empty()) return;
  const Container closed = open_.back();
  open_.pop_back();
  if (closed.items > 0 && !closed.inlined) {
    put(kLineBreak.substr(
        1, std::min(1 + 2 * open_.size(), kLineBreak.size() - 1)));
  }
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
    const size_t from = container.items > 0 ? 0 : 1;
    const size_t length = std::min(2 + 2 * open_.size(), kLineBreak.size());
    put(kLineBreak.substr(from, length - from));
  }
  ++container.items;
}

}  // namespace memtally
