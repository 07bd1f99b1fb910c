// One output frame: fetch both sources, take the mask frame of the position,
// fit it to the output, and mix source B into source A row by row.
#include <memory>
#include <new>

#include "FrameGeometry.h"
#include "KavroVideoTransitionMask.h"
#include "WipeSteps.h"
#include "masks/MaskImageFactory.h"
#include "masks/Pelt.h"

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
  if (!FetchSources(SourceFetch{stored, frameIndex, fetchArg}, *output, workFrame, workFrameHeld)) return RESULT_FAILED;
  if (!workFrameHeld()) return RESULT_FAILED;

  // From here on the output holds source A, and every way out leaves it
  // complete: unmixed, or mixed under the whole mask.
  if (stored.format.totalFrames == 0 || !maskSource) return RESULT_OK;
  std::unique_ptr<TImage> mask(maskSource->GetFrame(frameIndex));
  if (!mask) return RESULT_OK;

  MixUnderMask(outputFrame, sourceB, frame, *mask, stored.cropToOutputAspect != 0, workFrame, parameters.invert != 0);
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
