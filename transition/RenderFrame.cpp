// One output frame: fetch both sources, take the mask frame of the position,
// fit it to the output, and mix source B into source A row by row.
#include <stdlib.h>

#include <memory>
#include <new>

#include "FrameGeometry.h"
#include "KavroVideoTransitionMask.h"
#include "masks/MaskImageFactory.h"
#include "masks/Pelt.h"

namespace {

// A request carries the setup's format; a mode that takes the values from
// the source being fetched becomes "own values" for that source.
FrameFormat RequestFor(const FrameFormat& format, VALUE_SOURCE fetchedSource) {
  FrameFormat request = format;
  if (request.aspectMode == fetchedSource) request.aspectMode = VALUE_SOURCE_OWN;
  if (request.auxMode == fetchedSource) request.auxMode = VALUE_SOURCE_OWN;
  return request;
}

// Writes what the first fetch reported into the second request wherever that
// request takes its values from the first source.
void TakeReportedValues(FrameFormat& request, const FrameBuffer& reported, VALUE_SOURCE firstSource) {
  if (request.aspectMode == firstSource) {
    request.aspectWidth = reported.aspectWidth;
    request.aspectHeight = reported.aspectHeight;
    request.aspectMode = VALUE_SOURCE_GIVEN;
  }
  if (request.auxMode == firstSource) {
    request.auxValue = reported.auxValue;
    request.auxMode = VALUE_SOURCE_GIVEN;
  }
}

struct Fetch {
  const TransitionSetup& setup;
  uint32_t frameIndex;
  int32_t fetchArg;

  // A missing callback delivers nothing, like one that fails.
  bool operator()(SourceFetchCallback callback, FrameFormat& request, FrameBuffer& frame) const {
    return callback && callback(setup.userData, &request, frameIndex, fetchArg, &frame) != 0;
  }
};

// Source A into the output, source B into the work frame, in the order the
// link modes need: B first when A takes anything from B. A fetch may call
// back into the object and give the work buffer back; B is then never
// fetched into memory that is gone.
template <typename WorkFrameHeld>
bool FetchSources(const Fetch& fetch, FrameBuffer& output, FrameBuffer& workFrame, const WorkFrameHeld& workFrameHeld) {
  const FrameFormat& format = fetch.setup.format;
  FrameFormat requestA = RequestFor(format, VALUE_SOURCE_FROM_A);
  FrameFormat requestB = RequestFor(format, VALUE_SOURCE_FROM_B);
  if (format.aspectMode == VALUE_SOURCE_FROM_B || format.auxMode == VALUE_SOURCE_FROM_B) {
    if (!fetch(fetch.setup.fetchSourceB, requestB, workFrame)) return false;
    TakeReportedValues(requestA, workFrame, VALUE_SOURCE_FROM_B);
    return fetch(fetch.setup.fetchSourceA, requestA, output);
  }
  if (!fetch(fetch.setup.fetchSourceA, requestA, output) || !workFrameHeld()) return false;
  TakeReportedValues(requestB, output, VALUE_SOURCE_FROM_A);
  return fetch(fetch.setup.fetchSourceB, requestB, workFrame);
}

// Brings a mask frame of another size to the output size: cut to the target
// proportions, then scaled. False when a step fails.
bool FitMask(TImage& mask, const FrameGeometry& frame, uint32_t aspectWidth, uint32_t aspectHeight) {
  if (labs(mask.GetWidth()) == static_cast<long>(frame.width) &&
      labs(mask.GetHeight()) == static_cast<long>(frame.height)) {
    return true;
  }
  if (!mask.IsValid()) return false;
  // The terms are signed for the cut; a huge unsigned term reads as negative.
  if (!MaskImageFactory::CropToAspect(mask, static_cast<int32_t>(aspectWidth), static_cast<int32_t>(aspectHeight))) {
    return false;
  }
  return TEffectImage::Resize(mask, static_cast<long>(frame.width), static_cast<long>(frame.height)) >= 0;
}

}  // namespace

int32_t KavroVideoTransitionMask::RenderFrame(uint32_t frameIndex, int32_t fetchArg, FrameBuffer* output) {
  try {
    return RenderSteps(frameIndex, fetchArg, output);
  } catch (const std::bad_alloc&) {
    return RESULT_OUT_OF_MEMORY;
  } catch (...) {
    return RESULT_FAILED;
  }
}

