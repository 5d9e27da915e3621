#include "analysis/progress.h"

namespace memtally {

std::string_view messageKindName(MessageKind kind) {
  switch (kind) {
    case MessageKind::kModuleMissing:
      return "module-missing";
    case MessageKind::kEmptyModuleName:
      return "empty-module-name";
    case MessageKind::kTopNotFound:
      return "top-not-found";
    case MessageKind::kBudgetExceeded:
      return "budget-exceeded";
    case MessageKind::kBudgetUnchecked:
      return "budget-unchecked";
    case MessageKind::kSurplusArgument:
      return "surplus-argument";
    case MessageKind::kTaskStackTooSmall:
      return "task-stack-too-small";
    case MessageKind::kTaskStackUnchecked:
      return "task-stack-unchecked";
  }
  return "unknown";
}

}  // namespace memtally
