#include "base/line_reader.h"

#include <sys/stat.h>

#include <cstring>
#include <string_view>

#include "base/chars.h"

#ifdef _WIN32
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace memtally {
namespace {

constexpr size_t kChunkSize = 64 * 1024;
constexpr char kEndOfText = '\x1a';
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

#ifdef _WIN32

// Opens the file at path when it is a disk file. Opening a device (NUL,
// CON) or a pipe does not wait; the file type then refuses it unread.
std::FILE* openRegularFile(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return nullptr;
  struct _stat64 info;
  if (_fstat64(_fileno(file), &info) != 0 ||
      (info.st_mode & _S_IFMT) != _S_IFREG) {
    std::fclose(file);
    return nullptr;
  }
  return file;
}

#else

// Opens the file at path when it is a regular file. Anything else is
// refused: a FIFO without a writer would block for ever and a device such
// as /dev/zero never ends. The path is looked at first, so such a file is
// normally not opened at all; should it be replaced in the meantime, the
// non-blocking open cannot wait on it and the type of what was opened
// decides.
std::FILE* openRegularFile(const std::string& path) {
  struct stat info;
  if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
    return nullptr;
  const int fd =
      ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  const int flags = ::fcntl(fd, F_GETFL);
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || flags < 0 ||
      ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    ::close(fd);
    return nullptr;
  }
  std::FILE* file = ::fdopen(fd, "rb");
  if (file == nullptr) ::close(fd);
  return file;
}

#endif

// Returns how many bytes at the start of run[0, limit) need no special
// handling: no line feed, carriage return or 0x1A among them. Each search
// is a memchr over a shrinking range, far faster than a byte loop.
size_t plainRunLength(const char* run, size_t limit) {
  size_t n = limit;
  for (const char special : {'\n', '\r', kEndOfText}) {
    const void* hit = std::memchr(run, special, n);
    if (hit != nullptr)
      n = static_cast<size_t>(static_cast<const char*>(hit) - run);
  }
  return n;
}

}  // namespace

LineReader::LineReader(std::string text) : text_(std::move(text)) {}

LineReader::LineReader(std::FILE* file) : file_(file) {}

LineReader::~LineReader() {
  if (file_ != nullptr) std::fclose(file_);
}

std::unique_ptr<LineReader> LineReader::openFile(const std::string& path) {
  std::FILE* file = openRegularFile(path);
  if (file == nullptr) return nullptr;
  return std::make_unique<LineReader>(file);
}

size_t LineReader::readChunk() {
  // Read into a buffer of its own: sizing text_ for a whole chunk first
  // would clear 64 KiB for every file, however small.
  if (!chunk_) chunk_.reset(new char[kChunkSize]);
  return std::fread(chunk_.get(), 1, kChunkSize, file_);
}

bool LineReader::appendChunk() {
  if (file_ == nullptr) return false;
  const size_t got = readChunk();
  text_.append(chunk_.get(), got);
  return got > 0;
}

bool LineReader::refill() {
  if (file_ == nullptr) return false;
  const size_t got = readChunk();
  text_.assign(chunk_.get(), got);
  pos_ = 0;
  return got > 0;
}

void LineReader::ensureUnread(size_t count) {
  if (file_ == nullptr) return;
  while (text_.size() - pos_ < count) {
    text_.erase(0, pos_);
    pos_ = 0;
    if (!appendChunk()) return;
  }
}

void LineReader::skipByteOrderMark() {
  atStart_ = false;
  ensureUnread(kByteOrderMark.size());
  const std::string_view start = std::string_view(text_).substr(pos_);
  // UTF-16 text begins with its own byte-order mark, or, when it holds
  // ASCII, with a NUL as its second byte.
  looksLikeUtf16_ = start.substr(0, 2) == "\xFF\xFE" ||
                    start.substr(0, 2) == "\xFE\xFF" ||
                    (start.size() >= 2 && start[1] == '\0');
  if (start.substr(0, kByteOrderMark.size()) == kByteOrderMark) {
    pos_ += kByteOrderMark.size();
  }
}

bool LineReader::moreOnThisLine() {
  ensureUnread(2);
  if (pos_ >= text_.size()) return false;
  const char c = text_[pos_];
  if (c == kEndOfText) return false;
  if (c != '\n' && c != '\r') return true;
  const bool pair =
      c == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n';
  return !endsLine(c, pair, pos_ + 1);
}

