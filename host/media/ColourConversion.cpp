#include "ColourConversion.h"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "ChromaSiting.h"

namespace kavro {

namespace {

// Coefficients in units of 1/65536. Forward: 219/255 and 224/255 scale the
// BT.709 rows (Kr 0.2126, Kb 0.0722); each chroma row adds up to exactly 0,
// so grays keep Cb = Cr = 128.
constexpr int kShift = 16;
constexpr int kHalf = 1 << (kShift - 1);
constexpr int kYr = 11966, kYg = 40254, kYb = 4064;
constexpr int kCbR = -6596, kCbG = -22188, kCbB = 28784;
constexpr int kCrR = 28784, kCrG = -26145, kCrB = -2639;
// Inverse: 255/219 for Y'; 255/224 times 2(1 - Kr), 2(1 - Kb) and the
// green terms 2(1 - Kb)Kb/Kg, 2(1 - Kr)Kr/Kg for chroma.
constexpr int kY = 76309, kRCr = 117489, kBCb = 138438, kGCb = 13975, kGCr = 34925;

uint8_t ClampShifted(int value) {
  // Negative sums clamp before the shift, which then only sees non-negative values.
  if (value <= 0) return 0;
  return static_cast<uint8_t>(std::min(value >> kShift, 255));
}

}  // namespace

YCbCr RgbToYCbCr(int r, int g, int b) {
  return {static_cast<uint8_t>((kYr * r + kYg * g + kYb * b + (16 << kShift) + kHalf) >> kShift),
          static_cast<uint8_t>((kCbR * r + kCbG * g + kCbB * b + (128 << kShift) + kHalf) >> kShift),
          static_cast<uint8_t>((kCrR * r + kCrG * g + kCrB * b + (128 << kShift) + kHalf) >> kShift)};
}

void YCbCrToRgb(int y, int cb, int cr, uint8_t* rgb) {
  const int luma = kY * (y - 16) + kHalf;
  rgb[0] = ClampShifted(luma + kRCr * (cr - 128));
  rgb[1] = ClampShifted(luma - kGCb * (cb - 128) - kGCr * (cr - 128));
  rgb[2] = ClampShifted(luma + kBCb * (cb - 128));
}

void RgbaRowToYCbCr(const uint8_t* rgba, int width, uint8_t* y, int lumaStep, uint8_t* cb, uint8_t* cr,
                    uint8_t* alpha) {
  for (int x = 0; x < width; ++x, rgba += 4, y += lumaStep) {
    const YCbCr value = RgbToYCbCr(rgba[0], rgba[1], rgba[2]);
    *y = value.y;
    cb[x] = value.cb;
    cr[x] = value.cr;
    alpha[x] = rgba[3];
  }
}

void YCbCrRowToRgba(const uint8_t* y, int lumaStep, const uint8_t* cb, const uint8_t* cr, const uint8_t* alpha,
                    int width, uint8_t* rgba) {
  for (int x = 0; x < width; ++x, rgba += 4, y += lumaStep) {
    YCbCrToRgb(*y, cb[x], cr[x], rgba);
    rgba[3] = alpha[x];
  }
}

Picture RgbaToPicture(const RgbaImage& image) {
  Picture picture(image.width, image.height);
  std::vector<uint8_t> cb(static_cast<size_t>(image.width)), cr(cb.size());
  const size_t chromaWidth = static_cast<size_t>(picture.chromaWidth());
  for (int row = 0; row < image.height; ++row) {
    const size_t first = static_cast<size_t>(row) * image.width;
    RgbaRowToYCbCr(&image.pixels[first * 4], image.width, &picture.y[first], 1, cb.data(), cr.data(),
                   &picture.alpha[first]);
    DownsampleChromaRow(cb.data(), image.width, &picture.cb[row * chromaWidth]);
    DownsampleChromaRow(cr.data(), image.width, &picture.cr[row * chromaWidth]);
  }
  return picture;
}

RgbaImage PictureToRgba(const Picture& picture) {
  RgbaImage image(picture.width, picture.height);
  std::vector<uint8_t> cb(static_cast<size_t>(picture.width)), cr(cb.size());
  const size_t chromaWidth = static_cast<size_t>(picture.chromaWidth());
  for (int row = 0; row < picture.height; ++row) {
    const size_t first = static_cast<size_t>(row) * picture.width;
    UpsampleChromaRow(&picture.cb[row * chromaWidth], picture.width, cb.data());
    UpsampleChromaRow(&picture.cr[row * chromaWidth], picture.width, cr.data());
    YCbCrRowToRgba(&picture.y[first], 1, cb.data(), cr.data(), &picture.alpha[first], picture.width,
                   &image.pixels[first * 4]);
  }
  return image;
}

}  // namespace kavro
