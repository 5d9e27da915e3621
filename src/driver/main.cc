// The memtally command: estimates the RAM a BasicX application needs.
#include <string>
#include <vector>

#include "base/console.h"
#include "base/file_system.h"
#include "driver/driver.h"

int main(int argc, char** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  memtally::DiskFileSystem files;
  memtally::StdConsole console;
  return memtally::runMemtally(args, files, console);
}
