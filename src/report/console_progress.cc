#include "report/console_progress.h"

#include <string>

#include "base/iso_time.h"

namespace memtally {

void ReportProgress::projectOpened(std::string_view file,
                                   const std::tm& time) {
  console_.out("Analyzing project \"" + std::string(file) + "\", " +
               formatTimeStamp(time));
}

void ReportProgress::scanningModule(std::string_view file) {
  console_.out("  Module: \"" + std::string(file) + "\"\n");
}

void ReportProgress::message(const Message& message) {
  console_.err(message.text);
}

void DocumentProgress::message(const Message& message) {
  console_.err(message.text);
}

}  // namespace memtally
