#include "ColourConversion.h"

#include <array>
#include <cstddef>
#include <vector>

#include "ChromaSiting.h"
#include "ColourArithmetic.h"
#include "MediaRows.h"

namespace kavro {

YCbCr RgbToYCbCr(int r, int g, int b) {
  return {colour::LumaOf(r, g, b), colour::CbOf(r, g, b), colour::CrOf(r, g, b)};
}

void YCbCrToRgb(int y, int cb, int cr, uint8_t* rgb) { colour::ToRgb(y, cb, cr, rgb); }

void RgbaRowToYCbCr(const uint8_t* rgba, size_t width, uint8_t* y, uint8_t* cb, uint8_t* cr, uint8_t* alpha) {
  MediaRows().rgbaToYCbCr(rgba, width, y, cb, cr, alpha);
}

void YCbCrRowToRgba(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, const uint8_t* alpha, size_t width,
                    uint8_t* rgba) {
  MediaRows().yCbCrToRgba(y, cb, cr, alpha, width, rgba);
}

Picture RgbaToPicture(const RgbaImage& image) {
  Picture picture(image.width, image.height);
  const size_t width = static_cast<size_t>(image.width), chromaWidth = static_cast<size_t>(picture.chromaWidth());
  std::vector<uint8_t> cb(width), cr(width);
  for (size_t row = 0; row < static_cast<size_t>(image.height); ++row) {
    const size_t first = row * width;
    RgbaRowToYCbCr(&image.pixels[first * 4], width, &picture.y[first], cb.data(), cr.data(), &picture.alpha[first]);
    DownsampleChromaRow(cb.data(), image.width, &picture.cb[row * chromaWidth]);
    DownsampleChromaRow(cr.data(), image.width, &picture.cr[row * chromaWidth]);
  }
  return picture;
}

RgbaImage PictureToRgba(const Picture& picture) {
  RgbaImage image(picture.width, picture.height);
  const size_t width = static_cast<size_t>(picture.width), chromaWidth = static_cast<size_t>(picture.chromaWidth());
  std::vector<uint8_t> cb(width), cr(width);
  for (size_t row = 0; row < static_cast<size_t>(picture.height); ++row) {
    const size_t first = row * width;
    UpsampleChromaRow(&picture.cb[row * chromaWidth], picture.width, cb.data());
    UpsampleChromaRow(&picture.cr[row * chromaWidth], picture.width, cr.data());
    YCbCrRowToRgba(&picture.y[first], cb.data(), cr.data(), &picture.alpha[first], width, &image.pixels[first * 4]);
  }
  return image;
}

namespace {

struct RangeTables {
  std::array<uint8_t, 256> luma, chroma;
  RangeTables() {
    for (int v = 0; v < 256; ++v) {
      luma[static_cast<size_t>(v)] = static_cast<uint8_t>(16 + (219 * v + 127) / 255);
      const int scaled = (v - 128) * 224;
      chroma[static_cast<size_t>(v)] = static_cast<uint8_t>(128 + (scaled >= 0 ? scaled + 127 : scaled - 127) / 255);
    }
  }
};

}  // namespace

void FullRangeToLimited(Picture& picture) {
  static const RangeTables tables;
  for (uint8_t& v : picture.y) v = tables.luma[v];
  for (uint8_t& v : picture.cb) v = tables.chroma[v];
  for (uint8_t& v : picture.cr) v = tables.chroma[v];
}

}  // namespace kavro
