// TextArena: where a table keeps the texts of its text cells.
//
// A text cell is 8 bytes. A text of up to 7 bytes sits in the cell itself:
// the top bit set, its length in the other 7 bits of the top byte, its
// bytes from the lowest address (little endian). A longer text lives in the
// arena, in blocks that never split a text: the cell holds the offset
// (block << 22 | position) in its low 40 bits and the length in the next
// 16, the top bit clear. The first block is of 64 KiB, in plain memory, so
// that a small table's texts take little; the others are of 4 MiB, in huge
// pages (data/large_block.h).
//
// Texts are never moved or freed one by one: a text replaced or deleted is
// Released (counted as garbage), and the owner compacts by storing its live
// texts into a fresh arena when WantsCompaction says so.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "data/large_block.h"

static_assert(std::endian::native == std::endian::little, "text cells assume little endian");

namespace fiscora {

class TextArena {
 public:
  // The first block holds the longest text a cell can name.
  static constexpr size_t kFirstBlockBytes = size_t{64} << 10;
  static constexpr unsigned kBlockShift = 22;
  static constexpr size_t kMaxBlockBytes = size_t{1} << kBlockShift;

  static bool IsInline(uint64_t cell) { return (cell >> 63) != 0; }

  // The cell for a text (at most 65,535 bytes), stored in the arena when
  // it does not fit in the cell.
  uint64_t Store(std::string_view s) {
    if (s.size() > 7) return StoreInArena(s);
    uint64_t cell = (uint64_t{0x80} | s.size()) << 56;
    std::memcpy(&cell, s.data(), s.size());
    return cell;
  }

  // The text of a cell. An inline text is a view of the cell itself: the
  // cell must stay where it is while the view is used.
  std::string_view Text(const uint64_t& cell) const {
    if (IsInline(cell))
      return std::string_view(reinterpret_cast<const char*>(&cell), (cell >> 56) & 0x7F);
    uint64_t off = cell & kOffsetMask;
    return std::string_view(blocks_[off >> kBlockShift].get() + (off & (kMaxBlockBytes - 1)),
                            ArenaLength(cell));
  }

  // The cell's text is no longer referenced by its owner.
  void Release(uint64_t cell) {
    if (!IsInline(cell)) garbage_ += ArenaLength(cell);
  }

  // More than 1 MiB, and more than half of what is stored, is garbage.
  bool WantsCompaction() const { return garbage_ > (size_t{1} << 20) && garbage_ > bytes_ / 2; }

  // Forgets every text and gives the memory back.
  void Clear();

 private:
  static constexpr uint64_t kOffsetMask = (uint64_t{1} << 40) - 1;
  static size_t ArenaLength(uint64_t cell) { return (cell >> 40) & 0xFFFF; }
  uint64_t StoreInArena(std::string_view s);

  std::vector<LargeBlock<char>> blocks_;
  size_t used_ = 0;      // bytes used in the last block
  size_t capacity_ = 0;  // the last block's size
  size_t bytes_ = 0;     // bytes stored in all blocks
  size_t garbage_ = 0;   // bytes no longer referenced
};

}  // namespace fiscora
