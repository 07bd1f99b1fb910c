// One chroma sample of the 4:4:4 <-> 4:2:2 row filters, as every variant of
// the rows computes it; the SIMD files take it for a row's edges. Internal
// linkage on purpose, as in ColourArithmetic.h.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kavro {
namespace chroma {
namespace {

// Output j of a row of `lumaWidth` full-resolution samples filtered onto the
// even columns: [1 2 1] / 4 centred on column 2j, the row edge repeated,
// rounded to nearest.
inline uint8_t Downsampled(const uint8_t* in, size_t lumaWidth, size_t j) {
  const size_t x = 2 * j;
  const size_t left = x == 0 ? 0 : x - 1, right = x + 1 < lumaWidth ? x + 1 : lumaWidth - 1;
  return static_cast<uint8_t>((in[left] + 2 * in[x] + in[right] + 2) >> 2);
}

// Output x of a row of (lumaWidth + 1) / 2 samples on the even columns
// brought to every column: even columns take their sample, odd ones the
// rounded mean of their neighbours; the last odd column repeats the last sample.
inline uint8_t Upsampled(const uint8_t* in, size_t lumaWidth, size_t x) {
  const size_t j = x / 2, samples = (lumaWidth + 1) / 2;
  if (x % 2 == 0 || j + 1 >= samples) return in[j];
  return static_cast<uint8_t>((in[j] + in[j + 1] + 1) >> 1);
}

}  // namespace
}  // namespace chroma
}  // namespace kavro
