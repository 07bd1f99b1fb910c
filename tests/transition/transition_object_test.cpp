// How parameters reach the mask source, seen from inside the plug-in.
#include <gtest/gtest.h>

#include "KavroVideoTransitionMask.h"
#include "MaskImageFactory.h"
#include "TestPaths.h"

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

}  // namespace
