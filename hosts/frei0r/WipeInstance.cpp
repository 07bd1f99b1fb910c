#include "WipeInstance.h"

#include <cstring>
#include <exception>

#include "hosting/HostingError.h"
#include "hosting/MaskChoice.h"
#include "hosting/PluginForLibraryHost.h"

namespace kavro_wipe {

namespace {

kavro::ProblemsOnce& Problems() {
  static kavro::ProblemsOnce problems("kavro_wipe");
  return problems;
}

// The plug-in in the mixer's own folder, loaded once per process, when the
// first instance is made; without it the mixer passes source A through
// instead of failing the editor.
KavroCreateVideoTransitionProc PluginFactory() {
  static const KavroCreateVideoTransitionProc factory =
      kavro::PluginFactoryBeside(reinterpret_cast<void*>(&PluginFactory), "", Problems());
  return factory;
}

// A YUY2 pixel pair and its two alpha bytes.
bool SamePair(const uint8_t* packed, const uint8_t* alpha, const uint8_t* otherPacked, const uint8_t* otherAlpha) {
  return std::memcmp(packed, otherPacked, 4) == 0 && alpha[0] == otherAlpha[0] && alpha[1] == otherAlpha[1];
}

}  // namespace

bool WipeInstance::SizeFits(uint64_t width, uint64_t height) {
  return width <= static_cast<uint64_t>(kavro::kMaxDimension) &&
         height <= static_cast<uint64_t>(kavro::kMaxDimension) &&
         kavro::SizeWithinLimits(static_cast<int64_t>(width), static_cast<int64_t>(height));
}

WipeInstance::WipeInstance(uint32_t width, uint32_t height)
    : width_(width),
      height_(height),
      layout_(width + width % 2, height),
      transition_(PluginFactory(), reinterpret_cast<uintptr_t>(this), FetchA, FetchB),
      matteWipe_(reinterpret_cast<uintptr_t>(this), FetchA, FetchB) {
  const size_t frameBytes = static_cast<size_t>(layout_.bufferBytes());
  packedA_.resize(frameBytes);
  packedB_.resize(frameBytes);
  mixed_.resize(frameBytes);
  scratch_.Reserve(width);
  if (PluginFactory() && !transition_.valid()) {
    Problems().Tell("no transition", "the plug-in could not create a transition: every frame shows source A");
  }
}

WipeInstance::~WipeInstance() = default;

bool WipeInstance::SetParameter(int index, double value) {
  std::lock_guard<std::mutex> lock(mutex_);
  return values_.Set(index, value);
}

bool WipeInstance::GetParameter(int index, double& value) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return values_.Get(index, value);
}

bool WipeInstance::SetText(int index, const char* text) {
  std::lock_guard<std::mutex> lock(mutex_);
  return values_.SetText(index, text);
}

bool WipeInstance::GetText(int index, const char*& text) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return values_.GetText(index, text);
}

void WipeInstance::Update(const uint8_t* a, const uint8_t* b, uint8_t* out) {
  if (!a || !out) return;
  std::lock_guard<std::mutex> lock(mutex_);
  bool mixed = false;
  if (transition_.valid() && b) {
    try {
      mixed = Mix(a, b);
    } catch (const std::exception&) {
      mixed = false;
    }
  }
  if (mixed) {
    Compose(a, b, out);
  } else {
    PassA(a, out);
  }
}

bool WipeInstance::Mix(const uint8_t* a, const uint8_t* b) {
  kavro::TransitionSettings settings;
  settings.width = layout_.width;
  settings.height = layout_.height;
  settings.stride = layout_.stride;
  settings.cropToOutput = IsOn(values_.cropToOutput);
  settings.mask.maskIndex = MaskIndexOf(values_.mask);
  settings.mask.invert = IsOn(values_.invert) ? 1 : 0;
  settings.mask.reverse = IsOn(values_.reverse) ? 1 : 0;
  // The setup's length is the mask's: the frame index handed over is a mask frame.
  const uint32_t maskFrames = kavro::MaskFrameCount(settings.mask.maskIndex);
  settings.totalFrames = maskFrames;
  kavro::MatteWeights weights;
  if (!values_.matte.empty()) {
    kavro::Matte* matte = CurrentMatte();
    if (!matte) return false;
    settings.totalFrames = 1;  // the weights are those of this frame
    if (!matteWipe_.Apply(settings)) return false;
    try {
      weights = matte->WeightsAtProgress(values_.position, settings.mask.reverse != 0);
    } catch (const kavro::HostingError& error) {
      Problems().Tell("matte frames " + values_.matte, std::string(error.what()) + ": such frames show source A");
      return false;
    }
  } else if (!transition_.Apply(settings)) {
    return false;
  }
  kavro::PackRgba(a, width_, layout_, packedA_.data(), scratch_);
  kavro::PackRgba(b, width_, layout_, packedB_.data(), scratch_);
  const int32_t result = weights.picture ? matteWipe_.Render(weights, 0, 0, mixed_.data(), mixed_.size())
                                         : transition_.Render(kavro::MaskFrameAtProgress(values_.position, maskFrames),
                                                              0, mixed_.data(), mixed_.size());
  if (result != RESULT_OK) {
    Problems().Tell("render failed", kavro::PluginAnswerText(result) + " for a frame: such frames show source A");
    return false;
  }
  return true;
}

