#include "report/json_writer.h"

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

}  // namespace

void appendJsonString(std::string& out, std::string_view text) {
  out.push_back('"');
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

void JsonWriter::endObject() { end(); }

void JsonWriter::beginArray() { begin(false, false); }

void JsonWriter::beginInlineArray() { begin(false, true); }

void JsonWriter::endArray() { end(); }

void JsonWriter::key(std::string_view name) {
  separateItem();
  appendJsonString(out_, name);
  out_.append(": ");
  afterKey_ = true;
}

void JsonWriter::string(std::string_view text) {
  beforeValue();
  appendJsonString(out_, text);
  afterValue();
}

void JsonWriter::number(uint32_t value) {
  beforeValue();
  appendUnsigned(out_, value);
  afterValue();
}

void JsonWriter::boolean(bool value) {
  beforeValue();
  out_.append(value ? "true" : "false");
  afterValue();
}

void JsonWriter::null() {
  beforeValue();
  out_.append("null");
  afterValue();
}

void JsonWriter::begin(bool object, bool inlined) {
  beforeValue();
  const bool inInline = !open_.empty() && open_.back().inlined;
  out_.push_back(object ? '{' : '[');
  open_.push_back(Container{object, inlined || inInline, 0});
}

void JsonWriter::end() {
  if (open_.empty()) return;
  const Container closed = open_.back();
  open_.pop_back();
  if (closed.items > 0 && !closed.inlined) {
    out_.push_back('\n');
    out_.append(2 * open_.size(), ' ');
  }
  out_.push_back(closed.object ? '}' : ']');
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
    out_.push_back('\n');
    done_ = true;
  }
}

void JsonWriter::separateItem() {
  if (open_.empty()) return;
  Container& container = open_.back();
  if (container.items > 0) out_.push_back(',');
  if (container.inlined) {
    if (container.items > 0) out_.push_back(' ');
  } else {
    out_.push_back('\n');
    out_.append(2 * open_.size(), ' ');
  }
  ++container.items;
}

}  // namespace memtally
