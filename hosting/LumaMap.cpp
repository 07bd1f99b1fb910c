#include "LumaMap.h"

#include <algorithm>
#include <cmath>

namespace kavro {

uint32_t SoftnessLevels(double softness) {
  if (!(softness > 0)) return 1;
  return 1 + static_cast<uint32_t>(std::lround(std::min(softness, 1.0) * 255));
}

// The edge is a threshold t = p (255 + E) sweeping the levels: a level x is
// B's by (t - x) / E, clamped, so t = 0 leaves every level A's and
// t = 255 + E makes level 255 (the last to go) B's whole.
WeightTable LumaWeights(uint32_t numerator, uint32_t denominator, uint32_t edgeLevels) {
  WeightTable weights;
  const int64_t edge = std::clamp<uint32_t>(edgeLevels, 1, 256);
  const int64_t den = denominator == 0 ? 1 : denominator;
  const int64_t num = denominator == 0 ? 0 : std::min(numerator, denominator);
  const int64_t threshold = num * (255 + edge);  // t, in units of 1 / den
  for (int64_t level = 0; level < 256; ++level) {
    const int64_t toB = threshold - level * den;
    const int64_t shownB = toB <= 0 ? 0 : std::min<int64_t>((toB * 255 * 2 + edge * den) / (2 * edge * den), 255);
    weights[static_cast<size_t>(level)] = static_cast<uint8_t>(255 - shownB);
  }
  return weights;
}

}  // namespace kavro