kavro::Matte* WipeInstance::CurrentMatte() {
  if (matteTried_ && values_.matte == mattePath_ && values_.softness == matteSoftness_) return matte_.get();
  matteTried_ = true;
  mattePath_ = values_.matte;
  matteSoftness_ = values_.softness;
  matte_.reset();
  kavro::MatteOptions options;
  options.softness = values_.softness;
  options.warn = [](const std::string& text) { Problems().Tell("matte frame " + text, text); };
  try {
    matte_ = kavro::Matte::Open(mattePath_, options);
  } catch (const kavro::HostingError& error) {
    Problems().Tell("matte " + mattePath_, std::string(error.what()) + ": such frames show source A");
  }
  return matte_.get();
}

// Row by row: a row the mix left as one input had it is that input's row;
// otherwise the row is converted back and its unchanged pairs taken over.
void WipeInstance::Compose(const uint8_t* a, const uint8_t* b, uint8_t* out) {
  const size_t rowPixels = width_, packedRow = size_t{layout_.width} * 2;
  const uint64_t alphaStart = layout_.alphaOffset();
  for (uint32_t row = 0; row < height_; ++row) {
    const size_t rgbaOffset = row * rowPixels * 4;
    const size_t packedOffset = size_t{row} * layout_.stride;
    const size_t alphaOffset = alphaStart + size_t{row} * layout_.width;
    auto rowIs = [&](const std::vector<uint8_t>& packed) {
      return std::memcmp(&mixed_[packedOffset], &packed[packedOffset], packedRow) == 0 &&
             std::memcmp(&mixed_[alphaOffset], &packed[alphaOffset], layout_.width) == 0;
    };
    if (rowIs(packedA_)) {
      std::memcpy(out + rgbaOffset, a + rgbaOffset, rowPixels * 4);
      continue;
    }
    if (rowIs(packedB_)) {
      std::memcpy(out + rgbaOffset, b + rgbaOffset, rowPixels * 4);
      continue;
    }
    kavro::UnpackRgbaRow(mixed_.data(), layout_, row, width_, out + rgbaOffset, scratch_);
    for (uint32_t x = 0; x < width_; x += 2) {
      const size_t pair = packedOffset + size_t{x} * 2, pairAlpha = alphaOffset + x;
      const uint8_t* source = nullptr;
      if (SamePair(&mixed_[pair], &mixed_[pairAlpha], &packedA_[pair], &packedA_[pairAlpha])) {
        source = a;
      } else if (SamePair(&mixed_[pair], &mixed_[pairAlpha], &packedB_[pair], &packedB_[pairAlpha])) {
        source = b;
      }
      if (source) {
        const size_t pixels = x + 1 < width_ ? 2 : 1;
        std::memcpy(out + rgbaOffset + size_t{x} * 4, source + rgbaOffset + size_t{x} * 4, pixels * 4);
      }
    }
  }
}

void WipeInstance::PassA(const uint8_t* a, uint8_t* out) const {
  if (a != out) std::memmove(out, a, size_t{width_} * height_ * 4);
}

uint8_t WipeInstance::FetchA(uintptr_t userData, FrameFormat* request, uint32_t, int32_t, FrameBuffer* buffer) {
  const auto* instance = reinterpret_cast<const WipeInstance*>(userData);
  return instance ? instance->Fetch(instance->packedA_, request, buffer) : 0;
}

uint8_t WipeInstance::FetchB(uintptr_t userData, FrameFormat* request, uint32_t, int32_t, FrameBuffer* buffer) {
  const auto* instance = reinterpret_cast<const WipeInstance*>(userData);
  return instance ? instance->Fetch(instance->packedB_, request, buffer) : 0;
}

// Hands over the packed frame. frei0r frames carry no picture proportions of
// their own, so none are reported (0 : 0): the plug-in then leaves the mask
// uncut unless it is told to crop it to the output.
// The plug-in asks for the frame this instance was made for; the mixer knows
// no proportions (0 : 0), so without cropping the whole mask is stretched.
uint8_t WipeInstance::Fetch(const std::vector<uint8_t>& packed, const FrameFormat* request, FrameBuffer* buffer) const {
  if (!request || !buffer) return 0;
  const std::optional<kavro::PackedLayout> asked = kavro::FetchLayout(*request, *buffer);
  if (!asked || asked->width != layout_.width || asked->height != layout_.height || asked->stride != layout_.stride) {
    return 0;
  }
  std::memcpy(buffer->data, packed.data(), static_cast<size_t>(layout_.usedBytes()));
  kavro::ReportSourceValues(*request, {0, 0}, *buffer);
  return 1;
}

}  // namespace kavro_wipe
