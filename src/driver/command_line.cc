#include "driver/command_line.h"

#include "base/chars.h"
#include "base/fatal.h"
#include "base/options.h"

namespace memtally {
namespace {

constexpr char kUsage[] =
    "Usage: memtally [options] project\n"
    "\n"
    "Estimates the RAM a BasicX application needs from its project file\n"
    "project.bxp, the modules it lists and the compiler's map file\n"
    "project.mpp, all read from the current directory.\n"
    "\n"
    "Options, before the project name:\n"
    "  -c              list every routine that is called, with its callers\n"
    "  -d              detailed analysis: each routine reached, its callees, "
    "tasks\n"
    "  -u              list the routines that the estimate did not reach\n"
    "  -t ROUTINE      estimate ROUTINE instead of the whole application "
    "(-tROUTINE)\n"
    "  --budget=BYTES  exit with status 2 when the estimate exceeds BYTES, or "
    "a\n"
    "                  task's stack array is too small or cannot be checked\n"
    "  --path          print the deepest call chain of the estimate and of "
    "each task\n"
    "  --tasks         check every task's stack array against what the task "
    "needs\n"
    "  --bound         count every call, take sizes and depths from the\n"
    "                  annotation file, and say whether each total is a "
    "bound\n"
    "  --annotations=FILE\n"
    "                  read the annotations from FILE instead of project.mta;\n"
    "                  implies --bound\n"
    "  --check         warn where the estimate cannot be trusted, on standard "
    "error\n"
    "  --json          write the analysis as a JSON document instead of the "
    "report\n"
    "  --dot           write the call graph for Graphviz instead of the "
    "report\n"
    "  --help          print this help and exit\n"
    "  --version       print the version and exit\n"
    "\n"
    "Exit status: 0 the analysis ran (within the budget, when one is given),\n"
    "1 a fatal error, 2 over the budget or the budget could not be checked\n"
    "(with --bound, also when the estimate or a task's need is only a lower\n"
    "bound).\n"
    "\n"
    "The manual tells more: man memtally (memtally.txt in the Windows zip).\n";

[[noreturn]] void throwUnrecognized(const std::string& arg) {
  throw FatalError("Unrecognized option - \"" + arg + "\".\n");
}

// Returns the value of the long option args[i]: the text after its '=' at
// `equals`, or else the next argument, whatever it looks like, which is
// then consumed. Throws FatalError with `missing` when there is neither.
std::string optionValue(const std::vector<std::string>& args, size_t& i,
                        size_t equals, const char* missing) {
  if (equals != std::string::npos) return args[i].substr(equals + 1);
  if (i + 1 >= args.size()) throw FatalError(missing);
  return args[++i];
}

uint32_t budgetValue(const std::string& text) {
  const std::optional<uint32_t> bytes = parseByteCount(text);
  if (!bytes) {
    throw FatalError("Invalid byte count \"" + text +
                     "\" for option --budget.\n");
  }
  return *bytes;
}

// Handles the long option args[i], consuming its value when it takes one.
// Returns false when the walk over the arguments ends with it.
bool parseLongOption(const std::vector<std::string>& args, size_t& i,
                     CommandLine& line) {
  const std::string& arg = args[i];
  const size_t equals = arg.find('=');
  const std::string_view name = std::string_view(arg).substr(0, equals);
  if (name == "--annotations") {
    line.annotations = optionValue(
        args, i, equals, "Missing file name for option --annotations.\n");
    if (line.annotations->empty()) {
      throw FatalError("Missing file name for option --annotations.\n");
    }
    line.bound = true;
    return true;
  }
  if (name == "--budget") {
    line.budget = budgetValue(optionValue(
        args, i, equals, "Missing byte count for option --budget.\n"));
    return true;
  }
  // The options without a value know no "=VALUE" form.
  if (equals == std::string::npos) {
    if (name == "--path") {
      line.path = true;
      return true;
    }
    if (name == "--bound") {
      line.bound = true;
      return true;
    }
    if (name == "--tasks") {
      line.tasks = true;
      return true;
    }
    if (name == "--check") {
      line.check = true;
      return true;
    }
    if (name == "--json" || name == "--dot") {
      if (name == "--json") line.json = true;
      if (name == "--dot") line.dot = true;
      if (line.json && line.dot) {
        throw FatalError("Options --json and --dot cannot be combined.\n");
      }
      return true;
    }
    if (name == "--help") {
      line.help = true;
      return false;
    }
    if (name == "--version") {
      line.version = true;
      return false;
    }
  }
  throwUnrecognized(arg);
}

// Handles the short option args[i], of which only the second character
// counts, consuming the next argument as the target of a bare -t.
void parseShortOption(const std::vector<std::string>& args, size_t& i,
                      CommandLine& line) {
  const std::string& arg = args[i];
  const char letter =
      arg.size() > 1
          ? static_cast<char>(foldCase(static_cast<unsigned char>(arg[1])))
          : '\0';
  switch (letter) {
    case 'c':
      line.options |= OPT_CALLERS;
      break;
    case 'd':
      line.options |= OPT_DETAIL;
      break;
    case 'u':
      line.options |= OPT_UNUSED;
      break;
    case 't':
      if (arg.size() > 2) {
        line.target = arg.substr(2);
      } else if (i + 1 < args.size()) {
        line.target = args[++i];
      } else {
        throw FatalError("Missing analysis target for option -t.\n");
      }
      break;
    default:
      throwUnrecognized(arg);
  }
}

}  // namespace

void parseArguments(const std::vector<std::string>& args, CommandLine& line) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.empty() || arg[0] != '-') {
      line.project = arg;
      line.surplus.assign(args.begin() + static_cast<long>(i) + 1, args.end());
      return;
    }
    if (arg.size() > 2 && arg[1] == '-') {
      if (!parseLongOption(args, i, line)) return;
    } else {
      parseShortOption(args, i, line);
    }
  }
  throw FatalError("No BasicX project specified.\n");
}

CommandLine parseCommandLine(const std::vector<std::string>& args) {
  CommandLine line;
  parseArguments(args, line);
  return line;
}

std::optional<uint32_t> parseByteCount(std::string_view text) {
  if (text.empty()) return std::nullopt;
  uint64_t value = 0;
  for (const char c : text) {
    if (!isDigit(static_cast<unsigned char>(c))) return std::nullopt;
    value = value * 10 + static_cast<uint64_t>(c - '0');
    if (value > UINT32_MAX) return std::nullopt;
  }
  if (value == 0) return std::nullopt;
  return static_cast<uint32_t>(value);
}

std::string_view usageText() { return kUsage; }

}  // namespace memtally
