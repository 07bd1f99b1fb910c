// Renders a whole transition: one thread reads the sources in order, N
// threads each drive a transition object of their own, and the calling
// thread writes the frames in order. At most a few frames are in flight.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "FrameOutputs.h"
#include "Progress.h"
#include "Sources.h"
#include "hosting/Matte.h"
#include "transition/host_api/IKavroVideoTransition.h"

namespace kavro {

struct RenderSettings {
  uint32_t width = 0;  // even
  uint32_t height = 0;
  uint32_t frames = 0;
  MaskParameters parameters = {};
  uint32_t maskFrames = 1;  // frames of the chosen mask, spread over the transition
  bool cropToOutput = false;
  Matte* matte = nullptr;  // the user's own, instead of the built-in mask
  FrameRate rate;          // the output's, for a matte played at its own rate
  int threads = 1;
  uint32_t maxInFlight = 0;  // frames read and not yet written; 0: 2 threads + 2
};

// A failed or interrupted render. The frames before the failing one have
// been written.
class RenderError : public std::runtime_error {
 public:
  RenderError(const std::string& message, uint32_t written, int signal = 0)
      : std::runtime_error(message), written_(written), signal_(signal) {}
  uint32_t written() const { return written_; }
  // The signal that stopped the render (Interrupted), or 0 for a failure.
  int signal() const { return signal_; }

 private:
  uint32_t written_;
  int signal_;
};

// Returns the number of frames written (settings.frames). Throws RenderError,
// also once interrupted (Interrupted), after the frame being written.
uint32_t RenderTransition(KavroCreateVideoTransitionProc factory, const RenderSettings& settings, HeldClip& a,
                          HeldClip& b, FrameOutputs& outputs, Progress& progress);

}  // namespace kavro
