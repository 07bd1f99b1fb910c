// The steps of one wipe frame around its mask: fetching both sources in the
// order the link modes need, and mixing source B into source A under a
// fitted mask. The plug-in renders with them, and hosts that mix with mattes
// of their own link the same code.
#pragma once

#include <stdint.h>

#include "FrameGeometry.h"
#include "transition/host_api/KavroHostRecords.h"

class TImage;

namespace wipesteps {

// A request carries the setup's format; a mode that takes the values from
// the source being fetched becomes "own values" for that source.
inline FrameFormat RequestFor(const FrameFormat& format, VALUE_SOURCE fetchedSource) {
  FrameFormat request = format;
  if (request.aspectMode == fetchedSource) request.aspectMode = VALUE_SOURCE_OWN;
  if (request.auxMode == fetchedSource) request.auxMode = VALUE_SOURCE_OWN;
  return request;
}

// Writes what the first fetch reported into the second request wherever that
// request takes its values from the first source.
inline void TakeReportedValues(FrameFormat& request, const FrameBuffer& reported, VALUE_SOURCE firstSource) {
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

}  // namespace wipesteps

struct SourceFetch {
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
// fetched into memory that is gone (workFrameHeld() answers whether it is
// still there).
template <typename WorkFrameHeld>
bool FetchSources(const SourceFetch& fetch, FrameBuffer& output, FrameBuffer& workFrame,
                  const WorkFrameHeld& workFrameHeld) {
  const FrameFormat& format = fetch.setup.format;
  FrameFormat requestA = wipesteps::RequestFor(format, VALUE_SOURCE_FROM_A);
  FrameFormat requestB = wipesteps::RequestFor(format, VALUE_SOURCE_FROM_B);
  if (format.aspectMode == VALUE_SOURCE_FROM_B || format.auxMode == VALUE_SOURCE_FROM_B) {
    if (!fetch(fetch.setup.fetchSourceB, requestB, workFrame)) return false;
    wipesteps::TakeReportedValues(requestA, workFrame, VALUE_SOURCE_FROM_B);
    return fetch(fetch.setup.fetchSourceA, requestA, output);
  }
  if (!fetch(fetch.setup.fetchSourceA, requestA, output) || !workFrameHeld()) return false;
  wipesteps::TakeReportedValues(requestB, output, VALUE_SOURCE_FROM_A);
  return fetch(fetch.setup.fetchSourceB, requestB, workFrame);
}

// Fits the mask to the frame (to the frame's own proportions when cropping to
// the output, else to those source B reported) and mixes B into A under it,
// with invert as the plug-in's flag. False, with the output left as source A,
// when the mask cannot be fitted or does not cover the frame.
bool MixUnderMask(uint8_t* outputFrame, const uint8_t* workFrame, const FrameGeometry& frame, TImage& mask,
                  bool cropToOutput, const FrameBuffer& reportedB, bool invert);

// Frame rows from the first in memory on, mask rows from the mask's last row
// in memory backwards: the frame's top line meets the mask picture's top line.
// Alpha rows are `width` bytes apart, whatever is reserved per row. The mask
// must cover the frame (MaskCoversFrame).
void MixMaskRows(uint8_t* outputFrame, const uint8_t* workFrame, const FrameGeometry& frame, const TImage& mask,
                 bool invert);

// The same over mask rows of width bytes at maskBits + firstRowOffset, each
// next one rowStep bytes on (negative for a bottom-up image): a host's weights
// of the frame's very size, top row first, mix without an image of their own.
void MixMaskRowsAt(uint8_t* outputFrame, const uint8_t* workFrame, const FrameGeometry& frame, const uint8_t* maskBits,
                   int32_t firstRowOffset, int32_t rowStep, bool invert);
