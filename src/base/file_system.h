// Where the project file, the module sources and the map file come from.
#ifndef MEMTALLY_BASE_FILE_SYSTEM_H_
#define MEMTALLY_BASE_FILE_SYSTEM_H_

#include <map>
#include <memory>
#include <string>

#include "base/line_reader.h"

namespace memtally {

// Opens input files by path. The run reads every file through this, so tests
// and fuzzers can hand it files held in memory.
class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // Opens the file at path for reading; null when it cannot be opened (also
  // when the path names anything but a regular file: a directory, a FIFO, a
  // device).
  virtual std::unique_ptr<LineReader> open(const std::string& path) = 0;
};

// The files on disk, relative names taken from the current directory.
class DiskFileSystem : public FileSystem {
 public:
  std::unique_ptr<LineReader> open(const std::string& path) override {
    return LineReader::openFile(path);
  }
};

// Files held in memory, looked up by their exact path.
class MemoryFileSystem : public FileSystem {
 public:
  void add(const std::string& path, std::string text) {
    files_[path] = std::move(text);
  }

  std::unique_ptr<LineReader> open(const std::string& path) override {
    const auto it = files_.find(path);
    if (it == files_.end()) return nullptr;
    return std::make_unique<LineReader>(it->second);
  }

 private:
  std::map<std::string, std::string> files_;
};

}  // namespace memtally

#endif  // MEMTALLY_BASE_FILE_SYSTEM_H_
