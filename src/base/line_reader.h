// One line reader for project files, module sources and map files.
#ifndef MEMTALLY_BASE_LINE_READER_H_
#define MEMTALLY_BASE_LINE_READER_H_

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace memtally {

// Reads text line by line, from a file or from memory, the same way for
// every input:
//   - a line ends at a line feed; a carriage return directly before the line
//     feed belongs to the line end, a carriage return elsewhere stays;
//   - but a text whose lines end in carriage returns alone, as some project
//     generators write them, has a CR, a CR LF pair and an LF each end a
//     line. Such a text is known by its first line end: a CR that no LF
//     follows, after which more text reaches another such CR, or the end
//     of the text, before any LF;
//   - a byte 0x1A ends the text;
//   - a line longer than the caller's capacity is cut there and the rest
//     comes back as the next line;
//   - a NUL byte ends the text of the line it is in;
//   - a UTF-8 byte-order mark (EF BB BF) at the very start is skipped, so a
//     file saved with one reads as if it had none.
// Files are always read as bytes, so these rules hold on every system.
class LineReader {
 public:
  // Reads from text held in memory.
  explicit LineReader(std::string text);
  ~LineReader();

  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // Reads an open file, which it takes over and closes.
  explicit LineReader(std::FILE* file);

  // Opens a regular file for reading; returns null when it cannot be opened
  // or when the path names anything else (a directory, a FIFO, a device, a
  // socket), which is decided without reading from it or waiting on it.
  static std::unique_ptr<LineReader> openFile(const std::string& path);

  // Reads the next line: at most `capacity` characters, counting the line
  // end as the one character '\n', which ends `line` when it was reached.
  // The line's text stops at a NUL byte, so a line that begins with NUL is
  // empty. Returns false, with `line` empty, at the end of the text.
  bool readLine(std::string& line, size_t capacity);

  // Goes back to the start of the text. Returns false when the file cannot
  // be repositioned (a pipe, for one); the reader is then at its end.
  bool rewind();

  // What the reading met, for the warnings of --check; none of it changes
  // what is read.

  // The physical line, counted from 1, on which the line last read began.
  uint32_t lineNumber() const { return lineNumber_; }

  // True when the line last read was cut at the caller's capacity, so that
  // the rest of its physical line comes back as the next line.
  bool lineWasCut() const { return cut_; }

  // The byte column, counted from 1, on its physical line at which the line
  // last read began: 1, or further on for the rest of a cut line.
  uint32_t lineColumn() const { return column_; }

  // The byte column on its physical line of a NUL byte that ended the text
  // of the line last read; 0 when the line held none.
  uint32_t nulColumn() const { return nulColumn_; }

  // The physical line of a 0x1A byte that ended the text although more than
  // white space followed it; 0 while there is none.
  uint32_t earlyEndLine() const { return earlyEndLine_; }

  // True when the text begins like UTF-16: with its byte-order mark, or with
  // a NUL as its second byte. Known once the first line has been read.
  bool looksLikeUtf16() const { return looksLikeUtf16_; }

 private:
  size_t readChunk();
  bool refill();
  void ensureUnread(size_t count);
  void skipByteOrderMark();
  bool moreOnThisLine();
  bool appendChunk();
  // Whether the line end character `c` (LF, or CR with or without an LF
  // after it) ends the line; the first one met decides lineEnds_, looking
  // on from text_[next], the byte after it, when it is a CR alone.
  bool endsLine(char c, bool lineFeedFollows, size_t next);
  // Whether the text after a first line end that is a CR alone, from
  // text_[next] on, has its lines end with CRs alone too.
  bool carriageReturnLinesFollow(size_t next);
  void noteEndOfText();

  // How the text ends its lines: known from its first line end on.
  enum class LineEnds : uint8_t { kUnknown, kLineFeed, kCarriageReturn };

  std::FILE* file_ = nullptr;  // owned; null when reading from memory
  std::string text_;           // the memory text, or the file's current chunk
  std::unique_ptr<char[]> chunk_;  // what a file read last; made at need
  size_t pos_ = 0;                 // next unread byte in text_
  bool ended_ = false;             // end of file or 0x1A reached
  bool atStart_ = true;        // nothing read yet since the start of the text
  uint32_t linesEnded_ = 0;    // line ends read since the start
  uint32_t lineNumber_ = 0;    // physical line where the last line began
  bool cut_ = false;           // the last line was cut at the capacity
  uint32_t cutLength_ = 0;     // bytes the last line took, before any NUL
  uint32_t column_ = 1;        // column where the last line began
  uint32_t nulColumn_ = 0;     // column of a NUL in the last line; 0: none
  uint32_t earlyEndLine_ = 0;  // line of a 0x1A with text after it
  bool looksLikeUtf16_ = false;
  LineEnds lineEnds_ = LineEnds::kUnknown;  // decided at the first line end
};

}  // namespace memtally

#endif  // MEMTALLY_BASE_LINE_READER_H_
