#include "SourceFetch.h"

#include <exception>

#include "FailureText.h"

namespace kavro {

namespace {

uint8_t Fetch(FetchContext& context, const FetchSource& source, const FrameFormat& request, FrameBuffer& buffer) {
  if (request.colorFormat != COLOR_FORMAT_YUV422_ALPHA || request.width % 2 != 0 || request.width == 0 ||
      request.height == 0) {
    context.error = "the plug-in asked for a frame kavro cannot make";
    return 0;
  }
  const PackedLayout layout(request.width, request.height, request.stride);
  if (layout.stride < 2 * layout.width || !buffer.data || buffer.size < layout.usedBytes() || !source.frame) {
    context.error = "the plug-in's frame buffer is too small for the frame";
    return 0;
  }
  try {
    source.frame->Render(layout, buffer.data);
  } catch (const std::exception& error) {
    context.error = FailureText(error);
    context.outOfMemory = context.error == kOutOfMemory;
    return 0;
  }
  const bool givenAspect = request.aspectMode == VALUE_SOURCE_GIVEN;
  buffer.aspectWidth = givenAspect ? request.aspectWidth : source.proportions.width;
  buffer.aspectHeight = givenAspect ? request.aspectHeight : source.proportions.height;
  buffer.auxValue = request.auxMode == VALUE_SOURCE_GIVEN ? request.auxValue : 0;
  return 1;
}

}  // namespace

uint8_t FetchSourceA(uintptr_t userData, FrameFormat* request, uint32_t, int32_t, FrameBuffer* buffer) {
  auto* context = reinterpret_cast<FetchContext*>(userData);
  if (!context || !request || !buffer) return 0;
  return Fetch(*context, context->a, *request, *buffer);
}

uint8_t FetchSourceB(uintptr_t userData, FrameFormat* request, uint32_t, int32_t, FrameBuffer* buffer) {
  auto* context = reinterpret_cast<FetchContext*>(userData);
  if (!context || !request || !buffer) return 0;
  return Fetch(*context, context->b, *request, *buffer);
}

}  // namespace kavro
