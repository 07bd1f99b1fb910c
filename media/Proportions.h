// Picture proportions in lowest terms, as the plug-in's fetches report them:
// kavro's sources and the MLT module work them out the same way.
#pragma once

#include <cstdint>

namespace kavro {

struct Proportions {
  uint32_t width = 1;
  uint32_t height = 1;
};

// width * pixelWidth : height * pixelHeight in lowest terms; an unknown pixel
// aspect (0:0) counts as square. Terms beyond 32 bits are scaled down.
Proportions PictureProportions(uint64_t width, uint64_t height, uint32_t pixelWidth, uint32_t pixelHeight);

}  // namespace kavro
