#include "data/large_block.h"

#include <cstdint>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace fiscora {

void* AllocateLargeBlock(size_t bytes, size_t& mapped) {
  mapped = MappedLength(bytes);
  if (mapped == 0) return ::operator new(bytes);
#if defined(__linux__)
  // Mapped on its own, so that it goes back to the system when released;
  // one huge page more is reserved to align the block, and given back.
  const size_t reserve = mapped + kLargeBlockAlign;
  void* raw = mmap(nullptr, reserve, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) throw std::bad_alloc();
  char* start = static_cast<char*>(raw);
  char* p = reinterpret_cast<char*>((reinterpret_cast<uintptr_t>(start) + kLargeBlockAlign - 1) &
                                    ~(uintptr_t{kLargeBlockAlign} - 1));
  if (p > start) munmap(start, static_cast<size_t>(p - start));
  char* end = p + mapped;
  if (start + reserve > end) munmap(end, static_cast<size_t>(start + reserve - end));
#if defined(MADV_HUGEPAGE)
  // Only a hint: where huge pages are off, the block stays in small pages.
  madvise(p, mapped, MADV_HUGEPAGE);
#endif
  return p;
#else
  return ::operator new (mapped, std::align_val_t{kLargeBlockAlign});
#endif
}

void ReleaseLargeBlock(void* p, size_t mapped) noexcept {
  if (p == nullptr) return;
  if (mapped == 0) {
    ::operator delete(p);
    return;
  }
#if defined(__linux__)
  munmap(p, mapped);
#else
  ::operator delete (p, std::align_val_t{kLargeBlockAlign});
#endif
}

}  // namespace fiscora
