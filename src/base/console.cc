#include "base/console.h"

#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace memtally {
namespace {

// Standard output to a file or pipe is collected up to this size before it
// is written, so a large report costs a few large writes rather than one
// per line.
constexpr size_t kOutBufferSize = 64 * 1024;

}  // namespace

bool isTerminal(std::FILE* stream) {
#ifdef _WIN32
  return _isatty(_fileno(stream)) != 0;
#else
  return ::isatty(::fileno(stream)) != 0;
#endif
}

StdConsole::StdConsole(std::FILE* out, std::FILE* err, bool lineByLine)
    : out_(out), err_(err), lineByLine_(lineByLine) {
  buffer_.reserve(kOutBufferSize);
}

void StdConsole::out(std::string_view text) {
  // A text as large as the buffer, such as a whole document, is written as
  // it is rather than copied first.
  if (text.size() >= kOutBufferSize && !lineByLine_) {
    flushOut();
    writeOut(text);
    return;
  }
  buffer_.append(text);
  if (buffer_.size() >= kOutBufferSize ||
      (lineByLine_ && text.find('\n') != std::string_view::npos)) {
    flushOut();
  }
}

void StdConsole::err(std::string_view text) {
  flushOut();
  std::fwrite(text.data(), 1, text.size(), err_);
  std::fflush(err_);
}

void StdConsole::writeOut(std::string_view text) {
  if (text.empty() || outError_ != 0) return;
  errno = 0;
  const size_t written = std::fwrite(text.data(), 1, text.size(), out_);
  if (written != text.size()) outError_ = errno != 0 ? errno : EIO;
}

void StdConsole::flushOut() {
  writeOut(buffer_);
  buffer_.clear();
  if (outError_ == 0) {
    errno = 0;
    if (std::fflush(out_) != 0 || std::ferror(out_)) {
      outError_ = errno != 0 ? errno : EIO;
    }
  }
}

std::string StdConsole::finish() {
  flushOut();
  if (outError_ == 0) return std::string();
  return std::strerror(outError_);
}

}  // namespace memtally
