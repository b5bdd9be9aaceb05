// Objects named by 32-bit handles, as the DBF library hands them to its
// callers. A handle is never 0, and one that has been removed (or was never
// given out) finds nothing, even after its slot is reused (until the slot
// has been reused 4096 times): callers may hold on to a handle longer than
// they should, and must then read nothing rather than another table's data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace vdimpexp::legacy {

template <typename T>
class HandleTable {
 public:
  explicit HandleTable(std::size_t capacity) : capacity_(capacity) {}

  // The new object's handle, or 0 when `capacity` objects are live.
  std::uint32_t Add(T value) {
    if (live_ >= capacity_) return 0;
    std::uint32_t index;
    if (!free_.empty()) {
      index = free_.back();
      free_.pop_back();
    } else {
      if (slots_.size() >= kMaxSlots) return 0;
      index = static_cast<std::uint32_t>(slots_.size());
      slots_.emplace_back();
    }
    slots_[index].value.emplace(std::move(value));
    ++live_;
    return slots_[index].generation << kIndexBits | (index + 1);
  }

  T* Find(std::uint32_t handle) {
    const std::uint32_t index = (handle & kIndexMask) - 1;
    if ((handle & kIndexMask) == 0 || index >= slots_.size()) return nullptr;
    Slot& slot = slots_[index];
    if (!slot.value || slot.generation != handle >> kIndexBits) return nullptr;
    return &*slot.value;
  }

  // False when `handle` names nothing.
  bool Remove(std::uint32_t handle) {
    if (Find(handle) == nullptr) return false;
    const std::uint32_t index = (handle & kIndexMask) - 1;
    Slot& slot = slots_[index];
    slot.value.reset();
    slot.generation = (slot.generation + 1) & kGenerationMask;
    free_.push_back(index);
    --live_;
    return true;
  }

  std::size_t size() const { return live_; }

 private:
  static constexpr int kIndexBits = 20;
  static constexpr std::uint32_t kIndexMask = (1u << kIndexBits) - 1;
  static constexpr std::uint32_t kGenerationMask = (1u << (32 - kIndexBits)) - 1;
  static constexpr std::size_t kMaxSlots = kIndexMask;

  struct Slot {
    std::optional<T> value;
    std::uint32_t generation = 0;
  };

  std::size_t capacity_;
  std::vector<Slot> slots_;
  std::vector<std::uint32_t> free_;
  std::size_t live_ = 0;
};

}  // namespace vdimpexp::legacy
