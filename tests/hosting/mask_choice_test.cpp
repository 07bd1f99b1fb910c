// How every host names the masks and spreads their frames over a transition.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "hosting/HostingError.h"
#include "hosting/MaskChoice.h"

using namespace kavro;

namespace {

TEST(MaskChoice, FindsMasksByIndexOrByTheStartOfTheirName) {
  EXPECT_EQ(ResolveMask("0"), 0u);
  EXPECT_EQ(ResolveMask("2"), 2u);
  EXPECT_EQ(ResolveMask("mask_paper"), 0u);
  EXPECT_EQ(ResolveMask("paper"), 0u);
  EXPECT_EQ(ResolveMask("P"), 0u);
  EXPECT_EQ(ResolveMask("WAFU1"), 1u);
  EXPECT_EQ(ResolveMask("mask_wafu2 (210"), 2u);
  EXPECT_THROW(ResolveMask("3"), HostingError);
  EXPECT_THROW(ResolveMask("0000000000000001"), HostingError);
  EXPECT_THROW(ResolveMask("mask_"), HostingError);
  EXPECT_THROW(ResolveMask(""), HostingError);
}

TEST(MaskChoice, SpreadsTheWholeAnimationOverTheTransition) {
  // 60 frames over 479 mask frames: first to first, last to last, the rest rounded.
  EXPECT_EQ(MaskFrameAtPosition(0, 60, 479), 0u);
  EXPECT_EQ(MaskFrameAtPosition(59, 60, 479), 478u);
  EXPECT_EQ(MaskFrameAtPosition(1, 60, 479), 8u);     // 478 / 59 = 8.1
  EXPECT_EQ(MaskFrameAtPosition(30, 60, 479), 243u);  // 30 * 478 / 59 = 243.05
  // Longer transitions than animations repeat mask frames.
  EXPECT_EQ(MaskFrameAtPosition(1, 421, 211), 1u);  // 0.5 rounds up
  EXPECT_EQ(MaskFrameAtPosition(420, 421, 211), 210u);
  EXPECT_EQ(MaskFrameAtPosition(0, 1, 479), 0u);
}

TEST(MaskChoice, MaskFramesHoldAtTheTransitionsEnds) {
  const uint32_t frames = MaskFrameCount(1);
  EXPECT_EQ(MaskFrameAtPosition(0, 30, frames), 0u);
  EXPECT_EQ(MaskFrameAtPosition(29, 30, frames), frames - 1);
  EXPECT_EQ(MaskFrameAtPosition(15, 30, frames), 108u);
  EXPECT_EQ(MaskFrameAtPosition(-4, 30, frames), 0u);
  EXPECT_EQ(MaskFrameAtPosition(200, 30, frames), frames - 1);
  EXPECT_EQ(MaskFrameAtPosition(3, 1, frames), 0u);
  // Halfway, 104.5 frames in, without overflow.
  EXPECT_EQ(MaskFrameAtPosition(INT32_MAX / 2, INT32_MAX, frames), 105u);
  EXPECT_EQ(MaskFrameAtPosition(INT32_MAX, INT32_MAX, frames), frames - 1);

  EXPECT_EQ(MaskFrameAtProgress(0, frames), 0u);
  EXPECT_EQ(MaskFrameAtProgress(1, frames), frames - 1);
  EXPECT_EQ(MaskFrameAtProgress(-3, frames), 0u);
  EXPECT_EQ(MaskFrameAtProgress(8, frames), frames - 1);
  EXPECT_EQ(MaskFrameAtProgress(std::nan(""), frames), 0u);
  EXPECT_EQ(MaskFrameAtProgress(0.5, 3), 1u);
}

}  // namespace
