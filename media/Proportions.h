// Picture proportions in lowest terms, as the plug-in's fetches report them:
// kavro's sources and the MLT module work them out the same way.
#pragma once

#include <cstdint>
#include <numeric>

namespace kavro {

struct Proportions {
  uint32_t width = 1;
  uint32_t height = 1;
};

// width * pixelWidth : height * pixelHeight in lowest terms; an unknown pixel
// aspect (0:0) counts as square. Terms beyond 32 bits are scaled down.
inline Proportions PictureProportions(uint64_t width, uint64_t height, uint32_t pixelWidth, uint32_t pixelHeight) {
  if (pixelWidth == 0 || pixelHeight == 0) pixelWidth = pixelHeight = 1;
  uint64_t horizontal = width * pixelWidth, vertical = height * pixelHeight;
  const uint64_t divisor = std::gcd(horizontal, vertical);
  if (divisor == 0) return {};
  horizontal /= divisor;
  vertical /= divisor;
  while (horizontal > 0xFFFFFFFFu || vertical > 0xFFFFFFFFu) {
    horizontal = (horizontal + 1) / 2;
    vertical = (vertical + 1) / 2;
  }
  return {static_cast<uint32_t>(horizontal), static_cast<uint32_t>(vertical)};
}

}  // namespace kavro
