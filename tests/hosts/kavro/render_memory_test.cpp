// How many threads and frames in flight a render affords.
#include <gtest/gtest.h>

#include "hosts/kavro/RenderMemory.h"
#include "media/MediaLimits.h"

using namespace kavro;

namespace {

RenderCosts Y4mRender(uint32_t width, uint32_t height) {
  RenderShape shape;
  shape.width = width;
  shape.height = height;
  shape.sourceFrameBytes[0] = shape.sourceFrameBytes[1] = uint64_t{width} * height * 2;
  shape.encodedBytes = uint64_t{width} * height * 2;
  return EstimateRenderCosts(shape);
}

uint64_t Held(const InFlightPlan& plan, const RenderCosts& costs) {
  return static_cast<uint64_t>(plan.threads) * costs.perThread + uint64_t{plan.maxInFlight} * costs.perFrame;
}

TEST(RenderMemory, SmallFramesKeepEveryThreadAndTwoFramesEachAndTwoMore) {
  const InFlightPlan plan = PlanInFlight(8, Y4mRender(640, 360), kRenderMemoryBudget);
  EXPECT_EQ(plan.threads, 8);
  EXPECT_EQ(plan.maxInFlight, 18u);
}

// 16384 x 2304 frames in a 32-bit process ran out of memory from three threads on.
TEST(RenderMemory, LargeFramesAreHeldToTheBudgetByFewerThreadsAndFrames) {
  const uint64_t budget32 = uint64_t{1} << 30;
  const RenderCosts costs = Y4mRender(16384, 2304);
  for (int threads : {1, 3, 4, 8, 64}) {
    const InFlightPlan plan = PlanInFlight(threads, costs, budget32);
    EXPECT_LE(Held(plan, costs), budget32) << threads;
    EXPECT_LE(plan.threads, 2) << threads;
    EXPECT_GE(plan.threads, 1);
    EXPECT_GE(plan.maxInFlight, static_cast<uint32_t>(plan.threads));
    EXPECT_LE(plan.maxInFlight, 2u * static_cast<uint32_t>(plan.threads) + 2);
  }
  // 8K on many cores in 64 bits.
  const RenderCosts k8 = Y4mRender(8192, 4608);
  const InFlightPlan plan = PlanInFlight(64, k8, uint64_t{8} << 30);
  EXPECT_LT(plan.threads, 64);
  EXPECT_LE(Held(plan, k8), uint64_t{8} << 30);
}

TEST(RenderMemory, ABudgetTooSmallForOneFrameStillRendersOneAtATime) {
  const InFlightPlan plan = PlanInFlight(4, Y4mRender(8192, 4608), 1000);
  EXPECT_EQ(plan.threads, 1);
  EXPECT_EQ(plan.maxInFlight, 1u);
}

}  // namespace
