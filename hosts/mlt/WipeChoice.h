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

// 0..1; NaN is 0.
double ClampProgress(double progress);

// The mask frame shown at `position` of a transition `length` frames long
// (its own frame numbers, from its in point): the whole animation spread over
// it, as kavro spreads it. Positions outside the transition are held to its
// ends.
uint32_t MaskFrameAtPosition(int32_t position, int32_t length, uint32_t maskFrames);

// The mask frame for an explicit progress: 0 the first, 1 the last, in
// between the nearest.
uint32_t MaskFrameAtProgress(double progress, uint32_t maskFrames);

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
