#include <gtest/gtest.h>

#include "transition/host_api/KavroHostRecords.h"
#include "transition/host_api/KivVector.h"

TEST(KivVector, KeepsOneSlotFreeAndDoublesWhenTheLastWouldFill) {
  kiv::vector<KIV_COLOR_FORMAT> list(16);
  ASSERT_NE(list.items, nullptr);
  EXPECT_EQ(list.count, 0u);
  EXPECT_EQ(list.capacity, 16u);
  for (int i = 0; i < 15; ++i) ASSERT_TRUE(list.add(static_cast<KIV_COLOR_FORMAT>(i)));
  EXPECT_EQ(list.count, 15u);
  EXPECT_EQ(list.capacity, 16u) << "fifteen values still fit with one slot spare";
  ASSERT_TRUE(list.add(static_cast<KIV_COLOR_FORMAT>(15)));
  EXPECT_EQ(list.count, 16u);
  EXPECT_EQ(list.capacity, 32u) << "the sixteenth value doubles the array";
  for (int i = 16; i < 40; ++i) ASSERT_TRUE(list.add(static_cast<KIV_COLOR_FORMAT>(i)));
  EXPECT_EQ(list.capacity, 64u);
  for (uint32_t i = 0; i < list.count; ++i) EXPECT_EQ(list.items[i], static_cast<KIV_COLOR_FORMAT>(i));
}

TEST(KivVector, StartsOverWhenItsFirstArrayWasNeverAllocated) {
  kiv::vector<KIV_COLOR_FORMAT> list(0);  // as if the first allocation had failed
  EXPECT_EQ(list.capacity, 0u);
  ASSERT_TRUE(list.add(COLOR_FORMAT_YUV422_ALPHA));
  EXPECT_EQ(list.count, 1u);
  EXPECT_GE(list.capacity, 2u);
  EXPECT_EQ(list.items[0], COLOR_FORMAT_YUV422_ALPHA);
}

// The fields are the host's to see; a list that claims a capacity whose byte
// size cannot be represented must not wrap into a tiny or zero reallocation.
TEST(KivVector, GrowthThatCannotBeRepresentedFailsAndKeepsTheList) {
  kiv::vector<KIV_COLOR_FORMAT> list(16);
  ASSERT_NE(list.items, nullptr);
  ASSERT_TRUE(list.add(COLOR_FORMAT_YUV422_ALPHA));
  KIV_COLOR_FORMAT* items = list.items;
  // Doubling 2^31 slots does not fit the 32-bit capacity.
  list.capacity = 0x80000000u;
  list.count = list.capacity - 1;
  EXPECT_FALSE(list.add(COLOR_FORMAT_YUV422_ALPHA));
  EXPECT_EQ(list.items, items) << "the array is kept";
  EXPECT_EQ(list.capacity, 0x80000000u);
  EXPECT_EQ(list.count, 0x7FFFFFFFu);
  EXPECT_EQ(list.items[0], COLOR_FORMAT_YUV422_ALPHA);
  if (sizeof(size_t) == 4) {
    // 2^30 slots double to 2^31, whose four-byte slots do not fit a 32-bit size.
    list.capacity = 0x40000000u;
    list.count = list.capacity - 1;
    EXPECT_FALSE(list.add(COLOR_FORMAT_YUV422_ALPHA));
    EXPECT_EQ(list.items, items);
    EXPECT_EQ(list.capacity, 0x40000000u);
    EXPECT_EQ(list.items[0], COLOR_FORMAT_YUV422_ALPHA);
  }
  list.count = 1;
  list.capacity = 16;  // the real array again, so the destructor frees what was allocated
}

TEST(KivVector, AFirstArrayWhoseSizeCannotBeRepresentedIsNotMade) {
  if (sizeof(size_t) != 4) GTEST_SKIP() << "every 32-bit capacity fits a 64-bit size";
  kiv::vector<KIV_COLOR_FORMAT> list(0x40000001u);  // 4 * (2^30 + 1) wraps to 4 bytes
  EXPECT_EQ(list.capacity, 0u);
  EXPECT_EQ(list.count, 0u);
  ASSERT_TRUE(list.add(COLOR_FORMAT_YUV422_ALPHA)) << "the list starts over at the next value";
  ASSERT_TRUE(list.add(COLOR_FORMAT_YUV422_ALPHA));
  EXPECT_GE(list.capacity, 3u);
  EXPECT_EQ(list.items[1], COLOR_FORMAT_YUV422_ALPHA);
}
