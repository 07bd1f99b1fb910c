// The BT.709 limited-range arithmetic every variant of the colour rows
// shares, named once so that the reference and the SIMD files read side by
// side. Internal linkage on purpose: the SIMD files are built for their own
// instruction sets, and an inline function with external linkage emitted
// there could be the copy the linker keeps for every other file.
#pragma once

#include <algorithm>
#include <cstdint>

namespace kavro {
namespace colour {
namespace {

// Coefficients in units of 1/65536. Forward: 219/255 and 224/255 scale the
// BT.709 rows (Kr 0.2126, Kb 0.0722); each chroma row adds up to exactly 0,
// so grays keep Cb = Cr = 128.
constexpr int kShift = 16;
constexpr int kHalf = 1 << (kShift - 1);
constexpr int kYr = 11966, kYg = 40254, kYb = 4064;
constexpr int kCbR = -6596, kCbG = -22188, kCbB = 28784;
constexpr int kCrR = 28784, kCrG = -26145, kCrB = -2639;
constexpr int kYOffset = (16 << kShift) + kHalf;
constexpr int kChromaOffset = (128 << kShift) + kHalf;
// Inverse: 255/219 for Y'; 255/224 times 2(1 - Kr), 2(1 - Kb) and the
// green terms 2(1 - Kb)Kb/Kg, 2(1 - Kr)Kr/Kg for chroma.
constexpr int kY = 76309, kRCr = 117489, kBCb = 138438, kGCb = 13975, kGCr = 34925;

// Every sum below stays far inside 32 signed bits, and the forward sums are
// never negative: each lands on a byte exactly, without clamping.
inline uint8_t LumaOf(int r, int g, int b) {
  return static_cast<uint8_t>((kYr * r + kYg * g + kYb * b + kYOffset) >> kShift);
}
inline uint8_t CbOf(int r, int g, int b) {
  return static_cast<uint8_t>((kCbR * r + kCbG * g + kCbB * b + kChromaOffset) >> kShift);
}
inline uint8_t CrOf(int r, int g, int b) {
  return static_cast<uint8_t>((kCrR * r + kCrG * g + kCrB * b + kChromaOffset) >> kShift);
}

// The inverse sums can leave the byte range: they clamp, negative sums
// before the shift, which then only sees non-negative values.
inline uint8_t ClampShifted(int value) {
  if (value <= 0) return 0;
  return static_cast<uint8_t>(std::min(value >> kShift, 255));
}

// R', G', B' of one pixel into rgb[0..2].
inline void ToRgb(int y, int cb, int cr, uint8_t* rgb) {
  const int luma = kY * (y - 16) + kHalf;
  rgb[0] = ClampShifted(luma + kRCr * (cr - 128));
  rgb[1] = ClampShifted(luma - kGCb * (cb - 128) - kGCr * (cr - 128));
  rgb[2] = ClampShifted(luma + kBCb * (cb - 128));
}

}  // namespace
}  // namespace colour
}  // namespace kavro
