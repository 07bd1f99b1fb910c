#include "MediaLimits.h"

namespace kavro {

bool SizeWithinLimits(int64_t width, int64_t height) {
  return width >= 1 && height >= 1 && width <= kMaxDimension && height <= kMaxDimension && width * height <= kMaxArea;
}

std::string SizeLimitsText() { return "at most " + std::to_string(kMaxDimension) + " a side, 8192x4608 in all"; }

}  // namespace kavro
