#include "HostedTransition.h"

namespace kavro {

HostedTransition::HostedTransition(KavroCreateVideoTransitionProc factory, uintptr_t userData,
                                   SourceFetchCallback fetchA, SourceFetchCallback fetchB)
    : userData_(userData), fetchA_(fetchA), fetchB_(fetchB) {
  if (!factory || !factory(&transition_)) transition_ = nullptr;
}

HostedTransition::~HostedTransition() {
  if (transition_) transition_->Release();
}

bool HostedTransition::Apply(const TransitionSettings& settings) {
  if (!transition_) return false;
  if (!setUp_ || settings.width != given_.width || settings.height != given_.height ||
      settings.stride != given_.stride || settings.totalFrames != given_.totalFrames ||
      settings.cropToOutput != given_.cropToOutput) {
    TransitionSetup setup = {};
    setup.format.width = settings.width;
    setup.format.height = settings.height;
    setup.format.stride = settings.stride;
    setup.format.totalFrames = settings.totalFrames;
    setup.format.colorFormat = COLOR_FORMAT_YUV422_ALPHA;
    setup.format.aspectMode = VALUE_SOURCE_OWN;
    setup.format.auxMode = VALUE_SOURCE_OWN;
    setup.userData = userData_;
    setup.fetchSourceA = fetchA_;
    setup.fetchSourceB = fetchB_;
    setup.cropToOutputAspect = settings.cropToOutput ? 1 : 0;
    setUp_ = transition_->SetSetup(&setup) != nullptr;
    if (!setUp_) return false;
    given_.width = settings.width;
    given_.height = settings.height;
    given_.stride = settings.stride;
    given_.totalFrames = settings.totalFrames;
    given_.cropToOutput = settings.cropToOutput;
  }
  const MaskParameters& wanted = settings.mask;
  if (!maskGiven_ || wanted.maskIndex != given_.mask.maskIndex || wanted.invert != given_.mask.invert ||
      wanted.reverse != given_.mask.reverse) {
    MaskParameters copy = wanted;  // the call takes a non-const descriptor
    ParameterDescriptor descriptor = {&copy, sizeof copy};
    transition_->SetParameters(&descriptor);
    given_.mask = wanted;
    maskGiven_ = true;
  }
  return true;
}

int32_t HostedTransition::Render(uint32_t frameIndex, int32_t fetchArg, uint8_t* output, uint64_t outputBytes) {
  if (!transition_ || !setUp_) return RESULT_FAILED;
  FrameBuffer buffer = {};
  buffer.data = output;
  buffer.size = outputBytes;
  return transition_->RenderFrame(frameIndex, fetchArg, &buffer);
}

std::string PluginAnswerText(int32_t result) {
  const char* meaning = "unknown result";
  switch (result) {
    case RESULT_OUT_OF_MEMORY:
      meaning = "out of memory";
      break;
    case RESULT_FAILED:
      meaning = "unsupported format or failed fetch";
      break;
    case RESULT_NOT_SET_UP:
      meaning = "not set up";
      break;
  }
  return "the plug-in answered " + std::to_string(result) + " (" + meaning + ")";
}

std::optional<PackedLayout> FetchLayout(const FrameFormat& request, const FrameBuffer& buffer) {
  if (request.colorFormat != COLOR_FORMAT_YUV422_ALPHA || request.width % 2 != 0 || request.width == 0 ||
      request.height == 0) {
    return std::nullopt;
  }
  const PackedLayout layout(request.width, request.height, request.stride);
  if (layout.stride < 2 * layout.width || !buffer.data || buffer.size < layout.usedBytes()) return std::nullopt;
  return layout;
}

void ReportSourceValues(const FrameFormat& request, Proportions source, FrameBuffer& buffer) {
  const bool givenAspect = request.aspectMode == VALUE_SOURCE_GIVEN;
  buffer.aspectWidth = givenAspect ? request.aspectWidth : source.width;
  buffer.aspectHeight = givenAspect ? request.aspectHeight : source.height;
  buffer.auxValue = request.auxMode == VALUE_SOURCE_GIVEN ? request.auxValue : 0;
}

}  // namespace kavro
