// What mixes each frame on a rendering thread: a transition object of the
// plug-in under its built-in mask, or, with --mask PATH, the plug-in's own
// fitting and blending under the user's matte (hosting/MatteWipe.h).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "CommandLine.h"
#include "SourceFetch.h"
#include "hosting/HostedTransition.h"
#include "hosting/Matte.h"
#include "hosting/MatteWipe.h"

namespace kavro {

// The matte --mask PATH names, opened with --softness, --mask-timing and
// --mask-kind; none for a built-in mask. A frame that fails mid-render is
// said once on standard error. Throws HostingError, one line.
std::unique_ptr<Matte> OpenMatte(const RenderOptions& options);

struct MixerSettings {
  TransitionSettings transition;
  uint32_t maskFrames = 1;  // the built-in mask's frames, spread over the transition
  Matte* matte = nullptr;   // the user's own, instead of the built-in mask
  FrameRate outputRate;     // for a matte played at its own rate
};

class FrameMixer {
 public:
  // Fetches through `context`, which the fetches of this thread fill.
  FrameMixer(KavroCreateVideoTransitionProc factory, const MixerSettings& settings, FetchContext& context);

  bool valid() const { return wipe_ || transition_->valid(); }
  // False when the setup is refused.
  bool Apply();
  // The plug-in's result code for output frame i, rendered into `frame`.
  // A matte whose frames all fail to decode answers RESULT_FAILED, its
  // reason in the context's error.
  int32_t Render(uint32_t i, uint8_t* frame, uint64_t bytes);

 private:
  const MixerSettings& settings_;
  FetchContext& context_;
  std::optional<HostedTransition> transition_;
  std::optional<MatteWipe> wipe_;
};

}  // namespace kavro
