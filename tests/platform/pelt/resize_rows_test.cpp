// Every SIMD level of the resizer's row loops this CPU has against the
// reference, value for value: seeded random and extreme rows of every tail
// length, the taps of enlarging, mild and strong shrinking, one to four
// channels, and output ranges that start and stop anywhere. Inputs end where
// their readable values end (an over-read falls off the allocation, which
// AddressSanitizer reports); outputs sit between guard values.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "platform/pelt/ResizeRows.h"
#include "tests/support/TestSeed.h"

using namespace pelt;

namespace {

constexpr int16_t kLargestMiddle = 255 << kMiddleFractionBits;
constexpr size_t kGuard = 24;

enum Fill { RANDOM, ZERO, FULL, EXTREMES };
const Fill kFills[] = {RANDOM, ZERO, FULL, EXTREMES};

template <typename T>
T Value(std::mt19937& random, Fill fill) {
  const T full = sizeof(T) == 1 ? T(255) : T(kLargestMiddle);
  switch (fill) {
    case ZERO:
      return 0;
    case FULL:
      return full;
    case EXTREMES:
      return random() & 1 ? full : T(0);
    default:
      return static_cast<T>(random() % (uint32_t(full) + 1));
  }
}

template <typename T>
std::vector<T> Values(std::mt19937& random, size_t count, Fill fill) {
  std::vector<T> values(count);
  for (T& v : values) v = Value<T>(random, fill);
  return values;
}

// An output row between guards: the variant's and the reference's start alike.
template <typename T>
struct Guarded {
  explicit Guarded(size_t count) : values(count + 2 * kGuard, T(0x5A)) {}
  T* data() { return values.data() + kGuard; }
  std::vector<T> values;
};

ResizeRowFunctions RowsAt(CPU_LEVEL level) {
  ResizeRowFunctions rows;
  InitResizeRows(rows, level);
  return rows;
}

const ResizeRowFunctions kResizeRowsReference = RowsAt(CPU_LEVEL_BASELINE);

class ResizeRowLevels : public ::testing::TestWithParam<CPU_LEVEL> {
 protected:
  void SetUp() override {
    if (CpuLevel() < GetParam()) GTEST_SKIP() << "this CPU lacks " << CpuLevelName(GetParam());
    variant = RowsAt(GetParam());
  }
  const ResizeRowFunctions& Variant() const { return variant; }

