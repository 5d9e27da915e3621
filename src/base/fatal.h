// The one way a fatal condition leaves the code that found it.
//
// Whatever ends an analysis (an unreadable project or map file, a malformed
// map entry, an overlong source line, an allocation that failed) throws a
// FatalError carrying its message and the stream it belongs on; the run's
// entry prints it and turns it into exit status 1.
#ifndef MEMTALLY_BASE_FATAL_H_
#define MEMTALLY_BASE_FATAL_H_

#include <exception>
#include <string>
#include <utility>

namespace memtally {

// The stream a message is printed on.
enum class Stream { kOut, kErr };

class FatalError : public std::exception {
 public:
  explicit FatalError(std::string message, Stream stream = Stream::kErr)
      : message_(std::move(message)), stream_(stream) {}

  // The whole message, its final newline included.
  const std::string& message() const { return message_; }
  Stream stream() const { return stream_; }
  const char* what() const noexcept override { return message_.c_str(); }

 private:
  std::string message_;
  Stream stream_;
};

}  // namespace memtally

#endif  // MEMTALLY_BASE_FATAL_H_
