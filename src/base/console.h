// Standard output and standard error of a run, each written in one place.
#ifndef MEMTALLY_BASE_CONSOLE_H_
#define MEMTALLY_BASE_CONSOLE_H_

#include <cstdio>
#include <string>
#include <string_view>

#include "base/fatal.h"

namespace memtally {

// Where the report and the diagnostics go. Everything a run prints passes
// through one of these two calls.
class Console {
 public:
  virtual ~Console() = default;

  // Appends text to standard output.
  virtual void out(std::string_view text) = 0;

  // Appends text to standard error, after everything written to standard
  // output so far, so that one capture of both streams keeps their order.
  virtual void err(std::string_view text) = 0;

  // Writes text on the given stream.
  void write(Stream stream, std::string_view text) {
    if (stream == Stream::kOut) {
      out(text);
    } else {
      err(text);
    }
  }

  // Pushes out whatever standard output still holds. Returns an empty string
  // on success, or a description of the first write failure (for example
  // "No space left on device").
  virtual std::string finish() { return std::string(); }
};

// True when the stream writes to a terminal, where a person reads it as it
// comes.
bool isTerminal(std::FILE* stream);

// The process's own standard output and standard error. Standard output is
// written line by line to a terminal, so that a person sees the report grow
// and where a run stopped; to a file or pipe it is collected into large
// writes.
class StdConsole : public Console {
 public:
  StdConsole(std::FILE* out = stdout, std::FILE* err = stderr)
      : StdConsole(out, err, isTerminal(out)) {}
  // Writes each line of standard output at once when `lineByLine` is set.
  StdConsole(std::FILE* out, std::FILE* err, bool lineByLine);

  void out(std::string_view text) override;
  void err(std::string_view text) override;
  std::string finish() override;

 private:
  void flushOut();
  void writeOut(std::string_view text);

  std::FILE* out_;
  std::FILE* err_;
  bool lineByLine_;     // pass on standard output at every line end
  std::string buffer_;  // standard output not yet handed to out_
  int outError_ = 0;    // errno of the first failed write, 0 while none
};

// Keeps both streams in memory, for tests and fuzzers.
class StringConsole : public Console {
 public:
  void out(std::string_view text) override {
    stdout_.append(text);
    both_.append(text);
  }
  void err(std::string_view text) override {
    stderr_.append(text);
    both_.append(text);
  }

  const std::string& stdoutText() const { return stdout_; }
  const std::string& stderrText() const { return stderr_; }
  // Both streams interleaved in the order they were written.
  const std::string& bothText() const { return both_; }

 private:
  std::string stdout_;
  std::string stderr_;
  std::string both_;
};

}  // namespace memtally

#endif  // MEMTALLY_BASE_CONSOLE_H_
