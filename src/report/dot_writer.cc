#include "report/dot_writer.h"

#include "base/escape.h"
#include "base/format.h"

namespace memtally {
namespace {

// What a DOT string cannot hold as it is: '"' and '\', which would end it
// or begin an escape, '&', which would begin an HTML entity, a line feed,
// and the other control characters, which SVG cannot hold.
constexpr EscapeTable dotEscapes() {
  EscapeTable table;
  for (unsigned char c = 0; c < 0x20; ++c) {
    table.set(c, "\xEF\xBF\xBD");  // U+FFFD REPLACEMENT CHARACTER
  }
  table.set(0x7F, "\xEF\xBF\xBD");
  table.set('"', "\\\"");
  table.set('\\', "\\\\");
  table.set('&', "&amp;");
  table.set('\n', "\\n");
  return table;
}
constexpr EscapeTable kDotEscapes = dotEscapes();

}  // namespace

void appendDotString(std::string& out, std::string_view text) {
  out.push_back('"');
  appendEscaped(out, text, kDotEscapes);
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

std::string dotExternalNodeId(size_t index) {
  std::string id = "x";
  appendUnsigned(id, index + 1);
  return id;
}

std::string dotRecursionClusterId(size_t index) {
  std::string id = "cluster_recursion_";
  appendUnsigned(id, index + 1);
  return id;
}

}  // namespace memtally
