#include "WipeRenderer.h"

#include <cstring>

#include "hosting/MaskChoice.h"
#include "hosting/WipeSetup.h"

namespace kavro_mlt {

void CopyPicture(const SourcePicture& picture, const kavro::PackedLayout& layout, uint8_t* frame) {
  const size_t packedBytes = static_cast<size_t>(layout.alphaOffset());
  const size_t alphaBytes = size_t{layout.width} * layout.height;
  std::memcpy(frame, picture.image, packedBytes);
  if (picture.alpha) {
    std::memcpy(frame + packedBytes, picture.alpha, alphaBytes);
  } else {
    std::memset(frame + packedBytes, 0xFF, alphaBytes);
  }
}

WipeRenderer::WipeRenderer(KavroCreateVideoTransitionProc factory) {
  if (!factory || !factory(&transition_)) transition_ = nullptr;
}

WipeRenderer::~WipeRenderer() {
  if (transition_) transition_->Release();
}

bool WipeRenderer::Apply(const WipeFrame& frame) {
  const WipeChoice& choice = frame.choice;
  // The setup's length is the mask's: the frame index handed over is a mask frame.
  if (!setUp_ || frame.width != width_ || frame.height != height_ || choice.cropToOutput != crop_ ||
      choice.mask != setUpMask_) {
    kavro::WipeSetupFields fields;
    fields.width = frame.width;
    fields.height = frame.height;
    fields.totalFrames = kavro::MaskFrameCount(choice.mask);
    fields.userData = reinterpret_cast<uintptr_t>(this);
    fields.fetchSourceA = FetchA;
    fields.fetchSourceB = FetchB;
    fields.cropToOutput = choice.cropToOutput;
    TransitionSetup setup = kavro::WipeSetup(fields);
    setUp_ = transition_->SetSetup(&setup) != nullptr;
    if (!setUp_) return false;
    width_ = frame.width;
    height_ = frame.height;
    crop_ = choice.cropToOutput;
    setUpMask_ = choice.mask;
  }
  MaskParameters wanted = {};
  wanted.maskIndex = choice.mask;
  wanted.invert = choice.invert ? 1 : 0;
  wanted.reverse = choice.reverse ? 1 : 0;
  parameters_.Give(transition_, wanted);
  return true;
}

int32_t WipeRenderer::Render(const WipeFrame& frame, uint8_t* output, uint64_t outputBytes) {
  if (!transition_ || !Apply(frame)) return RESULT_FAILED;
  frame_ = &frame;
  FrameBuffer buffer = {};
  buffer.data = output;
  buffer.size = outputBytes;
  const int32_t result = transition_->RenderFrame(frame.choice.maskFrame, frame.fetchArg, &buffer);
  frame_ = nullptr;
  return result;
}

uint8_t WipeRenderer::FetchA(uintptr_t userData, FrameFormat* request, uint32_t, int32_t, FrameBuffer* buffer) {
  const auto* renderer = reinterpret_cast<const WipeRenderer*>(userData);
  return renderer && renderer->frame_ ? renderer->Fetch(renderer->frame_->a, request, buffer) : 0;
}

uint8_t WipeRenderer::FetchB(uintptr_t userData, FrameFormat* request, uint32_t, int32_t, FrameBuffer* buffer) {
  const auto* renderer = reinterpret_cast<const WipeRenderer*>(userData);
  return renderer && renderer->frame_ ? renderer->Fetch(renderer->frame_->b, request, buffer) : 0;
}

// MLT's packed rows are the plug-in's rows; only the alpha plane moves in
// behind them (or is made opaque).
uint8_t WipeRenderer::Fetch(const SourcePicture& source, const FrameFormat* request, FrameBuffer* buffer) const {
  if (!request || !buffer || !buffer->data || !source.image) return 0;
  const kavro::PackedLayout layout(frame_->width, frame_->height);
  if (request->colorFormat != COLOR_FORMAT_YUV422_ALPHA || request->width != layout.width ||
      request->height != layout.height || (request->stride != 0 && request->stride != layout.stride)) {
    return 0;
  }
  if (buffer->size != 0 && buffer->size < layout.usedBytes()) return 0;
  if (&source != &frame_->a || buffer->data != frame_->outputHoldingA) CopyPicture(source, layout, buffer->data);
  const bool given = request->aspectMode == VALUE_SOURCE_GIVEN;
  buffer->aspectWidth = given ? request->aspectWidth : frame_->aspectWidth;
  buffer->aspectHeight = given ? request->aspectHeight : frame_->aspectHeight;
  buffer->auxValue = request->auxMode == VALUE_SOURCE_GIVEN ? request->auxValue : 0;
  return 1;
}

}  // namespace kavro_mlt
