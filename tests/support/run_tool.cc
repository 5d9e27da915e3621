#include "support/run_tool.h"

#include <sys/wait.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string_view>

namespace memtally::testing {
namespace {

std::string shellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

bool stdoutHasCrLf() {
  const char* flag = std::getenv("MEMTALLY_STDOUT_CRLF");
  return flag != nullptr && std::string(flag) == "1";
}

// True when `name` is one of the three-letter names run together in `names`.
bool isNameIn(std::string_view name, std::string_view names) {
  for (size_t i = 0; i + 3 <= names.size(); i += 3) {
    if (names.substr(i, 3) == name) return true;
  }
  return false;
}

// True when `stamp` reads "Www Mmm dd hh:mm:ss yyyy": an English weekday
// and month where the form below has '?', digits where it has '0'.
bool isTimeStamp(std::string_view stamp) {
  constexpr std::string_view kForm = "??? ??? 00 00:00:00 0000";
  if (stamp.size() != kForm.size()) return false;
  for (size_t i = 0; i < kForm.size(); ++i) {
    const char want = kForm[i];
    const char got = stamp[i];
    if (want == '0' ? (got < '0' || got > '9') : (want != '?' && got != want)) {
      return false;
    }
  }
  return isNameIn(stamp.substr(0, 3), "SunMonTueWedThuFriSat") &&
         isNameIn(stamp.substr(4, 3), "JanFebMarAprMayJunJulAugSepOctNovDec");
}

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

TempDir::TempDir() {
  static std::atomic<int> counter{0};
  const auto base = std::filesystem::temp_directory_path();
  for (;;) {
    path_ = base / ("memtally_test_" + std::to_string(::getpid()) + "_" +
                    std::to_string(counter++));
    if (std::filesystem::create_directory(path_)) break;
  }
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ignored);
  std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path TempDir::write(const std::string& name,
                                     const std::string& text) const {
  const std::filesystem::path path = path_ / name;
  std::filesystem::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

std::string toolPath() {
  const char* fromEnv = std::getenv("MEMTALLY_EXE");
  if (fromEnv != nullptr && *fromEnv != '\0') return fromEnv;
  return MEMTALLY_EXE_PATH;
}

bool runsUnderRunner() {
  const char* runner = std::getenv("MEMTALLY_RUNNER");
  return runner != nullptr && *runner != '\0';
}

namespace {

// Runs the executable as runTool describes, with `prefix` (a command and its
// arguments, each followed by a blank) put before everything else.
ToolRun runPrefixed(const std::string& prefix,
                    const std::vector<std::string>& args,
                    const std::filesystem::path& dir,
                    const std::string& stdoutTarget) {
  TempDir capture;
  const auto outPath = capture.path() / "stdout";
  const auto errPath = capture.path() / "stderr";
  std::string command = "cd " + shellQuote(dir.string()) + " && exec " + prefix;
  if (runsUnderRunner()) {
    command += std::string(std::getenv("MEMTALLY_RUNNER")) + " ";
  }
  command += shellQuote(toolPath());
  for (const std::string& arg : args) command += " " + shellQuote(arg);
  // A target such as "&-" (standard output closed) is a redirection of its
  // own and is not quoted.
  if (stdoutTarget.empty()) {
    command += " </dev/null >" + shellQuote(outPath.string());
  } else if (stdoutTarget[0] == '&') {
    command += " </dev/null >" + stdoutTarget;
  } else {
    command += " </dev/null >" + shellQuote(stdoutTarget);
  }
  command += " 2>" + shellQuote(errPath.string());
  const int raw = std::system(command.c_str());
  ToolRun run;
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  if (stdoutTarget.empty()) {
    run.out = readFile(outPath);
    if (stdoutHasCrLf()) run.out = readCrLfAsLf(run.out);
  }
  run.err = readFile(errPath);
  return run;
}

}  // namespace

ToolRun runTool(const std::vector<std::string>& args,
                const std::filesystem::path& dir,
                const std::string& stdoutTarget) {
  return runPrefixed("", args, dir, stdoutTarget);
}

ToolRun runToolWithin(unsigned seconds, const std::vector<std::string>& args,
                      const std::filesystem::path& dir) {
  // TERM when the time is up, and KILL a second later should that not do.
  return runPrefixed("timeout -k 1 " + std::to_string(seconds) + " ", args, dir,
                     "");
}

std::string readCrLfAsLf(const std::string& out) {
  std::string text;
  text.reserve(out.size());
  for (size_t i = 0; i < out.size(); ++i) {
    if (out[i] == '\r' && i + 1 < out.size() && out[i + 1] == '\n') continue;
    if (out[i] == '\n' && (i == 0 || out[i - 1] != '\r')) {
      text += "<LF without CR>";
    }
    text += out[i];
  }
  return text;
}

std::string maskTimeStamp(const std::string& out) {
  const size_t line = out.find("Analyzing project \"");
  if (line == std::string::npos) return out;
  const size_t end = out.find('\n', line);
  if (end == std::string::npos || end - line < 24) return out;
  const size_t begin = end - 24;
  if (!isTimeStamp(std::string_view(out).substr(begin, 24))) return out;
  std::string masked = out;
  masked.replace(begin, 24, "Www Mmm dd hh:mm:ss yyyy");
  return masked;
}

}  // namespace memtally::testing
