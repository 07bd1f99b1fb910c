// The arithmetic every mask blend variant shares, named once so that the
// reference and the SIMD files read side by side.
//
// Everything here has internal linkage on purpose: the AVX2 file is compiled
// with -mavx2, and an inline function with external linkage emitted there
// could be the copy the linker keeps for every other file.
#pragma once

#include <cstdint>

namespace maskblend {
namespace {

// Weights, alpha and pixel bytes all run from 0 to 255.
constexpr int32_t kFull = 255;

// x weighed against y: x * w + y * (255 - w). Used for source A laid over
// source B by A's alpha (the pre-mix), for source B weighed against the
// pre-mix by the mask, and for the alpha.
//
// With every term a byte the sum is at most 255 * 255, so it fits in 16
// unsigned bits. The SIMD files compute it as 255 * y + (x - y) * w, with one
// multiply: the terms wrap around in 16-bit lanes, the sum does not, so the
// wrapped arithmetic lands on it exactly.
constexpr int32_t Weigh(int32_t x, int32_t y, int32_t w) { return x * w + y * (kFull - w); }

// Exact floor(x / 255) for every 16-bit x, as SIMD computes it: the high half
// of x * 0x8081, shifted right by 7 (x * 32897 >> 23).
constexpr uint16_t kDivide255Multiplier = 0x8081;
constexpr int kDivide255Shift = 7;

constexpr uint32_t Divide255ByReciprocal(uint32_t x) { return ((x * kDivide255Multiplier) >> 16) >> kDivide255Shift; }

constexpr bool ReciprocalIsExactOver16Bits() {
  for (uint32_t x = 0; x <= 0xFFFF; ++x) {
    if (Divide255ByReciprocal(x) != x / 255) return false;
  }
  return true;
}
static_assert(ReciprocalIsExactOver16Bits(),
              "the multiply-and-shift must equal division by 255 for every 16-bit value");

// A chroma byte is divided by 510: its dividend is the sum of two Weigh()
// results, one per pixel of the pair, which needs 17 bits. SIMD halves the
// sum without forming it, floor((x + y) / 2) = (x & y) + ((x ^ y) >> 1), and
// then divides by 255: floor(floor(s / 2) / 255) = floor(s / 510).

}  // namespace
}  // namespace maskblend
