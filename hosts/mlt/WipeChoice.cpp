#include "WipeChoice.h"

#include <cmath>
#include <cstdlib>
#include <exception>

#include "hosting/MaskChoice.h"

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

Proportions ShownProportions(uint64_t width, uint64_t height, int pixelWidth, int pixelHeight) {
  if (width == 0 || height == 0) return {0, 0};
  if (pixelWidth <= 0 || pixelHeight <= 0) pixelWidth = pixelHeight = 1;
  // Held to 32 bits a term, so the products fit 64.
  width = width > 0xFFFFFFFFu ? 0xFFFFFFFFu : width;
  height = height > 0xFFFFFFFFu ? 0xFFFFFFFFu : height;
  return kavro::PictureProportions(width, height, static_cast<uint32_t>(pixelWidth),
                                   static_cast<uint32_t>(pixelHeight));
}

}  // namespace kavro_mlt
