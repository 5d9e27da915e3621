#include "scan/call_sites.h"

namespace memtally {

void CallSites::record(RoutineEntry& caller, CallSite site) {
  const uint32_t index = static_cast<uint32_t>(caller.calls->count() - 1);
  // Beyond 2^32 sites (memory runs out long before) they are kept apart.
  const bool room = together_.size() < UINT32_MAX;
  if (index == 0 && room) {
    caller.firstSite = static_cast<uint32_t>(together_.size());
  }
  const bool staysTogether =
      room && caller.siteCount == index &&
      uint64_t{caller.firstSite} + caller.siteCount == together_.size();
  if (staysTogether) {
    together_.push_back(site);
    ++caller.siteCount;
  } else {
    apart_.emplace(std::make_pair(&caller, index), site);
  }
}

CallSite CallSites::find(const RoutineEntry& caller, uint32_t index) const {
  if (index < caller.siteCount) return together_[caller.firstSite + index];
  const auto site = apart_.find(std::make_pair(&caller, index));
  return site == apart_.end() ? CallSite() : site->second;
}

}  // namespace memtally
