// What the mixer must give for two RGBA frames: the plug-in's own mix of
// them packed to 4:2:2 + alpha, converted back, where every pixel pair the
// mix left exactly as one input had it is that input's own pixels. Drives
// the plug-in directly, as a second host.
#pragma once

#include <cstdint>
#include <vector>

#include "transition/host_api/IKavroVideoTransition.h"

struct MixSettings {
  uint32_t mask = 0;
  bool invert = false;
  bool reverse = false;
  bool crop = true;  // the mask narrowed to the frame's proportions; else stretched over it
  uint32_t maskFrame = 0;
};

using Rgba = std::vector<uint8_t>;

Rgba ExpectedMix(KavroCreateVideoTransitionProc factory, const Rgba& a, const Rgba& b, uint32_t width, uint32_t height,
                 const MixSettings& settings);
