#include "FrameMixer.h"

#include <cstdio>

#include "hosting/HostingError.h"
#include "hosting/MaskChoice.h"

namespace kavro {

std::unique_ptr<Matte> OpenMatte(const RenderOptions& options) {
  if (options.matte.empty()) return nullptr;
  MatteOptions matte;
  if (!options.matteKind.empty()) matte.kind = options.matteKind == "luma" ? MatteKind::kLumaMap : MatteKind::kAnimated;
  matte.timing = options.matteAtOwnRate ? MatteTiming::kOwnRate : MatteTiming::kSpread;
  matte.softness = options.softness >= 0 ? options.softness : 0;
  matte.warn = [](const std::string& text) { std::fprintf(stderr, "kavro: %s\n", text.c_str()); };
  return Matte::Open(options.matte, matte);
}

FrameMixer::FrameMixer(KavroCreateVideoTransitionProc factory, const MixerSettings& settings, FetchContext& context)
    : settings_(settings), context_(context) {
  const auto userData = reinterpret_cast<uintptr_t>(&context);
  if (settings.matte) {
    wipe_.emplace(userData, FetchSourceA, FetchSourceB);
  } else {
    transition_.emplace(factory, userData, FetchSourceA, FetchSourceB);
  }
}

bool FrameMixer::Apply() {
  return wipe_ ? wipe_->Apply(settings_.transition) : transition_->Apply(settings_.transition);
}

int32_t FrameMixer::Render(uint32_t i, uint8_t* frame, uint64_t bytes) {
  const uint64_t length = settings_.transition.totalFrames;
  if (!wipe_) {
    return transition_->Render(MaskFrameAtPosition(i, static_cast<int64_t>(length), settings_.maskFrames),
                               static_cast<int32_t>(i), frame, bytes);
  }
  MatteWeights weights;
  try {
    weights = settings_.matte->WeightsAt(i, static_cast<int64_t>(length), settings_.outputRate,
                                         settings_.transition.mask.reverse != 0);
  } catch (const HostingError& error) {
    context_.error = error.what();
    return RESULT_FAILED;
  }
  return wipe_->Render(weights, i, static_cast<int32_t>(i), frame, bytes);
}

}  // namespace kavro
