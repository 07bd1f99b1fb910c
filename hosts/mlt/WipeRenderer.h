// One transition object of the plug-in and what it was last given, rendering
// MLT's own 4:2:2 pictures: the fetches copy them into the plug-in's frames
// as they are, and the mix lands in the caller's buffer, alpha plane after
// the YUY2 rows.
#pragma once

#include <cstdint>

#include "hosting/GivenMaskParameters.h"
#include "transition/host_api/IKavroVideoTransition.h"
#include "media/PackedFrame.h"
#include "WipeChoice.h"

namespace kavro_mlt {

// A packed Y0 U Y1 V picture of the frame's size, rows 2 * width bytes apart,
// and its alpha plane (null: opaque).
struct SourcePicture {
  const uint8_t* image = nullptr;
  const uint8_t* alpha = nullptr;
};

// Packs a picture into a plug-in frame of `layout`: its rows, then its alpha
// plane, or an opaque one.
void CopyPicture(const SourcePicture& picture, const kavro::PackedLayout& layout, uint8_t* frame);

struct WipeFrame {
  uint32_t width = 0, height = 0;  // width even
  // The pictures' shown proportions, in lowest terms, as each fetch reports them.
  uint32_t aspectWidth = 0, aspectHeight = 0;
  SourcePicture a, b;
  // An output buffer that already holds A, packed: fetching A into it copies nothing.
  const uint8_t* outputHoldingA = nullptr;
  WipeChoice choice;
  int32_t fetchArg = 0;
};

class WipeRenderer {
 public:
  // Holds no object when the factory gives none (valid() is then false).
  explicit WipeRenderer(KavroCreateVideoTransitionProc factory);
  ~WipeRenderer();
  WipeRenderer(const WipeRenderer&) = delete;
  WipeRenderer& operator=(const WipeRenderer&) = delete;

  bool valid() const { return transition_ != nullptr; }

  // Renders into `output`, which holds kavro::PackedLayout(width, height)
  // .bufferBytes(). The plug-in's result code; RESULT_FAILED when it refused
  // the setup.
  int32_t Render(const WipeFrame& frame, uint8_t* output, uint64_t outputBytes);

 private:
  static uint8_t FetchA(uintptr_t userData, FrameFormat* request, uint32_t frameIndex, int32_t fetchArg,
                        FrameBuffer* buffer);
  static uint8_t FetchB(uintptr_t userData, FrameFormat* request, uint32_t frameIndex, int32_t fetchArg,
                        FrameBuffer* buffer);
  uint8_t Fetch(const SourcePicture& source, const FrameFormat* request, FrameBuffer* buffer) const;
  bool Apply(const WipeFrame& frame);

  IKavroVideoTransition* transition_ = nullptr;
  const WipeFrame* frame_ = nullptr;  // during Render only

  // What the object was last given.
  bool setUp_ = false;
  uint32_t width_ = 0, height_ = 0, setUpMask_ = 0;
  bool crop_ = false;
  kavro::GivenMaskParameters parameters_;
};

}  // namespace kavro_mlt
