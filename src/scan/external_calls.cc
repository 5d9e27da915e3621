#include "scan/external_calls.h"

#include "base/chars.h"

namespace memtally {

std::optional<uint32_t> ExternalCalls::find(std::string_view name) const {
  const std::string folded = foldedCopy(name);
  const auto found = byName_.find(folded);
  if (found == byName_.end()) return std::nullopt;
  return found->second;
}

uint32_t ExternalCalls::add(std::string_view name) {
  // A call of a known routine, the common case, folds into a buffer that
  // only grows.
  folded_.clear();
  appendFolded(folded_, name);
  const auto found = byName_.find(folded_);
  if (found != byName_.end()) return found->second;
  const uint32_t index = static_cast<uint32_t>(routines_.size());
  routines_.push_back({std::string(name), folded_, {}});
  byName_.emplace(routines_.back().folded, index);
  return index;
}

uint32_t ExternalCalls::record(const RoutineEntry& caller,
                               std::string_view name,
                               std::optional<CallSite> site) {
  const uint32_t index = add(name);
  ExternalRoutine& routine = routines_[index];
  if (routine.lastCaller != &caller) {
    routine.lastCaller = &caller;
    calls_.push_back({&caller, index});
    if (site.has_value()) routine.sites.push_back(*site);
  }
  return index;
}

}  // namespace memtally
