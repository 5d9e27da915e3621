// Fuzzes a whole run: command line, project file, two modules and map file.
//
// Input layout: the first byte chooses the command line, and the rest is
// split at each line "=====" (the separator "\n=====\n") into the project
// file P.bxp, the modules A.bas and B.bas, the map file P.mpp, the -t
// routine name, the long options and the annotation file P.mta; missing
// parts are empty. Each line of
// the long options part that begins with "--" is one argument, placed after
// the short options and before the project name. The files are held in
// memory and the run goes through runMemtally, as the executable's does.
//
// Command-line byte, bit by bit:
//   0x01 -c   0x02 -d   0x04 -u
//   0x18 -t:  0x08 "-t NAME"  0x10 "-tNAME"  0x18 "-t MAIN"
//   0x20 the option letters in upper case
//   0x40 a surplus argument after the project name
//   0x80 the project file starts with the lines A.bas and B.bas
//
// A fatal message with status 1 is an expected outcome; the checks are on
// what every run must show: status 0, 1 or (with --budget) 2, the banner
// first, a fatal message last when the status is 1, an estimate whose lines
// add up, and a budget verdict that agrees with the printed total.
//
// Every input also runs with --path --check added (the long options part's
// own --path and --check are left out of the first run): that run must print
// what the first printed plus the chains after the estimate and warning
// lines after the report; each chain's frames must add up to its total, and
// in the table of the same analysis every step of a chain is a call of the
// step before it. A third run writes the JSON document: it must be valid
// UTF-8 and JSON, with the messages of the plain run, or, when the run
// fails, nothing at all on standard output. When the long options part holds
// a line "--dot", a fourth run writes the DOT graph, checked the same way
// for UTF-8 and strings that close; the part's --json and --dot lines are
// left out of the first run. When the long options part holds a line
// "--bound", a bound-mode run with --path --check follows, which reads
// P.mta: it ends with status 0, 1 or (with --budget) 2, a fatal message or
// the annotation file's errors when 1; its estimate adds up and says what
// kind of bound it is, and --budget passes only an upper bound that fits.
// Its JSON document is checked as the plain run's is. The classic runs
// have P.mta beside them too, and must not read it.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/console.h"
#include "base/fatal.h"
#include "base/file_system.h"
#include "base/utf8.h"
#include "base/version.h"
#include "driver/command_line.h"
#include "driver/driver.h"
#include "fuzz_check.h"
#include "json_check.h"
#include "analysis/call_chain.h"

namespace memtally::fuzz {
namespace {

constexpr std::string_view kSeparator = "\n=====\n";

// The input after its first byte, cut at every separator.
std::vector<std::string> splitParts(std::string_view text) {
  std::vector<std::string> parts;
  for (;;) {
    const size_t at = text.find(kSeparator);
    parts.emplace_back(text.substr(0, at));
    if (at == std::string_view::npos) break;
    text.remove_prefix(at + kSeparator.size());
  }
  parts.resize(7);
  return parts;
}

// The lines of a text, each without its newline.
std::vector<std::string_view> linesOf(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    const size_t end = text.find('\n');
    lines.push_back(text.substr(0, end));
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + 1);
  }
  return lines;
}

// Whether an option belongs to one of the later runs, which add it
// themselves: --path and --check to the second, --json and --dot to the
// document runs. A document option in the first run would leave its
// standard output without the banner and the text report it is checked on.
bool isAddedLater(std::string_view option) {
  return option == "--path" || option == "--check" || option == "--json" ||
         option == "--dot" || option == "--bound" ||
         option.substr(0, 13) == "--annotations";
}

// The lines of the long options part that begin with "--", but for the
// options that the later runs add.
std::vector<std::string> longOptions(std::string_view text) {
  std::vector<std::string> options;
  for (const std::string_view line : linesOf(text)) {
    if (line.substr(0, 2) == "--" && !isAddedLater(line)) {
      options.emplace_back(line);
    }
  }
  return options;
}

// Whether the long options part holds the line `option`.
bool asksFor(std::string_view text, std::string_view option) {
  const std::vector<std::string_view> lines = linesOf(text);
  return std::find(lines.begin(), lines.end(), option) != lines.end();
}

std::string option(char letter, bool upper) {
  return std::string("-") +
         static_cast<char>(upper ? letter - ('a' - 'A') : letter);
}

