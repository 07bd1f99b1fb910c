// R'G'B' <-> Y'CbCr with BT.709 coefficients in limited range (Y' 16..235,
// Cb and Cr 16..240 around 128), in integer arithmetic so every build of the
// host converts to the same bytes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "Picture.h"

namespace kavro {

struct YCbCr {
  uint8_t y, cb, cr;
};

YCbCr RgbToYCbCr(int r, int g, int b);
// Writes R, G, B, clamped to 0..255.
void YCbCrToRgb(int y, int cb, int cr, uint8_t* rgb);

// A row of `width` RGBA pixels to Y', Cb and Cr for every pixel, and alpha.
void RgbaRowToYCbCr(const uint8_t* rgba, size_t width, uint8_t* y, uint8_t* cb, uint8_t* cr, uint8_t* alpha);
// The way back, from Cb and Cr for every pixel.
void YCbCrRowToRgba(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, const uint8_t* alpha, size_t width,
                    uint8_t* rgba);

// Converts every pixel, then brings the chroma to 4:2:2 with the [1 2 1]
// filter of DownsampleChromaRow. Alpha is carried over unchanged.
Picture RgbaToPicture(const RgbaImage& image);

// Upsamples the chroma with UpsampleChromaRow, then converts. Alpha is
// carried over unchanged.
RgbaImage PictureToRgba(const Picture& picture);

// Full-range ("JPEG") Y'CbCr brought to the limited range every picture of
// kavro carries: Y' 0..255 to 16..235, Cb and Cr 0..255 to 16..240 around 128.
// Rounded to nearest, chroma symmetrically about 128. Alpha is left alone.
void FullRangeToLimited(Picture& picture);

}  // namespace kavro
