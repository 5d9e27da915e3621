// A compact open-addressing hash index for the routine table's lookups.
#ifndef MEMTALLY_ROUTINES_FLAT_INDEX_H_
#define MEMTALLY_ROUTINES_FLAT_INDEX_H_

#include <cstdint>
#include <string_view>
#include <vector>

namespace memtally {

// Hashes a name for the index (FNV-1a, 64 bits; never 0).
inline uint64_t hashName(std::string_view name) {
  uint64_t hash = 0xcbf29ce484222325ULL;
  for (const char c : name) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3ULL;
  }
  return hash | 1;
}

// Values found by hash, with the key comparison left to the caller: the
// keys live in the routine entries, so the index holds only each value and
// its key's hash, in one flat array probed linearly.
template <typename Value>
class FlatIndex {
 public:
  // Removes every value.
  void clear() {
    slots_.clear();
    count_ = 0;
  }

  // Returns the value with hash `hash` for which `matches(value)` holds, or
  // null when there is none.
  template <typename Match>
  const Value* find(uint64_t hash, Match matches) const {
    if (slots_.empty()) return nullptr;
    const size_t mask = slots_.size() - 1;
    for (size_t i = hash & mask;; i = (i + 1) & mask) {
      const Slot& slot = slots_[i];
      if (slot.hash == 0) return nullptr;
      if (slot.hash == hash && matches(slot.value)) return &slot.value;
    }
  }

  // Makes room for `count` values in all, so that adding them never grows
  // the index again.
  void reserve(size_t count) {
    size_t size = slots_.empty() ? 8 : slots_.size();
    while (count * 2 > size) size *= 2;
    if (size > slots_.size()) rehash(size);
  }

  // Adds a value whose key is not in the index yet.
  void insert(uint64_t hash, const Value& value) {
    if ((count_ + 1) * 2 > slots_.size()) grow();
    place(hash, value);
    ++count_;
  }

 private:
  struct Slot {
    uint64_t hash = 0;  // 0: the slot is free
    Value value{};
  };

  void place(uint64_t hash, const Value& value) {
    const size_t mask = slots_.size() - 1;
    size_t i = hash & mask;
    while (slots_[i].hash != 0) i = (i + 1) & mask;
    slots_[i].hash = hash;
    slots_[i].value = value;
  }

  void grow() { rehash(slots_.empty() ? 8 : slots_.size() * 2); }

  void rehash(size_t size) {
    std::vector<Slot> old;
    old.swap(slots_);
    slots_.resize(size);
    for (const Slot& slot : old) {
      if (slot.hash != 0) place(slot.hash, slot.value);
    }
  }

  std::vector<Slot> slots_;  // a power of two in size, at most half full
  size_t count_ = 0;
};

}  // namespace memtally

#endif  // MEMTALLY_ROUTINES_FLAT_INDEX_H_
