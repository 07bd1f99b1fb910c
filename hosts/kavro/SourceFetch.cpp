#include "SourceFetch.h"

#include <exception>

#include "Console.h"
#include "hosting/HostedTransition.h"

namespace kavro {

namespace {

uint8_t Fetch(FetchContext& context, const FetchSource& source, const FrameFormat& request, FrameBuffer& buffer) {
  const std::optional<PackedLayout> layout = FetchLayout(request, buffer);
  if (!layout || !source.frame) {
    context.error = "the plug-in asked for a frame kavro cannot make, or into a buffer too small for it";
    return 0;
  }
  try {
    source.frame->Render(*layout, buffer.data);
  } catch (const std::exception& error) {
    context.error = FailureText(error);
    context.outOfMemory = context.error == kOutOfMemory;
    return 0;
  }
  ReportSourceValues(request, source.proportions, buffer);
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
