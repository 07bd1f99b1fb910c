// The resizer's row loops: a plain reference that defines the results, and
// SIMD variants held to it value for value, chosen by the CPU's level.
//
// Scaling is separable: a first pass along one axis turns 8-bit levels into
// middle values, levels with 7 fractional bits (at most 255 << 7, so they
// fit 16 signed bits, as SIMD multiply-adds want them); the second pass
// along the other axis turns middle values back into levels. Each output is
// the weighted sum of its taps, rounded once per pass, to nearest.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "ResizeTaps.h"
#include "platform/cpu/CpuLevel.h"

namespace pelt {

constexpr int kMiddleFractionBits = 7;
constexpr int kToMiddleShift = kWeightBits - kMiddleFractionBits;
constexpr int kToLevelShift = kWeightBits + kMiddleFractionBits;
// One pass alone, when the other axis keeps its size: levels to levels.
constexpr int kOnePassShift = kWeightBits;

// Internal linkage on purpose: the SIMD files are built for their own
// instruction sets, and an inline function with external linkage emitted
// there could be the copy the linker keeps for every other file.
namespace {

// A weighted sum of taps, rounded to nearest and shifted down. Sums are
// never negative: weights and values are not. Largest: 255 << 7 times the
// weights' sum, 2^14, below 2^30.
template <int Shift>
inline int32_t RoundedDown(int32_t sum) {
  return (sum + (1 << (Shift - 1))) >> Shift;
}

// Weights t and t + 1 as one 32-bit pair for a multiply-add; past the last
// weight, 0.
inline int32_t WeightPair(const int16_t* weights, size_t t, size_t count) {
  const uint32_t second = t + 1 < count ? static_cast<uint16_t>(weights[t + 1]) : 0u;
  return static_cast<int32_t>(static_cast<uint16_t>(weights[t]) | second << 16);
}

}  // namespace

// Outputs [begin, end) of a row of `channels` values per pixel: output pixel
// x takes taps.count pixels from taps.first[x] on in `in`, whose first
// `readable` values may be read (at least every tap's).
template <typename In, typename Out>
using HorizontalRowFn = void(const In* in, size_t readable, Out* out, const TapTable& taps, size_t channels,
                             size_t begin, size_t end);
// Values [begin, end) of a row: value x weighs value x of `count` rows.
template <typename In, typename Out>
using VerticalRowFn = void(const In* const* rows, const int16_t* weights, size_t count, Out* out, size_t begin,
                           size_t end);

struct ResizeRowFunctions {
  HorizontalRowFn<uint8_t, int16_t>* horizontalToMiddle;
  HorizontalRowFn<int16_t, uint8_t>* horizontalToLevels;
  VerticalRowFn<uint8_t, int16_t>* verticalToMiddle;
  VerticalRowFn<int16_t, uint8_t>* verticalToLevels;
  // Levels straight to levels, rounded once: for an image whose other axis
  // keeps its size, so that no pass runs that would only copy.
  HorizontalRowFn<uint8_t, uint8_t>* horizontalLevelsToLevels;
  VerticalRowFn<uint8_t, uint8_t>* verticalLevelsToLevels;
};

// Fills `rows` with the reference rows, then (on x86) the variants `level`,
// held to what this CPU runs, allows.
void InitResizeRows(ResizeRowFunctions& rows, CPU_LEVEL level);

// The rows in use: the table for ActiveCpuLevel.
const ResizeRowFunctions& ResizeRows();

// The reference rows, which the variants also finish their rows with.
HorizontalRowFn<uint8_t, int16_t> HorizontalToMiddleReference;
HorizontalRowFn<int16_t, uint8_t> HorizontalToLevelsReference;
VerticalRowFn<uint8_t, int16_t> VerticalToMiddleReference;
VerticalRowFn<int16_t, uint8_t> VerticalToLevelsReference;
HorizontalRowFn<uint8_t, uint8_t> HorizontalLevelsToLevelsReference;
VerticalRowFn<uint8_t, uint8_t> VerticalLevelsToLevelsReference;

}  // namespace pelt
