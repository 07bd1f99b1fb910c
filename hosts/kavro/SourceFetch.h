// The fetch callbacks kavro hands the plug-in. Each rendering thread owns one
// FetchContext; the setup's userData points at it.
#pragma once

#include <cstdint>
#include <string>

#include "Sources.h"
#include "transition/host_api/IKavroVideoTransition.h"

namespace kavro {

struct FetchSource {
  const SourceFrame* frame = nullptr;
  Proportions proportions;
};

struct FetchContext {
  FetchSource a, b;
  std::string error;  // why the last failed fetch failed
  bool outOfMemory = false;
};

// Render the context's frame of A (or B) at the request's geometry into the
// buffer and report the source's proportions, or those the request gives
// when its aspectMode is VALUE_SOURCE_GIVEN (likewise auxValue, otherwise 0).
// A request that does not fit the buffer, or a frame that fails, answers 0.
uint8_t FetchSourceA(uintptr_t userData, FrameFormat* request, uint32_t frameIndex, int32_t fetchArg,
                     FrameBuffer* buffer);
uint8_t FetchSourceB(uintptr_t userData, FrameFormat* request, uint32_t frameIndex, int32_t fetchArg,
                     FrameBuffer* buffer);

}  // namespace kavro