bool LineReader::endsLine(char c, bool lineFeedFollows, size_t next) {
  // The text is read in order, so the first line end met here is the first
  // of the text, whether a line is being read or only looked past.
  if (lineEnds_ == LineEnds::kUnknown) {
    const bool alone = c == '\r' && !lineFeedFollows;
    lineEnds_ = alone && carriageReturnLinesFollow(next)
                    ? LineEnds::kCarriageReturn
                    : LineEnds::kLineFeed;
  }
  return c == '\n' || lineFeedFollows || lineEnds_ == LineEnds::kCarriageReturn;
}

bool LineReader::carriageReturnLinesFollow(size_t next) {
  // What a file holds from pos_ on is kept, and its next chunks are added
  // only until the next line end is seen.
  if (file_ != nullptr) {
    text_.erase(0, pos_);
    next -= pos_;
    pos_ = 0;
  }
  size_t at = next;
  for (;;) {
    at += plainRunLength(text_.data() + at, text_.size() - at);
    // A carriage return is judged by the byte after it.
    const size_t needed = at + (at < text_.size() && text_[at] == '\r' ? 2 : 1);
    if (text_.size() >= needed || !appendChunk()) break;
  }
  const bool textEnds = at >= text_.size() || text_[at] == kEndOfText;
  if (textEnds) return at > next;
  return text_[at] == '\r' && (at + 1 >= text_.size() || text_[at + 1] != '\n');
}

void LineReader::noteEndOfText() {
  ended_ = true;
  // Old editors end a file with 0x1A, sometimes padded with more of them or
  // followed by a line end: only other text after it is lost. Nothing is
  // read after the end of the text, so the rest is looked at chunk by chunk
  // and dropped.
  const auto onlyPadding = [](std::string_view rest) {
    for (const char c : rest) {
      if (!isSpace(static_cast<unsigned char>(c)) && c != kEndOfText) {
        return false;
      }
    }
    return true;
  };
  bool padding = onlyPadding(std::string_view(text_).substr(pos_ + 1));
  while (padding && refill()) padding = onlyPadding(text_);
  if (!padding) earlyEndLine_ = linesEnded_ + 1;
}

bool LineReader::readLine(std::string& line, size_t capacity) {
  line.clear();
  lineNumber_ = linesEnded_ + 1;
  // The rest of a cut line goes on at the column where the cut was.
  column_ = cut_ ? column_ + cutLength_ : 1;
  cut_ = false;
  nulColumn_ = 0;
  if (ended_) return false;
  if (atStart_) skipByteOrderMark();
  bool gotAny = false;
  while (line.size() < capacity) {
    if (pos_ >= text_.size() && !refill()) {
      ended_ = true;
      break;
    }
    const char* run = text_.data() + pos_;
    const size_t avail = text_.size() - pos_;
    const size_t want = capacity - line.size();
    const size_t limit = avail < want ? avail : want;
    const size_t n = plainRunLength(run, limit);
    line.append(run, n);
    pos_ += n;
    if (n > 0) gotAny = true;
    if (n == limit) continue;
    const char c = run[n];
    if (c == kEndOfText) {
      noteEndOfText();
      break;
    }
    ++pos_;
    gotAny = true;
    bool pair = false;
    if (c == '\r') {
      // The line feed of a pair may open the next chunk.
      if (pos_ >= text_.size()) refill();
      pair = pos_ < text_.size() && text_[pos_] == '\n';
      if (pair) ++pos_;
    }
    if (!endsLine(c, pair, pos_)) {
      line.push_back('\r');
      continue;
    }
    ++linesEnded_;
    line.push_back('\n');
    break;
  }
  cut_ = !ended_ && !line.empty() && line.size() >= capacity &&
         line.back() != '\n' && moreOnThisLine();
  cutLength_ = static_cast<uint32_t>(line.size());
  const size_t nul = line.find('\0');
  if (nul != std::string::npos) {
    nulColumn_ = column_ + static_cast<uint32_t>(nul);
    line.resize(nul);
  }
  return gotAny;
}

bool LineReader::rewind() {
  pos_ = 0;
  atStart_ = true;
  lineEnds_ = LineEnds::kUnknown;
  ended_ = false;
  linesEnded_ = 0;
  lineNumber_ = 0;
  cut_ = false;
  column_ = 1;
  nulColumn_ = 0;
  earlyEndLine_ = 0;
  if (file_ == nullptr) return true;
  text_.clear();
  std::clearerr(file_);
  if (std::fseek(file_, 0, SEEK_SET) != 0) {
    ended_ = true;
    return false;
  }
  return true;
}

}  // namespace memtally
