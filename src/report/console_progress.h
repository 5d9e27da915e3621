// How the progress of an analysis reaches the console: the lines the text
// report shows as the files are read, or only the messages.
#ifndef MEMTALLY_REPORT_CONSOLE_PROGRESS_H_
#define MEMTALLY_REPORT_CONSOLE_PROGRESS_H_

#include "analysis/progress.h"
#include "base/console.h"

namespace memtally {

// The progress of a text report run: the project line and a "  Module:"
// line per module on standard output, as they happen, and the messages on
// standard error.
class ReportProgress : public Progress {
 public:
  explicit ReportProgress(Console& console) : console_(console) {}

  void projectOpened(std::string_view file, const std::tm& time) override;
  void scanningModule(std::string_view file) override;
  void message(const Message& message) override;

 private:
  Console& console_;
};

// The progress of a run whose standard output carries a document: only the
// messages, on standard error.
class DocumentProgress : public Progress {
 public:
  explicit DocumentProgress(Console& console) : console_(console) {}

  void projectOpened(std::string_view, const std::tm&) override {}
  void scanningModule(std::string_view) override {}
  void message(const Message& message) override;

 private:
  Console& console_;
};

}  // namespace memtally

#endif  // MEMTALLY_REPORT_CONSOLE_PROGRESS_H_