  ResizeRowFunctions variant;
};

struct Axis {
  int64_t from, to;
};

// Enlarging, mild and strong shrinking, odd ratios, 1 source, the frame sizes.
std::vector<Axis> Axes(std::mt19937& random) {
  std::vector<Axis> axes = {{1, 1},      {1, 37},      {2, 1},       {3, 50},      {50, 3},      {7, 6},
                            {6, 7},      {64, 21},     {21, 64},     {97, 13},     {13, 97},     {300, 7},
                            {33, 32},    {1920, 1280}, {1280, 1920}, {1440, 1920}, {1920, 3840}, {1920, 100},
                            {640, 1920}, {96, 32},     {200, 64},    {67, 16}};
  for (int i = 0; i < 12; ++i)
    axes.push_back({static_cast<int64_t>(1 + random() % 200), static_cast<int64_t>(1 + random() % 200)});
  return axes;
}

template <typename In, typename Out, typename Fn>
void CheckHorizontal(std::mt19937& random, Fn ResizeRowFunctions::*fn, const ResizeRowFunctions& variant,
                     const Axis& axis, size_t channels, Fill fill, bool even) {
  ResizeTaps taps;
  BuildResizeTaps(axis.from, axis.to, even, random() % 4 == 0 ? 0 : sizeof(In), taps);
  const TapTable table = taps.Table();
  const size_t outputs = taps.outputs;
  // Readable: exactly the row, or a row with its 32-bit padding.
  size_t readable = static_cast<size_t>(axis.from) * channels;
  if (random() & 1) readable = (readable + 3) / 4 * 4;
  const std::vector<In> in = Values<In>(random, readable, fill);
  size_t begin = 0, end = outputs;
  if (random() % 3 == 0) {
    begin = random() % (outputs + 1);
    end = begin + random() % (outputs - begin + 1);
  }
  Guarded<Out> expected(outputs * channels), actual(outputs * channels);
  (kResizeRowsReference.*fn)(in.data(), readable, expected.data(), table, channels, begin, end);
  (variant.*fn)(in.data(), readable, actual.data(), table, channels, begin, end);
  ASSERT_TRUE(actual.values == expected.values)
      << SeedNote() << ": " << axis.from << " -> " << axis.to << ", " << channels << " channels, fill " << fill
      << ", outputs " << begin << " to " << end << ", taps " << taps.count;
}

template <typename In, typename Out, typename Fn>
void CheckVertical(std::mt19937& random, Fn ResizeRowFunctions::*fn, const ResizeRowFunctions& variant,
                   const Axis& axis, size_t length, Fill fill) {
  ResizeTaps taps;
  BuildResizeTaps(axis.from, axis.to, false, 0, taps);
  const size_t y = random() % taps.outputs;
  std::vector<std::vector<In>> rows(taps.count);
  std::vector<const In*> pointers;
  for (auto& row : rows) {
    row = Values<In>(random, length, fill);
    pointers.push_back(row.data());
  }
  size_t begin = 0, end = length;
  if (random() % 3 == 0) {
    begin = random() % (length + 1);
    end = begin + random() % (length - begin + 1);
  }
  const int16_t* weights = taps.weights.data() + y * taps.count;
  Guarded<Out> expected(length), actual(length);
  (kResizeRowsReference.*fn)(pointers.data(), weights, taps.count, expected.data(), begin, end);
  (variant.*fn)(pointers.data(), weights, taps.count, actual.data(), begin, end);
  ASSERT_TRUE(actual.values == expected.values)
      << SeedNote() << ": " << axis.from << " -> " << axis.to << " output row " << y << " (" << taps.count
      << " taps), length " << length << ", fill " << fill << ", values " << begin << " to " << end;
}

TEST_P(ResizeRowLevels, HorizontalRowsMatchTheReference) {
  std::mt19937 random(RunSeed());
  for (const Axis& axis : Axes(random)) {
    for (size_t channels : {1u, 3u, 4u}) {
      for (Fill fill : kFills) {
        for (bool even : {true, false}) {
          CheckHorizontal<uint8_t, int16_t>(random, &ResizeRowFunctions::horizontalToMiddle, Variant(), axis, channels,
                                            fill, even);
          CheckHorizontal<int16_t, uint8_t>(random, &ResizeRowFunctions::horizontalToLevels, Variant(), axis, channels,
                                            fill, even);
          CheckHorizontal<uint8_t, uint8_t>(random, &ResizeRowFunctions::horizontalLevelsToLevels, Variant(), axis,
                                            channels, fill, even);
          if (HasFatalFailure()) return;
        }
      }
    }
  }
}

TEST_P(ResizeRowLevels, VerticalRowsMatchTheReference) {
  std::mt19937 random(RunSeed());
  // Every tail of the widest step, and frame widths.
  std::vector<size_t> lengths;
  for (size_t length = 0; length <= 3 * 16 + 1; ++length) lengths.push_back(length);
  for (size_t length : {1279u, 1920u, 3840u}) lengths.push_back(length);
  for (const Axis& axis : Axes(random)) {
    for (Fill fill : kFills) {
      const size_t length = lengths[random() % lengths.size()];
      CheckVertical<uint8_t, int16_t>(random, &ResizeRowFunctions::verticalToMiddle, Variant(), axis, length, fill);
      CheckVertical<int16_t, uint8_t>(random, &ResizeRowFunctions::verticalToLevels, Variant(), axis, length, fill);
      CheckVertical<uint8_t, uint8_t>(random, &ResizeRowFunctions::verticalLevelsToLevels, Variant(), axis, length,
                                      fill);
      if (HasFatalFailure()) return;
    }
  }
  for (size_t length : lengths) {
    for (Fill fill : kFills) {
      CheckVertical<uint8_t, int16_t>(random, &ResizeRowFunctions::verticalToMiddle, Variant(), {1080, 720}, length,
                                      fill);
      CheckVertical<int16_t, uint8_t>(random, &ResizeRowFunctions::verticalToLevels, Variant(), {1080, 720}, length,
                                      fill);
      CheckVertical<uint8_t, uint8_t>(random, &ResizeRowFunctions::verticalLevelsToLevels, Variant(), {1080, 720},
                                      length, fill);
      if (HasFatalFailure()) return;
    }
  }
}

// The reference itself: a constant stays constant through both passes, and
// the largest sums fit.
TEST(ResizeRowReference, ConstantsStayConstantAtEveryTapCount) {
  for (const Axis axis : {Axis{1920, 1280}, Axis{1920, 100}, Axis{13, 97}, Axis{32767, 1}}) {
    ResizeTaps taps;
    BuildResizeTaps(axis.from, axis.to, true, 0, taps);
    for (int level : {0, 1, 128, 254, 255}) {
      const std::vector<uint8_t> row(static_cast<size_t>(axis.from), static_cast<uint8_t>(level));
      std::vector<int16_t> middle(taps.outputs);
      kResizeRowsReference.horizontalToMiddle(row.data(), row.size(), middle.data(), taps.Table(), 1, 0, taps.outputs);
      const std::vector<int16_t> middleRow(static_cast<size_t>(axis.from),
                                           static_cast<int16_t>(level << kMiddleFractionBits));
      std::vector<uint8_t> levels(taps.outputs);
      kResizeRowsReference.horizontalToLevels(middleRow.data(), middleRow.size(), levels.data(), taps.Table(), 1, 0,
                                              taps.outputs);
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
      kResizeRowsReference.horizontalToLevels(asMiddle.data(), asMiddle.size(), twoPasses.data(), taps.Table(), 1, 0,
                                              taps.outputs);
      kResizeRowsReference.horizontalLevelsToLevels(row.data(), row.size(), onePass.data(), taps.Table(), 1, 0,
                                                    taps.outputs);
      ASSERT_EQ(onePass, twoPasses) << SeedNote() << ": " << axis.from << " -> " << axis.to << ", fill " << fill;

      std::vector<const uint8_t*> rows;
      std::vector<const int16_t*> middleRows;
      for (size_t t = 0; t < taps.count; ++t) rows.push_back(row.data()), middleRows.push_back(asMiddle.data());
      const int16_t* weights = taps.weights.data() + random() % taps.outputs * taps.count;
      std::vector<uint8_t> downTwo(row.size()), downOne(row.size());
      kResizeRowsReference.verticalToLevels(middleRows.data(), weights, taps.count, downTwo.data(), 0, row.size());
      kResizeRowsReference.verticalLevelsToLevels(rows.data(), weights, taps.count, downOne.data(), 0, row.size());
      ASSERT_EQ(downOne, downTwo) << SeedNote() << ": " << axis.from << " -> " << axis.to << ", fill " << fill;
    }
  }
}

std::string LevelTestName(const ::testing::TestParamInfo<CPU_LEVEL>& info) { return CpuLevelName(info.param); }

INSTANTIATE_TEST_SUITE_P(Levels, ResizeRowLevels, ::testing::Values(CPU_LEVEL_SSE2, CPU_LEVEL_AVX2), LevelTestName);

}  // namespace
