// One transition object of the plug-in as a host drives it, and the answer
// to the plug-in's fetches: the one way kavro, the MLT transition and the
// frei0r mixer set it up, give it its mask and fill the frames it asks for.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "media/PackedFrame.h"
#include "media/Proportions.h"
#include "transition/host_api/IKavroVideoTransition.h"

namespace kavro {

// What the object is set up with: 4:2:2 frames with an alpha plane, with
// proportions and auxiliary value the plug-in's own, and the mask to show.
struct TransitionSettings {
  uint32_t width = 0, height = 0;
  uint32_t stride = 0;  // 0: 2 * width
  uint64_t totalFrames = 0;
  bool cropToOutput = false;
  MaskParameters mask = {};
};

class HostedTransition {
 public:
  // The factory's object, fetching both sources through the callbacks given
  // `userData`; none when the factory gives none (valid() is then false).
  HostedTransition(KavroCreateVideoTransitionProc factory, uintptr_t userData, SourceFetchCallback fetchA,
                   SourceFetchCallback fetchB);
  ~HostedTransition();
  HostedTransition(const HostedTransition&) = delete;
  HostedTransition& operator=(const HostedTransition&) = delete;

  bool valid() const { return transition_ != nullptr; }

  // Stores the setup again when the frame, the length or the cropping
  // changed, and gives the mask parameters when they changed: choosing a mask
  // makes the plug-in look its frames up again, so a host rendering frame
  // after frame must not repeat it. False when the plug-in refused the setup.
  bool Apply(const TransitionSettings& settings);

  // The plug-in's result code for one frame rendered into `output`.
  int32_t Render(uint32_t frameIndex, int32_t fetchArg, uint8_t* output, uint64_t outputBytes);

  const MaskParameters& mask() const { return given_.mask; }

 private:
  IKavroVideoTransition* transition_ = nullptr;
  uintptr_t userData_;
  SourceFetchCallback fetchA_, fetchB_;
  bool setUp_ = false, maskGiven_ = false;
  TransitionSettings given_;
};

// "the plug-in answered 2 (unsupported format or failed fetch)": a result
// code other than RESULT_OK in words, for the host's messages.
std::string PluginAnswerText(int32_t result);

// The frame a fetch request asks for, when a host can fill it: 4:2:2 with
// alpha, an even width, rows at least 2 * width bytes apart, into a buffer
// that holds the whole frame. Nothing otherwise.
std::optional<PackedLayout> FetchLayout(const FrameFormat& request, const FrameBuffer& buffer);

// Reports beside the fetched picture the proportions and auxiliary value the
// request gives, when it says it gives them; otherwise the source's own
// proportions (0 : 0 when unknown) and no auxiliary value.
void ReportSourceValues(const FrameFormat& request, Proportions source, FrameBuffer& buffer);

}  // namespace kavro
