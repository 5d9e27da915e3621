#include "support/memory_run.h"

#include "base/console.h"
#include "driver/driver.h"

namespace memtally::testing {

std::tm fixedTime() {
  std::tm time{};
  time.tm_year = 2026 - 1900;
  time.tm_mon = 11;
  time.tm_mday = 9;
  time.tm_wday = 3;
  time.tm_hour = 7;
  time.tm_min = 5;
  time.tm_sec = 3;
  return time;
}

MemoryRun runInMemory(const std::vector<std::string>& args,
                      MemoryFileSystem& files) {
  StringConsole console;
  const int status = runMemtally(args, files, console, fixedTime);
  return {status, console.stdoutText(), console.stderrText(),
          console.bothText()};
}

}  // namespace memtally::testing
