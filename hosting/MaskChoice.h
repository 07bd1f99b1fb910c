// The masks of the shared catalogue as hosts name and play them.
#pragma once

#include <cstdint>
#include <string>

namespace kavro {

uint32_t MaskCount();
std::string MaskName(uint32_t mask);
uint32_t MaskFrameCount(uint32_t mask);
// Resource id of the mask's first frame in the resource module.
uint16_t MaskFirstFrameId(uint32_t mask);

// An index ("1") or the start of a display name, with or without its
// "mask_" ("mask_wafu1", "paper"), ignoring case. Throws HostingError when
// nothing or more than one mask matches.
uint32_t ResolveMask(const std::string& text);

// The mask frame shown at frame `position` of a transition `length` frames
// long: the whole animation is spread over the transition, its first frame
// first and its last frame last, rounded to the nearest frame. Positions
// outside the transition are held to its ends. Terms of up to 32 bits.
uint32_t MaskFrameAtPosition(int64_t position, int64_t length, uint32_t maskFrames);

// A progress held to 0..1; NaN is 0.
double ClampProgress(double progress);

// The mask frame for a progress: 0 the first, 1 the last, in between the
// nearest.
uint32_t MaskFrameAtProgress(double progress, uint32_t maskFrames);

}  // namespace kavro
