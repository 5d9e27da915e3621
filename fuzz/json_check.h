// A strict reader of JSON text for the fuzz targets: true exactly when the
// text is one JSON value, surrounded by white space at most.
#ifndef MEMTALLY_FUZZ_JSON_CHECK_H_
#define MEMTALLY_FUZZ_JSON_CHECK_H_

#include <cstddef>
#include <string_view>

namespace memtally::fuzz {

class JsonCheck {
 public:
  explicit JsonCheck(std::string_view text) : text_(text) {}

  // True when the whole text is one JSON value.
  bool valid() {
    skipSpace();
    if (!value(0)) return false;
    skipSpace();
    return pos_ == text_.size();
  }

 private:
  static constexpr int kMaxDepth = 64;

  bool at(char c) const { return pos_ < text_.size() && text_[pos_] == c; }

  bool take(char c) {
    if (!at(c)) return false;
    ++pos_;
    return true;
  }

  void skipSpace() {
    while (at(' ') || at('\t') || at('\n') || at('\r')) ++pos_;
  }

  bool word(std::string_view w) {
    if (text_.substr(pos_, w.size()) != w) return false;
    pos_ += w.size();
    return true;
  }

  bool digits() {
    const size_t start = pos_;
    while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9') {
      ++pos_;
    }
    return pos_ > start;
  }

  bool number() {
    take('-');
    if (!take('0') && !digits()) return false;
    if (take('.') && !digits()) return false;
    if (take('e') || take('E')) {
      if (!take('+')) take('-');
      if (!digits()) return false;
    }
    return true;
  }

  bool hex() {
    if (pos_ >= text_.size()) return false;
    const char c = text_[pos_++];
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') ||
           (c >= 'A' && c <= 'F');
  }

  bool string() {
    if (!take('"')) return false;
    while (pos_ < text_.size()) {
      const unsigned char c = static_cast<unsigned char>(text_[pos_++]);
      if (c == '"') return true;
      if (c < 0x20) return false;
      if (c != '\\') continue;
      if (pos_ >= text_.size()) return false;
      const char e = text_[pos_++];
      if (e == 'u') {
        if (!hex() || !hex() || !hex() || !hex()) return false;
      } else if (std::string_view("\"\\/bfnrt").find(e) ==
                 std::string_view::npos) {
        return false;
      }
    }
    return false;
  }

  bool items(int depth, char close, bool members) {
    skipSpace();
    if (take(close)) return true;
    for (;;) {
      skipSpace();
      if (members) {
        if (!string()) return false;
        skipSpace();
        if (!take(':')) return false;
        skipSpace();
      }
      if (!value(depth + 1)) return false;
      skipSpace();
      if (take(close)) return true;
      if (!take(',')) return false;
    }
  }

  bool value(int depth) {
    if (depth > kMaxDepth) return false;
    if (take('{')) return items(depth, '}', true);
    if (take('[')) return items(depth, ']', false);
    if (at('"')) return string();
    if (word("true") || word("false") || word("null")) return true;
    return number();
  }

  std::string_view text_;
  size_t pos_ = 0;
};

}  // namespace memtally::fuzz

#endif  // MEMTALLY_FUZZ_JSON_CHECK_H_
