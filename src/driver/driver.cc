#include "driver/driver.h"

#include <new>

#include "base/fatal.h"
#include "base/options.h"
#include "base/version.h"
#include "driver/command_line.h"
#include "report/budget.h"
#include "report/console_progress.h"
#include "report/dot_report.h"
#include "report/json_report.h"
#include "report/text_report.h"

namespace memtally {
namespace {

// Prints the warnings of --check on standard error, in their order.
void printWarnings(Console& console, const WarningLog& warnings) {
  std::string text;
  for (const Warning& warning : warnings.ordered()) {
    text += formatWarning(warning);
  }
  if (!text.empty()) console.err(text);
}

// Parses the command line into `line`. A run that goes wrong there still
// shows the banner before its message, as every report run does, unless it
// asked for a document, which leaves standard output empty on failure.
void parseOrShowBanner(const std::vector<std::string>& args, Console& console,
                       CommandLine& line) {
  try {
    parseArguments(args, line);
  } catch (const FatalError&) {
    if (!line.document()) console.out(kBanner);
    throw;
  }
}

// What a run says after its report or document: the budget's verdict, when
// --budget was given and the estimate does not pass, then a message for
// every surplus argument; and the exit status.
struct Closing {
  std::vector<Message> messages;
  int status = 0;
};

// The closing of a run whose analysis is `analysis` (null: none ran).
Closing closeRun(const CommandLine& line, const Analysis* analysis) {
  Closing closing;
  if (line.budget) {
    const BudgetVerdict verdict = judgeBudget(analysis, *line.budget);
    if (!verdict.message.empty()) {
      closing.messages.push_back({verdict.cannotCheck.empty()
                                      ? MessageKind::kBudgetExceeded
                                      : MessageKind::kBudgetUnchecked,
                                  verdict.message});
    }
    closing.messages.insert(closing.messages.end(), verdict.tasks.begin(),
                            verdict.tasks.end());
    closing.status = verdict.status;
  }
  for (const std::string& arg : line.surplus) {
    closing.messages.push_back({MessageKind::kSurplusArgument,
                                "Superfluous option \"" + arg + "\" ignored.\n"});
  }
  return closing;
}

// Analyses the project and writes the document asked for. Every message goes
// to standard error, and standard output gets nothing unless the analysis is
// complete. Returns the analysis; none for an empty project name.
std::optional<Analysis> writeDocument(FileSystem& files, Console& console,
                                      const Clock& clock,
                                      const CommandLine& line) {
  // A script that asks for a document must get one or an error: an empty
  // project name, which a text report passes over, is the latter.
  if (line.project->empty()) {
    throw FatalError("No BasicX project specified.\n");
  }
  DocumentProgress progress(console);
  // The document holds the callers whatever was asked.
  std::optional<Analysis> analysis = analyzeProject(
      files, progress, clock,
      {*line.project, line.target, line.options | OPT_CALLERS, line.bound,
       line.annotations});
  if (!analysis) return analysis;
  if (line.json) {
    // The document says what standard error will say after it.
    writeJsonReport(console, *analysis, line.budget,
                    closeRun(line, &*analysis).messages);
  } else {
    writeDotReport(console, *analysis, (line.options & OPT_UNUSED) != 0);
  }
  if (line.check) printWarnings(console, analysis->warnings);
  return analysis;
}

// Analyses the project and prints the text report, then the warnings of
// --check. Returns the analysis; none for an empty project name.
std::optional<Analysis> processProject(FileSystem& files, Console& console,
                                    const Clock& clock,
                                    const CommandLine& line) {
  ReportProgress progress(console);
  std::optional<Analysis> analysis = analyzeProject(
      files, progress, clock,
      {*line.project, line.target, line.options, line.bound, line.annotations});
  if (!analysis) return analysis;
  writeTextReport(console, *analysis, line.options, line.path, line.tasks);
  if (line.check) printWarnings(console, analysis->warnings);
  return analysis;
}

// Carries out what the command line, parsed into `line`, asks for and
// returns the exit status; fatal conditions leave as FatalError.
int runCommandLine(const std::vector<std::string>& args, FileSystem& files,
                   Console& console, const Clock& clock, CommandLine& line) {
  parseOrShowBanner(args, console, line);
  if (line.version) {
    console.out(kVersionLine);
    return 0;
  }
  if (line.help) {
    console.out(kBanner);
    console.out(usageText());
    return 0;
  }
  if (!line.document()) console.out(kBanner);
  const std::optional<Analysis> analysis =
      line.document() ? writeDocument(files, console, clock, line)
                      : processProject(files, console, clock, line);
  const Closing closing = closeRun(line, analysis ? &*analysis : nullptr);
  for (const Message& message : closing.messages) console.err(message.text);
  return closing.status;
}

}  // namespace

int runMemtally(const std::vector<std::string>& args, FileSystem& files,
                Console& console, const Clock& clock) {
  CommandLine line;
  int status = 0;
  try {
    status = runCommandLine(args, files, console, clock, line);
  } catch (const FatalError& error) {
    // A document run keeps standard output for the document: its fatal
    // messages all go to standard error.
    console.write(line.document() ? Stream::kErr : error.stream(),
                  error.message());
    status = 1;
  } catch (const std::bad_alloc&) {
    // Allocations of the routine table report themselves; this covers the
    // rest (line buffers, report text).
    console.err("Out of memory attempting to analyze the project.\n");
    status = 1;
  }
  const std::string failure = console.finish();
  if (!failure.empty()) {
    console.err("memtally: error writing standard output: " + failure + "\n");
    status = 1;
  }
  return status;
}

}  // namespace memtally
