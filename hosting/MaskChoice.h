// The masks of the shared catalogue as kavro names and plays them.
#pragma once

#include <cstdint>
#include <string>

namespace kavro {

uint32_t MaskCount();
std::string MaskName(uint32_t mask);
uint32_t MaskFrameCount(uint32_t mask);

// An index ("1") or the start of a display name, with or without its
// "mask_" ("mask_wafu1", "paper"), ignoring case. Throws UsageError when
// nothing or more than one mask matches.
uint32_t ResolveMask(const std::string& text);

// The mask frame shown at transition frame `frame` of `frames`: the whole
// animation is spread over the transition, its first frame first and its
// last frame last, rounded to the nearest frame.
uint32_t MaskFramePosition(uint32_t frame, uint32_t frames, uint32_t maskFrames);

}  // namespace kavro
