#include "report/dot_writer.h"

#include "base/format.h"
#include "base/utf8.h"

namespace memtally {
namespace {

// True for the bytes a DOT string cannot hold as they are.
bool needsEscape(unsigned char c) {
  return c < 0x20 || c == 0x7F || c == '"' || c == '\\';
}

// Appends what stands for one byte that needsEscape().
void appendEscape(std::string& out, unsigned char c) {
  switch (c) {
    case '"':
      out.append("\\\"");
      return;
    case '\\':
      out.append("\\\\");
      return;
    case '\n':
      out.append("\\n");
      return;
  }
  out.append("\xEF\xBF\xBD");  // U+FFFD REPLACEMENT CHARACTER
}

}  // namespace

void appendDotString(std::string& out, std::string_view text) {
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

std::string dotString(std::string_view text) {
  std::string out;
  appendDotString(out, text);
  return out;
}

std::string dotNodeId(size_t index) {
  std::string id = "r";
  appendUnsigned(id, index + 1);
  return id;
}

std::string dotClusterId(size_t index) {
  std::string id = "cluster_m";
  appendUnsigned(id, index + 1);
  return id;
}

}  // namespace memtally
