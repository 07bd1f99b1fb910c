// A wipe under a matte's weights instead of a built-in mask, rendered as the
// plug-in renders: the same fetches of both sources (and of the proportions B
// reports), the same fitting of the weights to the output (cut to B's
// proportions, or the frame's when cropping to the output, then scaled), the
// same blend kernel with its invert flag and alpha plane. The plug-in's own
// code, linked in (kiv_wipe_engine), not a copy.
#pragma once

#include <cstdint>
#include <vector>

#include "HostedTransition.h"
#include "Matte.h"

namespace kavro {

class MatteWipe {
 public:
  MatteWipe(uintptr_t userData, SourceFetchCallback fetchA, SourceFetchCallback fetchB);

  // The frame, the cropping and the invert flag (settings.mask.invert; the
  // rest of the mask parameters belongs to the built-in masks). False for a
  // frame the plug-in would refuse too.
  bool Apply(const TransitionSettings& settings);

  // Renders one frame into `output` under the weights: the plug-in's result
  // codes (RESULT_OK when the weights cannot be fitted, with source A there).
  int32_t Render(const MatteWeights& weights, uint32_t frameIndex, int32_t fetchArg, uint8_t* output,
                 uint64_t outputBytes);

 private:
  TransitionSetup setup_ = {};
  bool setUp_ = false, invert_ = false;
  std::vector<uint8_t> work_;
};

}  // namespace kavro
