// Inputs for the resizer's row tests: rows of levels or middle values drawn
// at random or at the extremes, and the axes whose taps they are scaled by.
#pragma once

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

#include "platform/pelt/ResizeRows.h"

namespace resizetest {

constexpr int16_t kLargestMiddle = 255 << pelt::kMiddleFractionBits;

enum Fill { RANDOM, ZERO, FULL, EXTREMES, ALTERNATING };
const Fill kFills[] = {RANDOM, ZERO, FULL, EXTREMES, ALTERNATING};

// The value at `index` of a row filled so: a level (uint8_t) or a middle
// value (int16_t).
template <typename T>
T Value(std::mt19937& random, Fill fill, size_t index) {
  const T full = sizeof(T) == 1 ? T(255) : T(kLargestMiddle);
  switch (fill) {
    case ZERO:
      return 0;
    case FULL:
      return full;
    case EXTREMES:
      return random() & 1 ? full : T(0);
    case ALTERNATING:
      return index & 1 ? full : T(0);
    default:
      return static_cast<T>(random() % (uint32_t(full) + 1));
  }
}

template <typename T>
std::vector<T> Values(std::mt19937& random, size_t count, Fill fill) {
  std::vector<T> values(count);
  for (size_t i = 0; i < count; ++i) values[i] = Value<T>(random, fill, i);
  return values;
}

struct Axis {
  int64_t from, to;
};

// Enlarging, mild and strong shrinking, odd ratios, 1 source, the frame sizes.
inline std::vector<Axis> Axes(std::mt19937& random) {
  std::vector<Axis> axes = {{1, 1},      {1, 37},      {2, 1},       {3, 50},      {50, 3},      {7, 6},
                            {6, 7},      {64, 21},     {21, 64},     {97, 13},     {13, 97},     {300, 7},
                            {33, 32},    {1920, 1280}, {1280, 1920}, {1440, 1920}, {1920, 3840}, {1920, 100},
                            {640, 1920}, {96, 32},     {200, 64},    {67, 16}};
  for (int i = 0; i < 12; ++i)
    axes.push_back({static_cast<int64_t>(1 + random() % 200), static_cast<int64_t>(1 + random() % 200)});
  return axes;
}

}  // namespace resizetest
