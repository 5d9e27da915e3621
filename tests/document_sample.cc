// Writes small documents with the JSON writer and the DOT helpers, for the
// tests that read them back with Python's json module and render them with
// Graphviz:
//
//   memtally_document_sample json   names of hostile bytes, each beside its
//                                   bytes in hex, and some plain values
//   memtally_document_sample dot    a call graph with a cycle, a self-call,
//                                   a task and names full of quotes,
//                                   backslashes and bytes above 0x7F
#include <cstdio>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "report/dot_writer.h"
#include "report/json_writer.h"

namespace {

using memtally::dotClusterId;
using memtally::dotNodeId;
using memtally::dotString;

// Names as project, module and map files may hold them.
const std::vector<std::string>& hostileNames() {
  static const std::vector<std::string> names = {
      "Main.Blink",
      "Say \"hi\"",
      "back\\slash\\",
      "a\\Nb\\l",
      "caf\xE9",
      "Z\xC3\xA4hler",
      "\x80\xFF stray",
      "\xED\xA0\x80 surrogate",
      "\xF4\x90\x80\x80 beyond",
      "\xE2\x82 cut",
      "tab\there",
      "line\nbreak",
      std::string("nul\0ctl\x01\x1F\x7F", 11),
      "Op<&>",
  };
  return names;
}

std::string hex(std::string_view bytes) {
  const char digits[] = "0123456789abcdef";
  std::string out;
  for (const char c : bytes) {
    const unsigned char b = static_cast<unsigned char>(c);
    out.push_back(digits[b >> 4]);
    out.push_back(digits[b & 0x0F]);
  }
  return out;
}

// Random bytes, mostly above 0x7F so that near-valid UTF-8 is common.
std::vector<std::string> garbage(unsigned seed, int count) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int> length(0, 24);
  std::vector<std::string> texts;
  for (int i = 0; i < count; ++i) {
    std::string text;
    for (int n = length(random); n > 0; --n) {
      const int b = byte(random);
      text.push_back(static_cast<char>(b < 48 ? b : 0x80 | b));
    }
    texts.push_back(text);
  }
  return texts;
}

void writeCase(memtally::JsonWriter& w, const std::string& text) {
  w.beginObject();
  w.key("hex");
  w.string(hex(text));
  w.key("text");
  w.string(text);
  w.endObject();
}

std::string jsonSample() {
  memtally::JsonWriter w;
  w.beginObject();
  w.key("cases");
  w.beginArray();
  for (const std::string& name : hostileNames()) writeCase(w, name);
  for (const std::string& text : garbage(20261209, 300)) writeCase(w, text);
  w.endArray();
  w.key("numbers");
  w.beginInlineArray();
  w.number(0);
  w.number(193);
  w.number(4294967295u);
  w.endArray();
  w.key("flags");
  w.beginInlineArray();
  w.boolean(true);
  w.boolean(false);
  w.null();
  w.endArray();
  w.key("caf\xE9 \"key\"");
  w.beginObject();
  w.key("empty");
  w.beginArray();
  w.endArray();
  w.key("emptyObject");
  w.beginObject();
  w.endObject();
  w.key("inline");
  w.beginInlineArray();
  w.beginObject();
  w.key("a");
  w.beginArray();
  w.endArray();
  w.endObject();
  w.endArray();
  w.endObject();
  w.endObject();
  return std::string(w.text());
}

std::string node(size_t index, std::string_view label,
                 std::string_view attributes) {
  std::string line = "    ";
  line.append(dotNodeId(index)).append(" [label=").append(dotString(label));
  line.append(attributes).append("];\n");
  return line;
}

std::string edge(size_t from, size_t to, std::string_view attributes) {
  std::string line = "  ";
  line.append(dotNodeId(from)).append(" -> ").append(dotNodeId(to));
  line.append(" [").append(attributes).append("];\n");
  return line;
}

std::string dotSample() {
  const std::vector<std::string>& names = hostileNames();
  std::string out = "digraph memtally {\n  node [shape=ellipse];\n";
  // Two modules: the first holds the top routine and a task, the second
  // everything else.
  out += "  subgraph " + dotClusterId(0);
  out += " {\n    label=" + dotString("M\xE4in \"1\"\\.bas") + ";\n";
  out += node(0, names[0] + "\n51 bytes", ", style=bold");
  out +=
      node(1, names[1] + "\n32 bytes (stack 38)", ", shape=box, peripheries=2");
  out += "  }\n  subgraph " + dotClusterId(1);
  out += " {\n    label=" + dotString("&amp;&#x41;.bas") + ";\n";
  for (size_t i = 2; i < names.size(); ++i) {
    const bool unused = i + 1 == names.size();
    out += node(i, names[i] + "\n" + std::to_string(i) + " bytes",
                unused ? ", color=grey, fontcolor=grey" : "");
  }
  out += "  }\n";
  out += edge(0, 1, "color=red, penwidth=2");
  out += edge(1, 2, "color=red, penwidth=2");
  out += edge(2, 0, "style=dashed, label=\"0\"");  // closes a cycle
  out += edge(3, 3, "style=dashed, label=\"0\"");  // calls itself
  for (size_t i = 4; i + 1 < names.size(); ++i) out += edge(i - 1, i, "");
  out += "}\n";
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string kind = argc == 2 ? argv[1] : "";
  std::string text;
  if (kind == "json") {
    text = jsonSample();
  } else if (kind == "dot") {
    text = dotSample();
  } else {
    std::fputs("usage: memtally_document_sample json|dot\n", stderr);
    return 1;
  }
  std::fwrite(text.data(), 1, text.size(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}
