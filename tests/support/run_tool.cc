#include "support/run_tool.h"

#include <sys/wait.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <string_view>
#include <sstream>

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

ToolRun runTool(const std::vector<std::string>& args,
                const std::filesystem::path& dir,
                const std::string& stdoutTarget) {
  TempDir capture;
  const auto outPath = capture.path() / "stdout";
  const auto errPath = capture.path() / "stderr";
  std::string command = "cd " + shellQuote(dir.string()) + " && exec ";
  const char* runner = std::getenv("MEMTALLY_RUNNER");
  if (runner != nullptr && *runner != '\0') command += std::string(runner) + " ";
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
  if (stdoutTarget.empty()) run.out = readFile(outPath);
  run.err = readFile(errPath);
  return run;
}

namespace {

bool isDigitText(std::string_view text) {
  for (char c : text) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

bool oneOf(std::string_view names, std::string_view name) {
  for (size_t i = 0; i + 3 <= names.size(); i += 3) {
    if (names.substr(i, 3) == name) return true;
  }
  return false;
}

// True for "Www Mmm dd hh:mm:ss yyyy" with English names and digits.
bool isTimeStamp(std::string_view s) {
  return s.size() == 24 && oneOf("SunMonTueWedThuFriSat", s.substr(0, 3)) &&
         s[3] == ' ' &&
         oneOf("JanFebMarAprMayJunJulAugSepOctNovDec", s.substr(4, 3)) &&
         s[7] == ' ' && isDigitText(s.substr(8, 2)) && s[10] == ' ' &&
         isDigitText(s.substr(11, 2)) && s[13] == ':' &&
         isDigitText(s.substr(14, 2)) && s[16] == ':' &&
         isDigitText(s.substr(17, 2)) && s[19] == ' ' &&
         isDigitText(s.substr(20, 4));
}

}  // namespace

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
