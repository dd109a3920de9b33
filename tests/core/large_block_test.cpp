// Large blocks: plain or mapped by size, and a container that grows through
// both kinds keeps what it holds.
#include "data/large_block.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <numeric>

namespace fiscora {
namespace {

TEST(LargeBlock, EachSizeIsWholeAndABigOneIsAligned) {
  for (size_t bytes : {size_t{1}, kHugeFrom - 1, kHugeFrom, kLargeBlockAlign - 1, kLargeBlockAlign,
                       3 * kLargeBlockAlign + 5}) {
    LargeBlock<unsigned char> block = MakeLargeBlock<unsigned char>(bytes);
    ASSERT_NE(block.get(), nullptr) << bytes;
    EXPECT_EQ(block.get_deleter().mapped != 0, bytes >= kHugeFrom) << bytes;
    if (bytes >= kHugeFrom) {
      EXPECT_EQ(reinterpret_cast<uintptr_t>(block.get()) % kLargeBlockAlign, 0u) << bytes;
    }
    // Every byte can be written and read back.
    for (size_t i = 0; i < bytes; ++i) block[i] = static_cast<unsigned char>(i * 7);
    for (size_t i = 0; i < bytes; ++i)
      ASSERT_EQ(block[i], static_cast<unsigned char>(i * 7)) << bytes << " at " << i;
  }
}

TEST(LargeBlock, AVectorGrowingThroughBothKindsKeepsItsValues) {
  LargeVector<uint64_t> values;
  const size_t count = 3 * kLargeBlockAlign / sizeof(uint64_t);
  for (size_t i = 0; i < count; ++i) values.push_back(i * i);
  for (size_t i = 0; i < count; ++i) ASSERT_EQ(values[i], i * i) << i;
  LargeVector<uint64_t> copy = values;
  values.clear();
  values.shrink_to_fit();
  EXPECT_EQ(copy.size(), count);
  EXPECT_EQ(copy.back(), (count - 1) * (count - 1));
}

}  // namespace
}  // namespace fiscora
