#include "WipeChoice.h"

#include <cmath>
#include <cstdlib>
#include <exception>
#include <numeric>

#include "MaskChoice.h"

namespace kavro_mlt {

MaskNamed MaskFromText(const char* text) {
  MaskNamed named;
  if (!text || !*text) return named;
  const uint32_t masks = kavro::MaskCount();
  char* end = nullptr;
  const double number = std::strtod(text, &end);
  if (end != text && *end == '\0') {
    if (!(number > 0)) return named;  // negative, zero and NaN alike
    const double index = std::floor(number);
    named.mask = index >= masks - 1 ? masks - 1 : static_cast<uint32_t>(index);
    return named;
  }
  try {
    named.mask = kavro::ResolveMask(text);
  } catch (const std::exception&) {
    named.understood = false;
  }
  return named;
}

double ClampProgress(double progress) {
  if (!(progress > 0)) return 0;
  return progress > 1 ? 1 : progress;
}

uint32_t MaskFrameAtPosition(int64_t position, int64_t length, uint32_t maskFrames) {
  if (length <= 1 || position <= 0) return 0;
  if (length > UINT32_MAX) length = UINT32_MAX;
  if (position >= length) position = length - 1;
  return kavro::MaskFramePosition(static_cast<uint32_t>(position), static_cast<uint32_t>(length), maskFrames);
}

uint32_t MaskFrameAtProgress(double progress, uint32_t maskFrames) {
  if (maskFrames <= 1) return 0;
  return static_cast<uint32_t>(std::lround(ClampProgress(progress) * (maskFrames - 1)));
}

Proportions ShownProportions(uint64_t width, uint64_t height, int64_t pixelWidth, int64_t pixelHeight) {
  if (pixelWidth <= 0 || pixelHeight <= 0) pixelWidth = pixelHeight = 1;
  // Terms beyond 32 bits are out of any picture's range; halving keeps the product in 64 bits.
  uint64_t across = static_cast<uint64_t>(pixelWidth), down = static_cast<uint64_t>(pixelHeight);
  while (across > 0xFFFFFFFFu || down > 0xFFFFFFFFu) {
    across = (across + 1) / 2;
    down = (down + 1) / 2;
  }
  width = width > 0xFFFFFFFFu ? 0xFFFFFFFFu : width;
  height = height > 0xFFFFFFFFu ? 0xFFFFFFFFu : height;
  uint64_t horizontal = width * across, vertical = height * down;
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

}  // namespace kavro_mlt
