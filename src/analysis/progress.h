// What the analysis of a project tells whoever shows its progress: the text
// report prints it as it comes, a document run passes on only the messages.
#ifndef MEMTALLY_ANALYSIS_PROGRESS_H_
#define MEMTALLY_ANALYSIS_PROGRESS_H_

#include <ctime>
#include <string>
#include <string_view>

namespace memtally {

// What a message on standard error is about. The analysis produces the
// first three, the run around it the others.
enum class MessageKind {
  kModuleMissing,     // a module file could not be opened and was skipped
  kEmptyModuleName,   // a module was asked for by an empty name
  kTopNotFound,       // the top routine is not in the table
  kBudgetExceeded,    // the estimate exceeds the budget of --budget
  kBudgetUnchecked,   // the estimate could not be checked against it
  kSurplusArgument,   // an argument after the project name is ignored
  kTaskStackTooSmall,   // --budget: a task's stack array is too small
  kTaskStackUnchecked,  // --budget: a task's stack cannot be checked
};

// The name of a kind in the JSON document: "module-missing", ...
std::string_view messageKindName(MessageKind kind);

// A message that does not end the run, with its final newline.
struct Message {
  MessageKind kind;
  std::string text;
};

// Receives the progress of one analysis, in the order it happens.
class Progress {
 public:
  virtual ~Progress() = default;

  // The project file `file` was opened at the local time `time`.
  virtual void projectOpened(std::string_view file, const std::tm& time) = 0;

  // The calls of the module file `file` are about to be scanned.
  virtual void scanningModule(std::string_view file) = 0;

  // A condition produced `message`; the analysis goes on.
  virtual void message(const Message& message) = 0;

  // The module file `file` could not be opened and is skipped.
  void moduleMissing(std::string_view file) {
    message({MessageKind::kModuleMissing,
             "Can't open the BasicX module \"" + std::string(file) + "\".\n"});
  }
};

// Progress that nobody is shown, for tests and tools that want only the
// analysis.
class QuietProgress : public Progress {
 public:
  void projectOpened(std::string_view, const std::tm&) override {}
  void scanningModule(std::string_view) override {}
  void message(const Message&) override {}
};

}  // namespace memtally

#endif  // MEMTALLY_ANALYSIS_PROGRESS_H_