std::vector<std::string> commandLine(uint8_t choice, const std::string& target,
                                     const std::vector<std::string>& extra) {
  const bool upper = (choice & 0x20) != 0;
  std::vector<std::string> args;
  if (choice & 0x01) args.push_back(option('c', upper));
  if (choice & 0x02) args.push_back(option('d', upper));
  if (choice & 0x04) args.push_back(option('u', upper));
  switch (choice & 0x18) {
    case 0x08:
      args.push_back(option('t', upper));
      args.push_back(target);
      break;
    case 0x10:
      args.push_back(option('t', upper) + target);
      break;
    case 0x18:
      args.push_back(option('t', upper));
      args.push_back("MAIN");
      break;
  }
  args.insert(args.end(), extra.begin(), extra.end());
  args.push_back("P");
  if (choice & 0x40) args.push_back("-d");
  return args;
}

std::tm fixedClock() {
  std::tm time{};
  time.tm_year = 70;
  time.tm_mday = 1;
  time.tm_wday = 4;
  return time;
}

bool startsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

// The last line of the text, without its newline.
std::string_view lastLine(std::string_view text) {
  if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
  const size_t start = text.rfind('\n');
  return start == std::string_view::npos ? text : text.substr(start + 1);
}

// A run that fails ends with one of the fatal messages.
void checkFatalMessage(const StringConsole& console) {
  const std::string& both = console.bothText();
  FUZZ_CHECK(!both.empty() && both.back() == '\n');
  const std::string_view last = lastLine(both);
  const char* const prefixes[] = {
      "Line exceeded maximum length at line ",
      "Failed to create a symbol table entry for \"",
      "Missing analysis target for option -t.",
      "No BasicX project specified.",
      "Missing byte count for option --budget.",
      "Invalid byte count \"",
      "Unrecognized option - \"",
      "Out of memory attempting to ",
      "P.mta:",
  };
  bool known = false;
  for (const char* prefix : prefixes) known = known || startsWith(last, prefix);
  FUZZ_CHECK(known);
}

// The number at the end of a summary line.
uint32_t summaryValue(std::string_view line) {
  const size_t colon = line.rfind(": ");
  FUZZ_CHECK(colon != std::string_view::npos);
  uint32_t value = 0;
  for (const char c : line.substr(colon + 2)) {
    if (c == ' ') continue;
    FUZZ_CHECK(c >= '0' && c <= '9');
    value = value * 10u + static_cast<uint32_t>(c - '0');
  }
  return value;
}

// The figures of the estimate block add up to its total, in unsigned 32-bit
// arithmetic. Returns the total, none when no estimate was printed.
std::optional<uint32_t> checkSummary(const std::string& out) {
  const size_t start = out.find("\nEstimate of ");
  if (start == std::string::npos) return std::nullopt;
  size_t pos = out.find('\n', start + 1) + 1;
  uint32_t sum = 0;
  for (;;) {
    const size_t end = out.find('\n', pos);
    FUZZ_CHECK(end != std::string::npos);
    const std::string_view line(out.data() + pos, end - pos);
    pos = end + 1;
    if (line == "                          ----") continue;
    if (startsWith(line, "                   Total: ")) {
      FUZZ_CHECK(summaryValue(line) == sum);
      return sum;
    }
    sum += summaryValue(line);
  }
}

// The budget the command line sets, none when it sets none or cannot be
// parsed.
std::optional<uint32_t> budgetOf(const std::vector<std::string>& args) {
  try {
    return parseCommandLine(args).budget;
  } catch (const FatalError&) {
    return std::nullopt;
  }
}

// What the analysis of a run says beside its printed total that the budget
// gate must heed: whether the estimate wrapped around, and how many task
// starts are too small or cannot be checked.
struct GateFacts {
  bool wrapped = false;
  size_t failingTasks = 0;
};

GateFacts gateFacts(const std::vector<std::string>& args,
                    MemoryFileSystem& files) {
  GateFacts facts;
  try {
    const CommandLine line = parseCommandLine(args);
    if (line.help || line.version || !line.project) return facts;
    QuietProgress quiet;
    const std::optional<Analysis> analysis = analyzeProject(
        files, quiet, fixedClock, {*line.project, line.target, line.options});
    if (!analysis) return facts;
    facts.wrapped = estimateWrapped(*analysis);
    for (const TaskStack& stack : analysis->taskStacks) {
      if (stack.fit != StackFit::kFits) ++facts.failingTasks;
    }
  } catch (const FatalError&) {
  }
  return facts;
}

// Whether the estimate line of --budget is printed: the total is over the
// budget, missing, or wrapped.
bool estimateFails(std::optional<uint32_t> budget,
                   std::optional<uint32_t> total, const GateFacts& facts) {
  return budget && (!total || *total > *budget || facts.wrapped);
}

