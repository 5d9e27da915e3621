// The command line: the short options that every existing run depends on,
// and the long options ("--name", "--name=VALUE" or "--name VALUE").
#ifndef MEMTALLY_DRIVER_COMMAND_LINE_H_
#define MEMTALLY_DRIVER_COMMAND_LINE_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace memtally {

// What the command line asks for.
struct CommandLine {
  std::optional<std::string> project;  // none when no project was named
  std::optional<std::string> target;   // the -t routine; none: main
  int options = 0;                     // OPT_... bits
  std::vector<std::string> surplus;    // arguments after the project name

  bool help = false;               // --help: print the usage and stop
  bool version = false;            // --version: print the version and stop
  std::optional<uint32_t> budget;  // --budget: bytes the estimate may reach
  bool bound = false;  // --bound (or --annotations): bound mode
  // --annotations: the annotation file; none: project.mta when it exists.
  std::optional<std::string> annotations;
  bool path = false;               // --path: print the deepest call chains
  bool tasks = false;              // --tasks: print the task stack checks
  bool check = false;              // --check: print the warnings
  bool json = false;               // --json: write the JSON document
  bool dot = false;                // --dot: write the call graph

  // True when standard output carries a document instead of the report.
  bool document() const { return json || dot; }
};

// Parses the arguments after the program name, left to right. Arguments
// before the project name that begin with "--" are long options; any other
// that begins with '-' is a short option, of which only the second character
// counts. --help and --version end the walk: nothing after them is looked
// at, and no project is needed. Throws FatalError for an unrecognised
// option, a missing or malformed option value, or no project name.
CommandLine parseCommandLine(const std::vector<std::string>& args);

// Parses the arguments into `line` as parseCommandLine does; when it throws,
// `line` holds what the arguments before the faulty one set.
void parseArguments(const std::vector<std::string>& args, CommandLine& line);

// Reads the value of --budget: a decimal number of bytes from 1 to
// 4294967295, digits only. None for anything else.
std::optional<uint32_t> parseByteCount(std::string_view text);

// The text --help prints after the banner: the synopsis, one line per
// option, the exit statuses and where the manual is.
std::string_view usageText();

}  // namespace memtally

#endif  // MEMTALLY_DRIVER_COMMAND_LINE_H_
