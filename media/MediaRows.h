// kavro's per-pixel row loops: a plain reference that defines the results,
// and SIMD variants held to it byte for byte, chosen by the CPU's level.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/cpu/CpuLevel.h"

namespace kavro {

// `pairs` pixel pairs of planar rows (luma, and chroma on the even columns)
// to YUY2: Y0 Cb Y1 Cr for each pair.
using PackYuy2Fn = void(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, size_t pairs, uint8_t* yuy2);
// And back.
using UnpackYuy2Fn = void(const uint8_t* yuy2, size_t pairs, uint8_t* y, uint8_t* cb, uint8_t* cr);
// `width` RGBA pixels to Y', Cb, Cr (each pixel's own) and alpha.
using RgbaToYCbCrFn = void(const uint8_t* rgba, size_t width, uint8_t* y, uint8_t* cb, uint8_t* cr, uint8_t* alpha);
// And back, clamped to the byte range.
using YCbCrToRgbaFn = void(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, const uint8_t* alpha, size_t width,
                           uint8_t* rgba);
// A chroma row of `lumaWidth` samples to (lumaWidth + 1) / 2 on the even
// columns, and back (chroma::Downsampled and chroma::Upsampled).
using DownsampleChromaFn = void(const uint8_t* in, size_t lumaWidth, uint8_t* out);
using UpsampleChromaFn = void(const uint8_t* in, size_t lumaWidth, uint8_t* out);

struct MediaRowFunctions {
  PackYuy2Fn* packYuy2;
  UnpackYuy2Fn* unpackYuy2;
  RgbaToYCbCrFn* rgbaToYCbCr;
  YCbCrToRgbaFn* yCbCrToRgba;
  DownsampleChromaFn* downsampleChroma;
  UpsampleChromaFn* upsampleChroma;
};

// Fills `rows` with the reference rows, then (on x86) the variants `level`,
// held to what this CPU runs, allows.
void InitMediaRows(MediaRowFunctions& rows, CPU_LEVEL level);

// The rows in use: the table for ActiveCpuLevel.
const MediaRowFunctions& MediaRows();

// The reference rows, which the variants also finish their rows with.
PackYuy2Fn PackYuy2Reference;
UnpackYuy2Fn UnpackYuy2Reference;
RgbaToYCbCrFn RgbaToYCbCrReference;
YCbCrToRgbaFn YCbCrToRgbaReference;
DownsampleChromaFn DownsampleChromaReference;
UpsampleChromaFn UpsampleChromaReference;

}  // namespace kavro
