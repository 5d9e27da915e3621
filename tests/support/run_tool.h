// Runs the built memtally executable for end-to-end tests.
#ifndef MEMTALLY_TESTS_SUPPORT_RUN_TOOL_H_
#define MEMTALLY_TESTS_SUPPORT_RUN_TOOL_H_

#include <filesystem>
#include <string>
#include <vector>

namespace memtally::testing {

// What one run of the executable printed and returned.
struct ToolRun {
  std::string out;  // standard output
  std::string err;  // standard error
  int status = -1;  // exit status
};

// A fresh directory under the system's temporary directory, removed again
// with the object.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }

  // Writes a file (bytes as given) below the directory; returns its path.
  std::filesystem::path write(const std::string& name,
                              const std::string& text) const;

 private:
  std::filesystem::path path_;
};

// The executable under test: $MEMTALLY_EXE when set, else the one built
// beside the tests.
std::string toolPath();

// True when $MEMTALLY_RUNNER is set: the executable runs through another
// program (Wine), where a test that depends on Linux itself may be skipped.
bool runsUnderRunner();

// Runs the executable with `args` in directory `dir`. Standard output goes
// to `stdoutTarget` when it is given (for example "/dev/full"), and is then
// not captured. $MEMTALLY_RUNNER, when set, is put before the executable
// (for instance Wine). With $MEMTALLY_STDOUT_CRLF=1 the executable is one
// that ends its report lines with CR LF, and the captured standard output is
// passed through readCrLfAsLf.
ToolRun runTool(const std::vector<std::string>& args,
                const std::filesystem::path& dir,
                const std::string& stdoutTarget = "");

// Runs the executable like runTool, with standard output captured, but
// stops it when it has not ended after `seconds`: the status is then 124, so
// an input that makes it wait or spin fails the test instead of hanging it.
ToolRun runToolWithin(unsigned seconds, const std::vector<std::string>& args,
                      const std::filesystem::path& dir);

// Reads every CR LF as LF. A LF without its CR is a fault of such an
// executable, and is marked as "<LF without CR>" followed by LF so that the
// comparison that follows fails.
std::string readCrLfAsLf(const std::string& out);

// Replaces the time stamp of the "Analyzing project" line with
// "Www Mmm dd hh:mm:ss yyyy", checking its form on the way; a stamp of the
// wrong form is left as it is, so the comparison that follows fails.
std::string maskTimeStamp(const std::string& out);

}  // namespace memtally::testing

#endif  // MEMTALLY_TESTS_SUPPORT_RUN_TOOL_H_