int32_t KavroVideoTransitionMask::RenderSteps(uint32_t frameIndex, int32_t fetchArg, FrameBuffer* output) {
  if (!setup) return RESULT_NOT_SET_UP;
  // Our own copy: a fetch that stores another setup must not pull this one
  // from under the call.
  const TransitionSetup stored = *setup;
  if (!IsSupportedFormat(stored.format.colorFormat)) return RESULT_FAILED;

  // The frame has to be addressable, and the host's buffer must be able to
  // hold it (a size of 0 leaves that to the host), before anything is touched.
  FrameGeometry frame;
  if (MeasureFrame(stored.format, frame) != FRAME_GEOMETRY_OK) return RESULT_FAILED;
  if (!output || !output->data) return RESULT_FAILED;
  if (output->size != 0 && output->size < frame.totalBytes) return RESULT_FAILED;
  uint8_t* const outputFrame = output->data;

  if (!ReserveWorkBuffer(frame.totalBytes)) return RESULT_OUT_OF_MEMORY;
  FrameBuffer workFrame = {};
  workFrame.data = workBuffer;
  workFrame.size = workBufferSize;
  const uint8_t* const sourceB = workBuffer;

  // A fetch that gave the work buffer back has taken source B with it.
  auto workFrameHeld = [&] { return workBuffer == sourceB && workBufferSize >= frame.totalBytes; };
  if (!FetchSources(Fetch{stored, frameIndex, fetchArg}, *output, workFrame, workFrameHeld)) return RESULT_FAILED;
  if (!workFrameHeld()) return RESULT_FAILED;

  // From here on the output holds source A, and every way out leaves it
  // complete: unmixed, or mixed under the whole mask.
  if (stored.format.totalFrames == 0 || !maskSource) return RESULT_OK;
  std::unique_ptr<TImage> mask(maskSource->GetFrame(frameIndex));
  if (!mask) return RESULT_OK;

  const bool toOutput = stored.cropToOutputAspect != 0;
  if (!FitMask(*mask, frame, toOutput ? frame.width : workFrame.aspectWidth,
               toOutput ? frame.height : workFrame.aspectHeight)) {
    return RESULT_OK;
  }
  if (!MaskCoversFrame(*mask, frame)) return RESULT_OK;

  MixRows(outputFrame, sourceB, frame, *mask);
  return RESULT_OK;
}

bool KavroVideoTransitionMask::IsSupportedFormat(KIV_COLOR_FORMAT format) const {
  for (uint32_t i = 0; i < supportedFormats.count; ++i) {
    if (supportedFormats.items[i] == format) return true;
  }
  return false;
}

bool KavroVideoTransitionMask::ReserveWorkBuffer(uint32_t totalBytes) {
  // Kept while it is large enough; never shrinks.
  if (workBufferSize >= totalBytes) return true;
  ReleaseWorkBuffer();
  workBuffer = new (std::nothrow) uint8_t[totalBytes];
  if (!workBuffer) return false;
  workBufferSize = totalBytes;
  return true;
}

// Frame rows from the first in memory on, mask rows from the mask's last row
// in memory backwards: the frame's top line meets the mask picture's top line.
// Alpha rows are `width` bytes apart, whatever is reserved per row.
void KavroVideoTransitionMask::MixRows(uint8_t* outputFrame, const uint8_t* workFrame, const FrameGeometry& frame,
                                       const TImage& mask) const {
  const int32_t maskRowBytes = static_cast<int32_t>(mask.GetWidthBytes());
  int32_t maskOffset = static_cast<int32_t>(mask.GetSize()) - maskRowBytes;
  uint32_t alphaOffset = frame.mainBytes;
  for (uint32_t rowOffset = 0; rowOffset < frame.mainBytes; rowOffset += frame.stride) {
    BlendRowYUV422Alpha(outputFrame, workFrame, rowOffset, frame.rowBytes, &mask, maskOffset, alphaOffset);
    alphaOffset += frame.width;
    maskOffset -= maskRowBytes;
  }
}
