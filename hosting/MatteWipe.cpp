#include "MatteWipe.h"

#include <cstdint>
#include <cstring>
#include <new>

#include "masks/Pelt.h"
#include "transition/FrameGeometry.h"
#include "transition/WipeSteps.h"

namespace kavro {

namespace {

// The weights as the image library's 8-bit picture, bottom row first in
// memory as a decoded mask frame; a luma map's levels mapped on the way.
bool WeightImage(const MatteWeights& weights, TImage& image) {
  const GrayImage& picture = *weights.picture;
  if (!image.Create(picture.width, picture.height, pf8bit, 0)) return false;
  const long rowBytes = image.GetWidthBytes();
  uint8_t* bits = image.GetBits();
  for (int y = 0; y < picture.height; ++y) {
    const uint8_t* from = &picture.pixels[static_cast<size_t>(y) * picture.width];
    uint8_t* to = bits + static_cast<ptrdiff_t>(picture.height - 1 - y) * rowBytes;
    if (weights.mapped) {
      for (int x = 0; x < picture.width; ++x) to[x] = weights.levels[from[x]];
    } else {
      std::memcpy(to, from, static_cast<size_t>(picture.width));
    }
  }
  return true;
}

}  // namespace

MatteWipe::MatteWipe(uintptr_t userData, SourceFetchCallback fetchA, SourceFetchCallback fetchB) {
  setup_.userData = userData;
  setup_.fetchSourceA = fetchA;
  setup_.fetchSourceB = fetchB;
  setup_.format.colorFormat = COLOR_FORMAT_YUV422_ALPHA;
  setup_.format.aspectMode = VALUE_SOURCE_OWN;
  setup_.format.auxMode = VALUE_SOURCE_OWN;
}

bool MatteWipe::Apply(const TransitionSettings& settings) {
  setup_.format.width = settings.width;
  setup_.format.height = settings.height;
  setup_.format.stride = settings.stride;
  setup_.format.totalFrames = settings.totalFrames;
  setup_.cropToOutputAspect = settings.cropToOutput ? 1 : 0;
  invert_ = settings.mask.invert != 0;
  FrameGeometry frame;
  setUp_ = MeasureFrame(setup_.format, frame) == FRAME_GEOMETRY_OK;
  return setUp_;
}

int32_t MatteWipe::Render(const MatteWeights& weights, uint32_t frameIndex, int32_t fetchArg, uint8_t* output,
                          uint64_t outputBytes) {
  if (!setUp_) return RESULT_NOT_SET_UP;
  try {
    FrameGeometry frame;
    if (MeasureFrame(setup_.format, frame) != FRAME_GEOMETRY_OK) return RESULT_FAILED;
    if (!output || (outputBytes != 0 && outputBytes < frame.totalBytes)) return RESULT_FAILED;
    if (work_.size() < frame.totalBytes) work_.resize(frame.totalBytes);

    FrameBuffer outputFrame = {};
    outputFrame.data = output;
    outputFrame.size = outputBytes;
    FrameBuffer workFrame = {};
    workFrame.data = work_.data();
    workFrame.size = work_.size();
    if (!FetchSources(SourceFetch{setup_, frameIndex, fetchArg}, outputFrame, workFrame, [] { return true; })) {
      return RESULT_FAILED;
    }

    // Source A is in the output; as in the plug-in, it stays there unmixed
    // when there is nothing to mix with.
    if (setup_.format.totalFrames == 0 || !weights.picture) return RESULT_OK;
    const GrayImage& picture = *weights.picture;
    // Weights of the frame's size need no fitting (the plug-in's fit leaves
    // such a mask as it is): their rows mix as they are, top row first.
    if (!weights.mapped && picture.width == static_cast<int>(frame.width) &&
        picture.height == static_cast<int>(frame.height) && picture.pixels.size() <= INT32_MAX) {
      MixMaskRowsAt(output, work_.data(), frame, picture.pixels.data(), 0, picture.width, invert_);
      return RESULT_OK;
    }
    TImage mask;
    if (!WeightImage(weights, mask)) return RESULT_OUT_OF_MEMORY;
    MixUnderMask(output, work_.data(), frame, mask, setup_.cropToOutputAspect != 0, workFrame, invert_);
    return RESULT_OK;
  } catch (const std::bad_alloc&) {
    return RESULT_OUT_OF_MEMORY;
  }
}

}  // namespace kavro
