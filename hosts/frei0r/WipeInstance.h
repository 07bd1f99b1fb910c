// One frei0r instance: one transition object of the plug-in, the frame
// geometry it was made for, its parameters, and the packed frames it mixes;
// with a matte path, the plug-in's fitting and blend kernel under that
// matte's weights instead (hosting/MatteWipe.h).
// The two RGBA inputs are packed to 4:2:2 + alpha, the plug-in renders, and
// the result is unpacked; pixel pairs the mix left exactly as one input had
// them are that input's own RGBA pixels, so a frame the mask keeps wholly on
// A (or B) is A's (or B's) pixels unchanged.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "WipeParameters.h"
#include "hosting/HostedTransition.h"
#include "hosting/Matte.h"
#include "hosting/MatteWipe.h"
#include "media/PackedFrame.h"
#include "media/PackedRgba.h"
#include "transition/host_api/IKavroVideoTransition.h"

namespace kavro_wipe {

class WipeInstance {
 public:
  // Sizes kavro_media can hold: 1 to kMaxDimension a side, kMaxArea at most.
  static bool SizeFits(uint64_t width, uint64_t height);

  // Without the plug-in (or a transition from it) the instance passes A through.
  WipeInstance(uint32_t width, uint32_t height);
  ~WipeInstance();
  WipeInstance(const WipeInstance&) = delete;
  WipeInstance& operator=(const WipeInstance&) = delete;

  bool SetParameter(int index, double value);
  bool GetParameter(int index, double& value) const;
  bool SetText(int index, const char* text);
  // The text stays valid until the parameter is set again.
  bool GetText(int index, const char*& text) const;

  // Frames of width x height RGBA pixels, top row first. A null B passes A through.
  void Update(const uint8_t* a, const uint8_t* b, uint8_t* out);

 private:
  static uint8_t FetchA(uintptr_t userData, FrameFormat* request, uint32_t frameIndex, int32_t fetchArg,
                        FrameBuffer* buffer);
  static uint8_t FetchB(uintptr_t userData, FrameFormat* request, uint32_t frameIndex, int32_t fetchArg,
                        FrameBuffer* buffer);
  uint8_t Fetch(const std::vector<uint8_t>& packed, const FrameFormat* request, FrameBuffer* buffer) const;

  bool Mix(const uint8_t* a, const uint8_t* b);
  // The matte the parameters name, opened again when its path or softness
  // changed; null when it cannot be read (said once for each path).
  kavro::Matte* CurrentMatte();
  void Compose(const uint8_t* a, const uint8_t* b, uint8_t* out);
  void PassA(const uint8_t* a, uint8_t* out) const;

  mutable std::mutex mutex_;  // a host may enter one instance from slices on several threads
  const uint32_t width_, height_;
  const kavro::PackedLayout layout_;
  kavro::HostedTransition transition_;
  kavro::MatteWipe matteWipe_;
  WipeValues values_;
  std::unique_ptr<kavro::Matte> matte_;
  std::string mattePath_;
  double matteSoftness_ = 0;
  bool matteTried_ = false;

  std::vector<uint8_t> packedA_, packedB_, mixed_;
  kavro::PackedRgbaScratch scratch_;
};

}  // namespace kavro_wipe