// --budget passes exactly the runs whose printed total fits it, that did
// not wrap, and whose every task start fits; it fails the others with its
// messages.
void checkBudget(const StringConsole& console, int status,
                 std::optional<uint32_t> budget,
                 std::optional<uint32_t> total, const GateFacts& facts) {
  if (!budget || status == 1) {
    FUZZ_CHECK(status != 2);
    return;
  }
  const bool over = estimateFails(budget, total, facts);
  FUZZ_CHECK((status == 2) == (over || facts.failingTasks > 0));
  const std::string& err = console.stderrText();
  FUZZ_CHECK(over == (err.find("Estimated RAM use ") != std::string::npos));
}

// The value of a run of decimal digits, modulo 2^32.
uint32_t numberOf(std::string_view digits) {
  FUZZ_CHECK(!digits.empty());
  uint32_t value = 0;
  for (const char c : digits) {
    FUZZ_CHECK(c >= '0' && c <= '9');
    value = value * 10u + static_cast<uint32_t>(c - '0');
  }
  return value;
}

// The number that ends `text`, after its last blank.
uint32_t lastNumber(std::string_view text) {
  return numberOf(text.substr(text.rfind(' ') + 1));
}

// Checks one step line "  NAME overhead + params + locals = frame", read
// from its end since a name may hold anything but a line end, and returns
// its frame.
uint32_t checkStep(std::string_view line) {
  FUZZ_CHECK(startsWith(line, "  "));
  const size_t equals = line.rfind(" = ");
  FUZZ_CHECK(equals != std::string_view::npos);
  const uint32_t frame = numberOf(line.substr(equals + 3));
  std::string_view rest = line.substr(0, equals);
  uint32_t sum = 0;
  for (int part = 0; part < 2; ++part) {  // the locals, then the parameters
    const size_t plus = rest.rfind(" + ");
    FUZZ_CHECK(plus != std::string_view::npos);
    sum += numberOf(rest.substr(plus + 3));
    rest = rest.substr(0, plus);
  }
  sum += lastNumber(rest);  // the overhead
  FUZZ_CHECK(sum == frame);
  return frame;
}

// Removes the chains of --path from `out` (they follow the estimate's
// total line), checking that each adds up to its total, and returns their
// headings' routine names.
std::vector<std::string> takeChains(std::string& out) {
  std::vector<std::string> starts;
  const size_t total = out.find("\n                   Total: ");
  if (total == std::string::npos) return starts;
  const size_t begin = out.find('\n', total + 1) + 1;
  const std::string_view heading = "\nDeepest call chain from ";
  size_t pos = begin;
  while (out.compare(pos, heading.size(), heading) == 0) {
    size_t end = out.find('\n', pos + 1);
    FUZZ_CHECK(end != std::string::npos);
    const std::string_view header(out.data() + pos + heading.size(),
                                  end - pos - heading.size());
    const size_t open = header.rfind(" (");
    FUZZ_CHECK(open != std::string_view::npos &&
               header.substr(header.size() - 8) == " bytes):");
    starts.emplace_back(header.substr(0, open));
    const uint32_t expected =
        numberOf(header.substr(0, header.size() - 8).substr(open + 2));
    uint32_t sum = 0;
    pos = end + 1;
    while (out.compare(pos, 2, "  ") == 0) {
      end = out.find('\n', pos);
      FUZZ_CHECK(end != std::string::npos);
      sum += checkStep(std::string_view(out.data() + pos, end - pos));
      pos = end + 1;
    }
    FUZZ_CHECK(sum == expected);
  }
  out.erase(begin, pos - begin);
  return starts;
}

// The number of lines that a run ends with after its warnings: the budget's
// verdict when the estimate fails it, one line per task start that fails
// it, and one line per surplus argument. They are counted from the command
// line and the analysis, since a message such as "No public ...() sub
// found." may itself hold any line, one like a verdict included.
size_t linesAfterWarnings(const std::vector<std::string>& args, int status,
                          bool estimateLine, const GateFacts& facts) {
  if (status == 1) return 0;
  size_t lines = estimateLine ? 1 : 0;
  if (budgetOf(args)) lines += facts.failingTasks;
  try {
    for (const std::string& arg : parseCommandLine(args).surplus) {
      lines += 1 + static_cast<size_t>(std::count(arg.begin(), arg.end(), '\n'));
    }
  } catch (const FatalError&) {
  }
  return lines;
}

