// The plug-in's packed frames in an encoder's pixel format: 4:2:2 planes
// sample for sample, anything else through libswscale with the chroma
// sited left; limited range, or taken back to full range.
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

#include "AvCommon.h"
#include "media/PackedFrame.h"

namespace kavro {

class OutputPixels {
 public:
  OutputPixels(AVPixelFormat pixels, bool fullRange);
  // Any thread: the frame's planes, packed tightly one after the other.
  // Throws MediaError.
  void Convert(const uint8_t* frame, const PackedLayout& layout, std::vector<uint8_t>& out) const;

 private:
  void Deinterleave(const uint8_t* frame, const PackedLayout& layout, uint8_t* const planes[4],
                    const int strides[4]) const;
  SwsContext* TakeScaler(int width, int height) const;
  void GiveScaler(SwsContext* scaler) const;

  AVPixelFormat pixels_;
  bool fullRange_;
  uint8_t lumaOut_[256], chromaOut_[256];
  mutable std::mutex scalersMutex_;
  mutable std::vector<ScalerPtr> scalers_;
};

}  // namespace kavro
