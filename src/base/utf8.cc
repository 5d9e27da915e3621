#include "base/utf8.h"

namespace memtally {
namespace {

// The lead bytes of the multi-byte sequences, with the sequence length and
// the range its second byte must fall in; the later bytes are 80 to BF. The
// narrower second-byte ranges keep out overlong forms (E0, F0), surrogates
// (ED) and code points above U+10FFFF (F4).
struct LeadRange {
  unsigned char first;
  unsigned char last;
  size_t length;
  unsigned char low;
  unsigned char high;
};

constexpr LeadRange kLeadRanges[] = {
    {0xC2, 0xDF, 2, 0x80, 0xBF}, {0xE0, 0xE0, 3, 0xA0, 0xBF},
    {0xE1, 0xEC, 3, 0x80, 0xBF}, {0xED, 0xED, 3, 0x80, 0x9F},
    {0xEE, 0xEF, 3, 0x80, 0xBF}, {0xF0, 0xF0, 4, 0x90, 0xBF},
    {0xF1, 0xF3, 4, 0x80, 0xBF}, {0xF4, 0xF4, 4, 0x80, 0x8F},
};

// The range that byte leads, or none when it leads no sequence.
const LeadRange* findLeadRange(unsigned char byte) {
  for (const LeadRange& range : kLeadRanges) {
    if (byte >= range.first && byte <= range.last) return &range;
  }
  return nullptr;
}

bool isContinuation(unsigned char byte) { return byte >= 0x80 && byte <= 0xBF; }

// Appends the byte read as Latin-1: U+0080 to U+00FF in two bytes.
void appendLatin1(std::string& out, unsigned char byte) {
  out.push_back(static_cast<char>(0xC0 | (byte >> 6)));
  out.push_back(static_cast<char>(0x80 | (byte & 0x3F)));
}

}  // namespace

size_t utf8SequenceLength(std::string_view text) {
  if (text.empty()) return 0;
  const unsigned char lead = static_cast<unsigned char>(text[0]);
  if (lead < 0x80) return 1;
  const LeadRange* range = findLeadRange(lead);
  if (range == nullptr || text.size() < range->length) return 0;
  const unsigned char second = static_cast<unsigned char>(text[1]);
  if (second < range->low || second > range->high) return 0;
  for (size_t i = 2; i < range->length; ++i) {
    if (!isContinuation(static_cast<unsigned char>(text[i]))) return 0;
  }
  return range->length;
}

bool isValidUtf8(std::string_view text) {
  while (!text.empty()) {
    const size_t length = utf8SequenceLength(text);
    if (length == 0) return false;
    text.remove_prefix(length);
  }
  return true;
}

void appendUtf8(std::string& out, std::string_view text) {
  size_t pending = 0;  // start of the valid stretch not yet appended
  size_t i = 0;
  while (i < text.size()) {
    // Names are mostly ASCII, which stays as it is.
    if (static_cast<unsigned char>(text[i]) < 0x80) {
      ++i;
      continue;
    }
    const size_t length = utf8SequenceLength(text.substr(i));
    if (length != 0) {
      i += length;
      continue;
    }
    out.append(text.substr(pending, i - pending));
    appendLatin1(out, static_cast<unsigned char>(text[i]));
    pending = ++i;
  }
  out.append(text.substr(pending));
}

std::string toUtf8(std::string_view text) {
  std::string out;
  appendUtf8(out, text);
  return out;
}

}  // namespace memtally
