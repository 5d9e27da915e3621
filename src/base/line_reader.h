// One line reader for project files, module sources and map files.
#ifndef MEMTALLY_BASE_LINE_READER_H_
#define MEMTALLY_BASE_LINE_READER_H_

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace memtally {

// Reads text line by line, from a file or from memory, the same way for
// every input:
//   - a line ends at a line feed; a carriage return directly before the line
//     feed belongs to the line end, a carriage return elsewhere stays;
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

 private:
  bool refill();
  void skipByteOrderMark();

  std::FILE* file_ = nullptr;  // owned; null when reading from memory
  std::string text_;           // the memory text, or the file's current chunk
  size_t pos_ = 0;             // next unread byte in text_
  bool ended_ = false;         // end of file or 0x1A reached
  bool atStart_ = true;        // nothing read yet since the start of the text
};

}  // namespace memtally

#endif  // MEMTALLY_BASE_LINE_READER_H_
