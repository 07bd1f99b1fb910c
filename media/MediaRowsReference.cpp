// The plain rows every SIMD variant is held to.
#include "ChromaArithmetic.h"
#include "ColourArithmetic.h"
#include "MediaRows.h"

namespace kavro {

void PackYuy2Reference(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, size_t pairs, uint8_t* yuy2) {
  for (size_t j = 0; j < pairs; ++j, yuy2 += 4) {
    yuy2[0] = y[2 * j];
    yuy2[1] = cb[j];
    yuy2[2] = y[2 * j + 1];
    yuy2[3] = cr[j];
  }
}

void UnpackYuy2Reference(const uint8_t* yuy2, size_t pairs, uint8_t* y, uint8_t* cb, uint8_t* cr) {
  for (size_t j = 0; j < pairs; ++j, yuy2 += 4) {
    y[2 * j] = yuy2[0];
    cb[j] = yuy2[1];
    y[2 * j + 1] = yuy2[2];
    cr[j] = yuy2[3];
  }
}

void RgbaToYCbCrReference(const uint8_t* rgba, size_t width, uint8_t* y, uint8_t* cb, uint8_t* cr, uint8_t* alpha) {
  for (size_t x = 0; x < width; ++x, rgba += 4) {
    y[x] = colour::LumaOf(rgba[0], rgba[1], rgba[2]);
    cb[x] = colour::CbOf(rgba[0], rgba[1], rgba[2]);
    cr[x] = colour::CrOf(rgba[0], rgba[1], rgba[2]);
    alpha[x] = rgba[3];
  }
}

void YCbCrToRgbaReference(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, const uint8_t* alpha, size_t width,
                          uint8_t* rgba) {
  for (size_t x = 0; x < width; ++x, rgba += 4) {
    colour::ToRgb(y[x], cb[x], cr[x], rgba);
    rgba[3] = alpha[x];
  }
}

void DownsampleChromaReference(const uint8_t* in, size_t lumaWidth, uint8_t* out) {
  for (size_t j = 0; j < (lumaWidth + 1) / 2; ++j) out[j] = chroma::Downsampled(in, lumaWidth, j);
}

void UpsampleChromaReference(const uint8_t* in, size_t lumaWidth, uint8_t* out) {
  for (size_t x = 0; x < lumaWidth; ++x) out[x] = chroma::Upsampled(in, lumaWidth, x);
}

}  // namespace kavro
