// What one frame of the MLT transition asks of the plug-in, worked out from
// the transition's properties. Free of MLT, so the rules are testable alone.
#pragma once

#include <cstdint>
#include <string>

#include "media/Proportions.h"

namespace kavro_mlt {

// The mask a `mask` property names: a number (an index, clamped to the
// masks there are) or the start of a name ("wafu2", "mask_paper"), ignoring
// case. `understood` is false for text that names no mask; `mask` is then 0.
struct MaskNamed {
  uint32_t mask = 0;
  bool understood = true;
};
MaskNamed MaskFromText(const char* text);

// A picture's shown proportions, width * pixel width : height * pixel
// height, in lowest terms (halved until each term fits 32 bits); a pixel
// aspect with a zero term counts as square. 0 : 0 (unknown) for an empty picture.
using Proportions = kavro::Proportions;
Proportions ShownProportions(uint64_t width, uint64_t height, int pixelWidth, int pixelHeight);

struct WipeChoice {
  uint32_t mask = 0;
  uint32_t maskFrame = 0;
  bool invert = false;
  bool reverse = false;
  bool cropToOutput = false;
};

}  // namespace kavro_mlt
