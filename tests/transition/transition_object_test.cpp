// How parameters reach the mask source, seen from inside the plug-in.
#include <gtest/gtest.h>

#include <vector>

#include "masks/MaskImageFactory.h"
#include "masks/Pelt.h"
#include "tests/support/TestPaths.h"
#include "transition/KavroVideoTransitionMask.h"

namespace {

void Select(KavroVideoTransitionMask& transition, uint32_t maskIndex, uint8_t reverse) {
  MaskParameters block = {maskIndex, 0, reverse, {0, 0}};
  ParameterDescriptor descriptor = {&block, sizeof block};
  transition.SetParameters(&descriptor);
}

class TransitionObject : public ::testing::Test {
 protected:
  void SetUp() override {
    std::wstring plugin = TestDirectory() + SharedLibraryFileName(L"kiv_complete");
    source = new MaskImageFactory(plugin.c_str());
    ASSERT_NE(source->GetResourceModule(), nullptr);
    transition = new KavroVideoTransitionMask(source);
  }
  void TearDown() override { transition->Release(); }

  MaskImageFactory* source = nullptr;
  KavroVideoTransitionMask* transition = nullptr;
};

TEST_F(TransitionObject, StartsWithTheFirstMaskPlayedForward) {
  ASSERT_EQ(source->GetFrameTable().size(), 479u);
  EXPECT_EQ(source->GetFrameTable().front(), 10000);
  EXPECT_FALSE(source->reverse);
}

TEST_F(TransitionObject, AValidIndexRebuildsTheTableAndTakesTheReverseFlag) {
  Select(*transition, 2, 1);
  ASSERT_EQ(source->GetFrameTable().size(), 210u);
  EXPECT_EQ(source->GetFrameTable().front(), 10691);
  EXPECT_TRUE(source->reverse);

  Select(*transition, 1, 0);
  EXPECT_EQ(source->GetFrameTable().front(), 10480);
  EXPECT_FALSE(source->reverse);
}

TEST_F(TransitionObject, AnIndexOutOfRangeLeavesTheMaskSourceAlone) {
  Select(*transition, 2, 1);
  for (uint32_t index : {3u, 4u, 0x80000000u, 0xFFFFFFFFu}) {
    Select(*transition, index, 0);
    EXPECT_EQ(source->GetFrameTable().size(), 210u);
    EXPECT_EQ(source->GetFrameTable().front(), 10691);
    EXPECT_TRUE(source->reverse) << "index " << index;
    EXPECT_EQ(static_cast<MaskParameters*>(transition->GetParameters()->data)->maskIndex, index);
  }
}

TEST_F(TransitionObject, BlendsARowUnderTheMaskImageWithItsOwnInvertFlag) {
  // One pixel pair with opaque output alpha: stored mask 0 then 255.
  TImage mask;
  ASSERT_NE(mask.Create(2, 1, pf8bit, 0), nullptr);
  mask.GetBits()[0] = 0;
  mask.GetBits()[1] = 255;
  const uint8_t work[6] = {10, 20, 30, 40, 200, 100};
  auto blend = [&](uint8_t invert) {
    MaskParameters block = {0, invert, 0, {0, 0}};
    ParameterDescriptor descriptor = {&block, sizeof block};
    transition->SetParameters(&descriptor);
    uint8_t output[6] = {110, 120, 130, 140, 255, 255};
    transition->BlendRowYUV422Alpha(output, work, 0, 4, &mask, 0, 4);
    return std::vector<uint8_t>(output, output + 6);
  };
  // Not inverted: stored 0 shows source B, stored 255 keeps source A.
  EXPECT_EQ(blend(0), (std::vector<uint8_t>{10, 70, 130, 90, 255, 255}));
  // Inverted: the other way round.
  EXPECT_EQ(blend(1), (std::vector<uint8_t>{110, 70, 30, 90, 255, 255}));
  // Without a mask image nothing is touched.
  uint8_t output[6] = {1, 2, 3, 4, 5, 6};
  transition->BlendRowYUV422Alpha(output, work, 0, 4, nullptr, 0, 4);
  EXPECT_EQ(std::vector<uint8_t>(output, output + 6), (std::vector<uint8_t>{1, 2, 3, 4, 5, 6}));
}

}  // namespace
