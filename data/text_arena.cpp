#include "data/text_arena.h"

namespace fiscora {

uint64_t TextArena::StoreInArena(std::string_view s) {
  if (used_ + s.size() > capacity_) {
    capacity_ = blocks_.empty() ? kFirstBlockBytes : kMaxBlockBytes;
    blocks_.push_back(MakeLargeBlock<char>(capacity_));
    used_ = 0;
  }
  uint64_t off = (static_cast<uint64_t>(blocks_.size() - 1) << kBlockShift) | used_;
  std::memcpy(blocks_.back().get() + used_, s.data(), s.size());
  used_ += s.size();
  bytes_ += s.size();
  return off | (static_cast<uint64_t>(s.size()) << 40);
}

void TextArena::Clear() {
  blocks_.clear();
  blocks_.shrink_to_fit();
  used_ = capacity_ = bytes_ = garbage_ = 0;
}

}  // namespace fiscora