// The run with --path --check prints what the plain run printed, plus the
// chains after the estimate and warning lines after the report's messages,
// before the budget's and the surplus arguments' ones.
std::vector<std::string> checkExplained(const std::vector<std::string>& args,
                                        int status, bool estimateLine,
                                        const GateFacts& facts,
                                        const StringConsole& plain,
                                        const StringConsole& explained) {
  std::string out = explained.stdoutText();
  std::vector<std::string> starts = takeChains(out);
  FUZZ_CHECK(out == plain.stdoutText());
  const std::vector<std::string_view> before = linesOf(plain.stderrText());
  const std::vector<std::string_view> after = linesOf(explained.stderrText());
  FUZZ_CHECK(after.size() >= before.size());
  const size_t tail = linesAfterWarnings(args, status, estimateLine, facts);
  FUZZ_CHECK(tail <= before.size());
  const size_t head = before.size() - tail;
  const size_t added = after.size() - before.size();
  for (size_t i = 0; i < after.size(); ++i) {
    if (i < head) {
      FUZZ_CHECK(after[i] == before[i]);
    } else if (i < head + added) {
      FUZZ_CHECK(after[i].find(": warning: ") != std::string_view::npos);
    } else {
      FUZZ_CHECK(after[i] == before[i - added]);
    }
  }
  return starts;
}

// Analyses the project again and checks the chains in its table: each step
// is a call of the step before, no step is a call cut as a recursion, the
// frames add up to the total, and the printed chains start where these do.
void checkChainsInTable(const std::vector<std::string>& args,
                        MemoryFileSystem& files,
                        const std::vector<std::string>& printed) {
  CommandLine line;
  try {
    line = parseCommandLine(args);
  } catch (const FatalError&) {
    return;
  }
  if (line.help || line.version) return;
  QuietProgress ignored;
  std::optional<Analysis> found;
  try {
    found = analyzeProject(files, ignored, fixedClock,
                           {*line.project, line.target, line.options});
  } catch (const FatalError&) {
    return;
  }
  if (!found || found->top == nullptr) return;
  const Analysis& analysis = *found;
  const std::vector<const RoutineEntry*> starts = chainStarts(analysis);
  FUZZ_CHECK(starts.size() == printed.size());
  for (size_t s = 0; s < starts.size(); ++s) {
    FUZZ_CHECK(starts[s]->fullName == printed[s]);
    const std::vector<const RoutineEntry*> chain = deepestChain(*starts[s]);
    uint32_t sum = 0;
    for (size_t i = 0; i < chain.size(); ++i) {
      sum += frameBytes(*chain[i]);
      if (i == 0) continue;
      const RoutineRefList* calls = chain[i - 1]->calls;
      FUZZ_CHECK(calls != nullptr);
      FUZZ_CHECK(std::find(calls->items.begin(), calls->items.end(),
                           chain[i]) != calls->items.end());
      FUZZ_CHECK(!analysis.isCut(*chain[i - 1], *chain[i]));
    }
    FUZZ_CHECK(sum == starts[s]->totalBytes);
  }
}

// Whether every double-quoted string of the DOT text closes on the line it
// opens on and holds no control character: a routine or file name must not
// break the graph's syntax.
bool dotStringsClose(std::string_view text) {
  bool inString = false;
  for (size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (!inString) {
      inString = c == '"';
      continue;
    }
    if (c < 0x20) return false;
    if (c == '"') inString = false;
    if (c == '\\') ++i;
  }
  return !inString;
}

bool isValidJsonDocument(const std::string& out) {
  return isValidUtf8(out) && JsonCheck(out).valid();
}

bool isValidDotGraph(const std::string& out) {
  return isValidUtf8(out) && startsWith(out, "digraph memtally {\n") &&
         out.size() >= 2 && out.compare(out.size() - 2, 2, "}\n") == 0 &&
         dotStringsClose(out);
}

// The run with `option` (--json or --dot) added ends as the plain run ended,
// with the same messages; its standard output is one document that `valid`
// accepts, or empty when the run failed.
void checkDocument(const char* option, bool (*valid)(const std::string&),
                   const std::vector<std::string>& args,
                   MemoryFileSystem& files, const StringConsole& plain,
                   int status) {
  std::vector<std::string> documentArgs = {option};
  documentArgs.insert(documentArgs.end(), args.begin(), args.end());
  StringConsole document;
  FUZZ_CHECK(runMemtally(documentArgs, files, document, fixedClock) == status);
  const std::string& out = document.stdoutText();
  if (status == 1) {
    checkFatalMessage(document);
    FUZZ_CHECK(out.empty());
    return;
  }
  if (plain.stdoutText() == kVersionLine ||
      startsWith(plain.stdoutText().substr(std::string_view(kBanner).size()),
                 usageText())) {
    FUZZ_CHECK(out == plain.stdoutText());
    return;
  }
  FUZZ_CHECK(document.stderrText() == plain.stderrText());
  FUZZ_CHECK(valid(out));
}

