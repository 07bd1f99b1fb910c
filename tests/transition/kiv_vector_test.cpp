#include <gtest/gtest.h>

#include "KavroHostRecords.h"
#include "KivVector.h"

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
