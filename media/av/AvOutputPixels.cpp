#include "AvOutputPixels.h"

#include <algorithm>
#include <cmath>
#include <string>

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libavutil/pixdesc.h>
}

namespace kavro {

OutputPixels::OutputPixels(AVPixelFormat pixels, bool fullRange) : pixels_(pixels), fullRange_(fullRange) {
  for (int value = 0; value < 256; ++value) {
    const long luma = fullRange_ ? std::lround((value - 16) * 255 / 219.0) : value;
    const long chroma = fullRange_ ? std::lround(128 + (value - 128) * 255 / 224.0) : value;
    lumaOut_[value] = static_cast<uint8_t>(std::clamp(luma, 0L, 255L));
    chromaOut_[value] = static_cast<uint8_t>(std::clamp(chroma, 0L, 255L));
  }
}

void OutputPixels::Convert(const uint8_t* frame, const PackedLayout& layout, std::vector<uint8_t>& out) const {
  const int width = static_cast<int>(layout.width), height = static_cast<int>(layout.height);
  out.resize(size_t(av_image_get_buffer_size(pixels_, width, height, 1)));
  uint8_t* planes[4] = {};
  int strides[4] = {};
  av_image_fill_arrays(planes, strides, out.data(), pixels_, width, height, 1);
  if (pixels_ == AV_PIX_FMT_YUV422P) {
    Deinterleave(frame, layout, planes, strides);
    return;
  }
  SwsContext* scaler = TakeScaler(width, height);
  const uint8_t* source[4] = {frame, nullptr, nullptr, nullptr};
  const int sourceStride[4] = {static_cast<int>(layout.stride), 0, 0, 0};
  sws_scale(scaler, source, sourceStride, 0, height, planes, strides);
  GiveScaler(scaler);
}

// The plug-in's samples as they are, for the lossless route.
void OutputPixels::Deinterleave(const uint8_t* frame, const PackedLayout& layout, uint8_t* const planes[4],
                                const int strides[4]) const {
  const uint32_t pairs = layout.width / 2;
  for (uint32_t row = 0; row < layout.height; ++row) {
    const uint8_t* in = frame + size_t(row) * layout.stride;
    uint8_t* y = planes[0] + size_t(row) * strides[0];
    uint8_t* cb = planes[1] + size_t(row) * strides[1];
    uint8_t* cr = planes[2] + size_t(row) * strides[2];
    if (!fullRange_) {
      for (uint32_t x = 0; x < pairs; ++x) {
        y[2 * x] = in[4 * x];
        cb[x] = in[4 * x + 1];
        y[2 * x + 1] = in[4 * x + 2];
        cr[x] = in[4 * x + 3];
      }
      continue;
    }
    for (uint32_t x = 0; x < pairs; ++x) {
      y[2 * x] = lumaOut_[in[4 * x]];
      cb[x] = chromaOut_[in[4 * x + 1]];
      y[2 * x + 1] = lumaOut_[in[4 * x + 2]];
      cr[x] = chromaOut_[in[4 * x + 3]];
    }
  }
}

SwsContext* OutputPixels::TakeScaler(int width, int height) const {
  {
    std::lock_guard<std::mutex> lock(scalersMutex_);
    if (!scalers_.empty()) {
      SwsContext* scaler = scalers_.back().release();
      scalers_.pop_back();
      return scaler;
    }
  }
  SwsContext* scaler = sws_alloc_context();
  if (!scaler) throw MediaError("out of memory for a pixel converter");
  av_opt_set_int(scaler, "srcw", width, 0);
  av_opt_set_int(scaler, "srch", height, 0);
  av_opt_set_int(scaler, "src_format", AV_PIX_FMT_YUYV422, 0);
  av_opt_set_int(scaler, "dstw", width, 0);
  av_opt_set_int(scaler, "dsth", height, 0);
  av_opt_set_int(scaler, "dst_format", pixels_, 0);
  av_opt_set_int(scaler, "sws_flags", SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, 0);
  // The plug-in's chroma sits on the even columns; 4:2:0 out goes between the rows.
  av_opt_set_int(scaler, "src_h_chr_pos", 0, 0);
  av_opt_set_int(scaler, "dst_h_chr_pos", 0, 0);
  av_opt_set_int(scaler, "dst_v_chr_pos", 128, 0);
  // Set before it initialises, or it picks a converter that keeps the range.
  av_opt_set_int(scaler, "src_range", 0, 0);
  av_opt_set_int(scaler, "dst_range", fullRange_ ? 1 : 0, 0);
  if (sws_init_context(scaler, nullptr, nullptr) < 0) {
    sws_freeContext(scaler);
    throw MediaError(std::string("cannot convert frames to ") + av_get_pix_fmt_name(pixels_));
  }
  return scaler;
}

void OutputPixels::GiveScaler(SwsContext* scaler) const {
  std::lock_guard<std::mutex> lock(scalersMutex_);
  scalers_.emplace_back(scaler);
}

}  // namespace kavro
