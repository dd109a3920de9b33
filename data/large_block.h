// Large blocks: the memory of the big, long-lived blocks (a table's cells,
// texts and row lists, a reader's buffer). A block of kHugeFrom bytes or
// more is mapped on its own, aligned to 2 MiB, and the system is asked to
// back its whole 2 MiB stretches by huge pages (the rest of it stays in
// small pages); a smaller one is plain memory. Either kind is resident page
// by page as it is touched. A file of a million lines fills tables of tens
// of megabytes: in pages of 4 KiB each page costs a fault when it is first
// touched (dear on a virtual machine), and lookups all over the tables miss
// the address cache. The tables keep their first block small, so a small
// table keeps only what it uses.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace fiscora {

inline constexpr size_t kLargeBlockAlign = size_t{2} << 20;
inline constexpr size_t kHugeFrom = size_t{1} << 20;
inline constexpr size_t kPageBytes = 4096;

// Uninitialised memory of `bytes`. `mapped` is set to the length of what
// was mapped for it (a block of at least kHugeFrom bytes, rounded up), 0 for
// plain memory, for ReleaseLargeBlock.
void* AllocateLargeBlock(size_t bytes, size_t& mapped);
void ReleaseLargeBlock(void* p, size_t mapped) noexcept;
// What AllocateLargeBlock maps for `bytes`.
constexpr size_t MappedLength(size_t bytes) {
  if (bytes < kHugeFrom) return 0;
  if (bytes < kLargeBlockAlign) return kLargeBlockAlign;
  return (bytes + kPageBytes - 1) / kPageBytes * kPageBytes;
}

struct LargeBlockFree {
  size_t mapped = 0;
  void operator()(void* p) const noexcept { ReleaseLargeBlock(p, mapped); }
};

template <class T>
using LargeBlock = std::unique_ptr<T[], LargeBlockFree>;

template <class T>
LargeBlock<T> MakeLargeBlock(size_t count) {
  size_t mapped = 0;
  void* p = AllocateLargeBlock(count * sizeof(T), mapped);
  return LargeBlock<T>(static_cast<T*>(p), LargeBlockFree{mapped});
}

// The allocator of a container that may grow large (a table's row lists,
// its hash indexes).
template <class T>
struct LargeAllocator {
  using value_type = T;
  LargeAllocator() = default;
  template <class U>
  LargeAllocator(const LargeAllocator<U>&) noexcept {}
  T* allocate(size_t n) {
    size_t mapped = 0;
    return static_cast<T*>(AllocateLargeBlock(n * sizeof(T), mapped));
  }
  void deallocate(T* p, size_t n) noexcept { ReleaseLargeBlock(p, MappedLength(n * sizeof(T))); }
  template <class U>
  bool operator==(const LargeAllocator<U>&) const noexcept {
    return true;
  }
};

template <class T>
using LargeVector = std::vector<T, LargeAllocator<T>>;

}  // namespace fiscora
