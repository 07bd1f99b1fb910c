// The resizer's reference rows and their taps by themselves: constants stay
// constant, one pass equals two through an unchanged axis, and the taps
// hold their weights and windows. The SIMD rows are held to the reference in
// tests/checkasm.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "ResizeRowInputs.h"
#include "platform/pelt/ResizeRows.h"
#include "tests/support/TestSeed.h"

using namespace pelt;
using namespace resizetest;

namespace {

// The reference itself: a constant stays constant through both passes, and
// the largest sums fit.
TEST(ResizeRowReference, ConstantsStayConstantAtEveryTapCount) {
  for (const Axis axis : {Axis{1920, 1280}, Axis{1920, 100}, Axis{13, 97}, Axis{32767, 1}}) {
    ResizeTaps taps;
    BuildResizeTaps(axis.from, axis.to, true, 0, taps);
    for (int level : {0, 1, 128, 254, 255}) {
      const std::vector<uint8_t> row(static_cast<size_t>(axis.from), static_cast<uint8_t>(level));
      std::vector<int16_t> middle(taps.outputs);
      HorizontalToMiddleReference(row.data(), row.size(), middle.data(), taps.Table(), 1, 0, taps.outputs);
      const std::vector<int16_t> middleRow(static_cast<size_t>(axis.from),
                                           static_cast<int16_t>(level << kMiddleFractionBits));
      std::vector<uint8_t> levels(taps.outputs);
      HorizontalToLevelsReference(middleRow.data(), middleRow.size(), levels.data(), taps.Table(), 1, 0, taps.outputs);
      for (size_t x = 0; x < taps.outputs; ++x) {
        ASSERT_EQ(middle[x], level << kMiddleFractionBits) << axis.from << " -> " << axis.to << " at " << x;
        ASSERT_EQ(levels[x], level) << axis.from << " -> " << axis.to << " at " << x;
      }
    }
  }
}

// Image sizes take the taps' 32-bit arithmetic, axes beyond them (the tap
// builder takes any) 64-bit: on both sides every output's weights add up to
// one and each lies within one step of its exact value (sums of values,
// rounded, then differenced).
TEST(ResizeTaps, HoldTheirWeightsAtTheLargestSizes) {
  const int64_t most = 32767;
  for (const Axis axis : {Axis{most, most - 1}, Axis{most - 1, most}, Axis{most, 16000}, Axis{most, 5}, Axis{5, most},
                          Axis{most, 1}, Axis{1920, 1080}, Axis{100000, 99999}, Axis{99999, 100000}, Axis{200000, 7}}) {
    ResizeTaps taps;
    BuildResizeTaps(axis.from, axis.to, true, 0, taps);
    const double src = static_cast<double>(axis.from), dst = static_cast<double>(axis.to);
    // Source k's exact share of output i.
    const auto exact = [&](int64_t i, int64_t k) {
      if (axis.from > 2 * axis.to) {
        const double begin = static_cast<double>(i) * src / dst, end = static_cast<double>(i + 1) * src / dst;
        const double from = std::max(begin, static_cast<double>(k)), to = std::min(end, static_cast<double>(k + 1));
        return to > from ? (to - from) * dst / src : 0.0;
      }
      double position = ((2.0 * static_cast<double>(i) + 1.0) * src / dst - 1.0) / 2.0;
      position = std::min(std::max(position, 0.0), src - 1.0);
      const double left = std::floor(position), fraction = position - left;
      if (static_cast<double>(k) == left) return 1.0 - fraction;
      if (static_cast<double>(k) == left + 1.0) return fraction;
      return 0.0;
    };
    for (size_t i = 0; i < taps.outputs; ++i) {
      int32_t sum = 0;
      for (size_t t = 0; t < taps.count; ++t) {
        const int16_t weight = taps.weights[i * taps.count + t];
        sum += weight;
        const double want = exact(static_cast<int64_t>(i), taps.first[i] + static_cast<int64_t>(t)) * kWeightOne;
        ASSERT_LE(std::fabs(weight - want), 1.0 + 1e-6)
            << axis.from << " -> " << axis.to << ", output " << i << ", tap " << t;
      }
      ASSERT_EQ(sum, kWeightOne) << axis.from << " -> " << axis.to << ", output " << i;
      ASSERT_LE(taps.first[i] + static_cast<int64_t>(taps.count), axis.from);
    }
  }
}

// Every window lies within the sources and holds its outputs' taps where its
// shuffle looks for them; enlarging two taps of levels shares one window
// per whole sixteen outputs, which the AVX2 rows then load once.
TEST(ResizeTaps, WindowsHoldTheirTapsAndEnlargingSharesThemBySixteen) {
  std::mt19937 random(RunSeed());
  for (const Axis& axis : Axes(random)) {
    for (size_t element : {1u, 2u}) {
      ResizeTaps taps;
      BuildResizeTaps(axis.from, axis.to, true, element, taps);
      if (taps.windowElement == 0) {
        EXPECT_FALSE(taps.windowPerSixteen);
        continue;
      }
      const int64_t reach = static_cast<int64_t>(16 / element);
      for (size_t i = 0; i < taps.outputs / 4 * 4; ++i) {
        const int64_t start = taps.windowStart[i / 4];
        ASSERT_GE(start, 0);
        ASSERT_LE(start + reach + static_cast<int64_t>(taps.count - 2), axis.from) << axis.from << " -> " << axis.to;
        const uint8_t* lane = taps.windowShuffle.data() + 4 * i;
        const auto offset = taps.first[i] - start;
        ASSERT_EQ(lane[0], element * static_cast<size_t>(offset)) << axis.from << " -> " << axis.to << " at " << i;
        ASSERT_LE(offset + 2, reach) << axis.from << " -> " << axis.to << " at " << i;
      }
      if (taps.windowPerSixteen) {
        for (size_t g = 0; g < taps.outputs / 16 * 4; ++g) {
          ASSERT_EQ(taps.windowStart[g], taps.windowStart[g / 4 * 4]) << axis.from << " -> " << axis.to;
        }
      }
    }
  }
  for (const Axis axis : {Axis{1920, 3840}, Axis{1440, 1920}, Axis{1280, 1920}}) {
    ResizeTaps taps;
    BuildResizeTaps(axis.from, axis.to, true, 1, taps);
    EXPECT_TRUE(taps.windowPerSixteen) << axis.from << " -> " << axis.to;
    BuildResizeTaps(axis.from, axis.to, true, 2, taps);
    EXPECT_FALSE(taps.windowPerSixteen) << axis.from << " -> " << axis.to << " of 16-bit values";
  }
  ResizeTaps shrinking;
  BuildResizeTaps(1920, 1280, true, 1, shrinking);
  EXPECT_FALSE(shrinking.windowPerSixteen);
}

// One pass rounds once: levels scaled straight to levels are what the two
// passes give when the other axis's pass is exact (levels as middle values).
TEST(ResizeRowReference, OnePassIsTwoPassesThroughAnUnchangedAxis) {
  std::mt19937 random(RunSeed());
  for (const Axis& axis : Axes(random)) {
    for (Fill fill : kFills) {
      const std::vector<uint8_t> row = Values<uint8_t>(random, static_cast<size_t>(axis.from), fill);
      std::vector<int16_t> asMiddle(row.begin(), row.end());
      for (int16_t& v : asMiddle) v = static_cast<int16_t>(v << kMiddleFractionBits);
      ResizeTaps taps;
      BuildResizeTaps(axis.from, axis.to, false, 0, taps);
      std::vector<uint8_t> twoPasses(taps.outputs), onePass(taps.outputs);
      HorizontalToLevelsReference(asMiddle.data(), asMiddle.size(), twoPasses.data(), taps.Table(), 1, 0, taps.outputs);
      HorizontalLevelsToLevelsReference(row.data(), row.size(), onePass.data(), taps.Table(), 1, 0, taps.outputs);
      ASSERT_EQ(onePass, twoPasses) << SeedNote() << ": " << axis.from << " -> " << axis.to << ", fill " << fill;

      std::vector<const uint8_t*> rows;
      std::vector<const int16_t*> middleRows;
      for (size_t t = 0; t < taps.count; ++t) rows.push_back(row.data()), middleRows.push_back(asMiddle.data());
      const int16_t* weights = taps.weights.data() + random() % taps.outputs * taps.count;
      std::vector<uint8_t> downTwo(row.size()), downOne(row.size());
      VerticalToLevelsReference(middleRows.data(), weights, taps.count, downTwo.data(), 0, row.size());
      VerticalLevelsToLevelsReference(rows.data(), weights, taps.count, downOne.data(), 0, row.size());
      ASSERT_EQ(downOne, downTwo) << SeedNote() << ": " << axis.from << " -> " << axis.to << ", fill " << fill;
    }
  }
}

}  // namespace
