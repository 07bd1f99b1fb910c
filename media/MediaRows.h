// kavro's per-pixel row loops: a plain reference that defines the results,
// and SIMD variants held to it byte for byte, chosen by the CPU's level.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/cpu/CpuLevel.h"

namespace kavro {

struct MediaRowFunctions {
  // `pairs` pixel pairs of planar rows (luma, and chroma on the even
  // columns) to YUY2: Y0 Cb Y1 Cr for each pair.
  void (*packYuy2)(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, size_t pairs, uint8_t* yuy2);
  // And back.
  void (*unpackYuy2)(const uint8_t* yuy2, size_t pairs, uint8_t* y, uint8_t* cb, uint8_t* cr);
  // `width` RGBA pixels to Y', Cb, Cr (each pixel's own) and alpha.
  void (*rgbaToYCbCr)(const uint8_t* rgba, size_t width, uint8_t* y, uint8_t* cb, uint8_t* cr, uint8_t* alpha);
  // And back, clamped to the byte range.
  void (*yCbCrToRgba)(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, const uint8_t* alpha, size_t width,
                      uint8_t* rgba);
  // A chroma row of `lumaWidth` samples to (lumaWidth + 1) / 2 on the even
  // columns, and back (chroma::Downsampled and chroma::Upsampled).
  void (*downsampleChroma)(const uint8_t* in, size_t lumaWidth, uint8_t* out);
  void (*upsampleChroma)(const uint8_t* in, size_t lumaWidth, uint8_t* out);
};

// The variant for `level`, held to what this CPU and build can run.
const MediaRowFunctions& MediaRowsFor(CPU_LEVEL level);

// The variant in use: the CPU's best unless capped.
const MediaRowFunctions& MediaRows();

// Caps the level of MediaRows (tests and benchmarks force each level this
// way) and returns the level now in use, which the CPU may hold lower. Not
// meant to race with rows being converted on other threads.
CPU_LEVEL SetMediaRowLevelLimit(CPU_LEVEL limit);

extern const MediaRowFunctions kMediaRowsReference;
#if defined(__i386__) || defined(__x86_64__)
extern const MediaRowFunctions kMediaRowsSse2;
extern const MediaRowFunctions kMediaRowsAvx2;
#endif

}  // namespace kavro
