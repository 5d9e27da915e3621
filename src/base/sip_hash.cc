#include "base/sip_hash.h"

#include <chrono>
#include <exception>
#include <random>

namespace memtally {
namespace {

uint64_t draw64(std::random_device& device) {
  const uint64_t high = device();
  return (high << 32) ^ device();
}

}  // namespace

SipKey randomSipKey() {
  try {
    std::random_device device;
    return {draw64(device), draw64(device)};
  } catch (const std::exception&) {
    // No entropy source: the clock and where the stack lies still differ
    // from run to run.
    const uint64_t now = static_cast<uint64_t>(
        std::chrono::steady_clock::now().time_since_epoch().count());
    int local = 0;
    return {now, reinterpret_cast<uintptr_t>(&local) * 0x9e3779b97f4a7c15ULL};
  }
}

}  // namespace memtally
