#include "base/escape.h"

#include <algorithm>

#include "base/utf8.h"

namespace memtally {

void appendEscaped(std::string& out, std::string_view text,
                   const EscapeTable& table) {
  // Most names are ASCII that stands for itself, and go out as they are:
  // a third of the time of a large JSON document went to converting them.
  const bool plain = std::all_of(text.begin(), text.end(), [&table](char c) {
    const unsigned char byte = static_cast<unsigned char>(c);
    return byte < 0x80 && table.escape(byte).empty();
  });
  if (plain) {
    out.append(text);
    return;
  }
  // Escaped bytes are ASCII and so never inside a multi-byte sequence:
  // converting the stretches between them converts the whole text.
  size_t pending = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const std::string_view escape =
        table.escape(static_cast<unsigned char>(text[i]));
    if (escape.empty()) continue;
    appendUtf8(out, text.substr(pending, i - pending));
    out.append(escape);
    pending = i + 1;
  }
  appendUtf8(out, text.substr(pending));
}

}  // namespace memtally
