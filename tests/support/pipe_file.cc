#include "support/pipe_file.h"

#include <unistd.h>

namespace memtally::testing {

std::FILE* pipeHolding(const std::string& text) {
  int ends[2];
  if (::pipe(ends) != 0) return nullptr;
  const bool written = ::write(ends[1], text.data(), text.size()) ==
                       static_cast<ssize_t>(text.size());
  ::close(ends[1]);
  std::FILE* file = written ? ::fdopen(ends[0], "rb") : nullptr;
  if (file == nullptr) ::close(ends[0]);
  return file;
}

}  // namespace memtally::testing
