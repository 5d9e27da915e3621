// The memtally command: estimates the RAM a BasicX application needs.
#include <string>
#include <vector>

#include "base/console.h"
#include "base/file_system.h"
#include "driver/driver.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

#include <cstdio>

// The arguments reach main as the user typed them: the C runtime does not
// expand wildcards such as "*" into file names.
extern "C" int _dowildcard;
int _dowildcard = 0;
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
  // The report keeps the console's CR LF line ends; the messages on standard
  // error are written byte for byte as on every other system.
  _setmode(_fileno(stderr), _O_BINARY);
#endif
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) args.emplace_back(argv[i]);
  memtally::DiskFileSystem files;
  memtally::StdConsole console;
  return memtally::runMemtally(args, files, console);
}
