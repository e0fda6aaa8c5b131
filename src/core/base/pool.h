#pragma once
// Room for objects of one size, made by the block and handed out from a free list. For
// objects made and freed by the thousand together (the signals of a loaded image, then of
// the image that replaces it): the general heap would split and merge its chunks for each
// of them. Blocks are kept for the next load and freed with the pool.
#include <cstddef>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

// g++ says AddressSanitizer by a macro, clang by a feature.
#if defined(__SANITIZE_ADDRESS__)
#define VILK_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VILK_ASAN 1
#endif
#endif

#if defined(VILK_ASAN)
#include <sanitizer/asan_interface.h>
#define VILK_POOL_POISON(p, n) ASAN_POISON_MEMORY_REGION(p, n)
#define VILK_POOL_UNPOISON(p, n) ASAN_UNPOISON_MEMORY_REGION(p, n)
#else
#define VILK_POOL_POISON(p, n) ((void)(p), (void)(n))
#define VILK_POOL_UNPOISON(p, n) ((void)(p), (void)(n))
#endif

namespace vilk {

template <std::size_t kSize, std::size_t kAlign, std::size_t kPerBlock = 1024>
class FixedPool {
 public:
  FixedPool() = default;
  FixedPool(const FixedPool&) = delete;
  FixedPool& operator=(const FixedPool&) = delete;
  ~FixedPool() {
    for (Slot* block : blocks_) {
      VILK_POOL_UNPOISON(block, sizeof(Slot) * kPerBlock);
      ::operator delete (block, std::align_val_t{alignof(Slot)});
    }
  }

  void* Take() {
    std::lock_guard lock(mutex_);
    if (!free_) Grow();
    Slot* slot = free_;
    VILK_POOL_UNPOISON(slot, sizeof(Slot));
    free_ = slot->Next;
    ++inUse_;
    return slot;
  }

  // A freed slot is poisoned in a sanitizer build: a use after free is still caught.
  void Give(void* p) {
    if (!p) return;
    std::lock_guard lock(mutex_);
    auto* slot = static_cast<Slot*>(p);
    slot->Next = free_;
    free_ = slot;
    --inUse_;
    VILK_POOL_POISON(slot, sizeof(Slot));
  }

  std::size_t InUse() const {
    std::lock_guard lock(mutex_);
    return inUse_;
  }
  std::size_t Blocks() const {
    std::lock_guard lock(mutex_);
    return blocks_.size();
  }

 private:
  union Slot {
    Slot* Next;
    alignas(kAlign) unsigned char Storage[kSize];
  };

  void Grow() {
    blocks_.reserve(blocks_.size() + 1);  // no block is lost if this throws
    auto* block = static_cast<Slot*>(
        ::operator new (sizeof(Slot) * kPerBlock, std::align_val_t{alignof(Slot)}));
    blocks_.push_back(block);
    // Linked so that the block is handed out from its start.
    for (std::size_t i = kPerBlock; i-- > 0;) {
      block[i].Next = free_;
      free_ = &block[i];
    }
    for (std::size_t i = 0; i < kPerBlock; ++i) VILK_POOL_POISON(&block[i], sizeof(Slot));
  }

  mutable std::mutex mutex_;
  Slot* free_ = nullptr;
  std::size_t inUse_ = 0;
  std::vector<Slot*> blocks_;
};

}  // namespace vilk