// The bound-mode run: its status, its estimate and the line after the
// total that says what kind of bound it is, and the gate, which passes only
// an upper bound within the budget.
void checkBound(const std::vector<std::string>& args, MemoryFileSystem& files) {
  std::vector<std::string> boundArgs = {"--bound", "--path", "--check"};
  boundArgs.insert(boundArgs.end(), args.begin(), args.end());
  StringConsole console;
  const int status = runMemtally(boundArgs, files, console, fixedClock);
  const std::optional<uint32_t> budget = budgetOf(args);
  FUZZ_CHECK(status == 0 || status == 1 || (status == 2 && budget));
  if (status == 1) {
    checkFatalMessage(console);
    return;
  }
  const std::string& out = console.stdoutText();
  const std::optional<uint32_t> total = checkSummary(out);
  if (total) {
    const size_t line = out.find('\n', out.find("\n                   Total: ") + 1);
    FUZZ_CHECK(out.compare(line + 1, 11, "This total ") == 0);
    const bool upper =
        out.compare(line + 1, 30, "This total is an upper bound.\n") == 0 ||
        out.compare(line + 1, 29, "This total is an upper bound ") == 0;
    if (budget && status == 0) FUZZ_CHECK(upper && *total <= *budget);
  } else if (budget) {
    FUZZ_CHECK(status == 2);
  }
  checkDocument("--json", isValidJsonDocument, boundArgs, files, console,
                status);
}

}  // namespace
}  // namespace memtally::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace memtally;
  using namespace memtally::fuzz;
  if (size == 0) return 0;
  const uint8_t choice = data[0];
  std::vector<std::string> parts = splitParts(
      std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));
  MemoryFileSystem files;
  files.add("P.bxp", (choice & 0x80 ? "A.bas\nB.bas\n" : "") + parts[0]);
  files.add("A.bas", parts[1]);
  files.add("B.bas", parts[2]);
  files.add("P.mpp", parts[3]);
  files.add("P.mta", parts[6]);
  StringConsole console;
  const std::vector<std::string> args =
      commandLine(choice, parts[4], longOptions(parts[5]));
  const int status = runMemtally(args, files, console, fixedClock);

  FUZZ_CHECK(status == 0 || status == 1 || status == 2);
  const std::string& out = console.stdoutText();
  if (status == 0 && out == kVersionLine) return 0;
  FUZZ_CHECK(startsWith(out, kBanner));
  const std::string_view report =
      std::string_view(out).substr(std::string_view(kBanner).size());
  if (status == 0 && report == usageText()) return 0;
  if (status == 1) {
    checkFatalMessage(console);
  } else {
    FUZZ_CHECK(startsWith(
        report, "Analyzing project \"P.bxp\", Thu Jan 01 00:00:00 1970\n"));
  }
  const std::optional<uint32_t> total = checkSummary(out);
  const GateFacts facts = gateFacts(args, files);
  checkBudget(console, status, budgetOf(args), total, facts);
  const bool estimateLine = estimateFails(budgetOf(args), total, facts);

  std::vector<std::string> explainedArgs = {"--path", "--check"};
  explainedArgs.insert(explainedArgs.end(), args.begin(), args.end());
  StringConsole explained;
  FUZZ_CHECK(runMemtally(explainedArgs, files, explained, fixedClock) ==
             status);
  const std::vector<std::string> starts =
      checkExplained(args, status, estimateLine, facts, console, explained);
  // Only a run that printed an estimate has chains to check in its table.
  if (explained.stdoutText().find("\nEstimate of ") != std::string::npos) {
    checkChainsInTable(args, files, starts);
  }
  checkDocument("--json", isValidJsonDocument, args, files, console, status);
  // The DOT run only when the long options ask for it, to keep the
  // executions of every input cheap.
  if (asksFor(parts[5], "--dot")) {
    checkDocument("--dot", isValidDotGraph, args, files, console, status);
  }
  if (asksFor(parts[5], "--bound")) checkBound(args, files);
  return 0;
}
