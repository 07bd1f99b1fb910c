// The setup kavro and the frei0r mixer hand the plug-in: 4:2:2 frames with
// an alpha plane, proportions and auxiliary value the plug-in's own, both
// sources fetched through callbacks given `userData`.
#pragma once

#include <cstdint>

#include "transition/host_api/IKavroVideoTransition.h"

namespace kavro {

struct WipeSetupFields {
  uint32_t width = 0, height = 0;
  uint32_t stride = 0;  // 0: 2 * width
  uint64_t totalFrames = 0;
  uintptr_t userData = 0;
  SourceFetchCallback fetchSourceA = nullptr, fetchSourceB = nullptr;
  bool cropToOutput = false;
};

TransitionSetup WipeSetup(const WipeSetupFields& fields);

}  // namespace kavro
