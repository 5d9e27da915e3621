// A hint to start loading memory that is read soon.
#ifndef MEMTALLY_BASE_PREFETCH_H_
#define MEMTALLY_BASE_PREFETCH_H_

namespace memtally {

// Starts loading the cache line at `address`; never faults, whatever the
// address. Walks that jump around a large table hide their cache misses so.
inline void prefetch(const void* address) {
#if defined(__GNUC__)
  __builtin_prefetch(address);
#else
  (void)address;
#endif
}

}  // namespace memtally

#endif  // MEMTALLY_BASE_PREFETCH_H_
