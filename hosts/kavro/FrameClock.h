// Which of a clip's frames is shown at each frame time of an output that runs
// at another frame rate: at output frame i, time i / outputRate, the clip
// shows its frame floor(time * clipRate). Exact integer arithmetic, whatever
// rates a file declares.
#pragma once

#include <cstdint>

namespace kavro {

class FrameClock {
 public:
  // Rates as numerator and denominator, none of them 0.
  FrameClock(uint32_t outputNumerator, uint32_t outputDenominator, uint32_t clipNumerator, uint32_t clipDenominator);

  bool SameRate() const { return clipFrames_ == outputFrames_; }
  // The clip's frame (counted from its start) shown at output frame `outputFrame`.
  uint64_t ClipFrameAt(uint64_t outputFrame) const;
  // The output frames whose times fall within a clip of `clipFrames` frames.
  uint64_t OutputFramesWithin(uint64_t clipFrames) const;

 private:
  // The clip advances clipFrames_ frames every outputFrames_ output frames.
  uint64_t clipFrames_ = 1, outputFrames_ = 1;
};

}  // namespace kavro
