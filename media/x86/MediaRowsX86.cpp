// Which row each x86 level runs. Built for the baseline: it runs before
// anything is known of the CPU beyond `level`.
#include "MediaRowsX86.h"

namespace kavro {

void InitMediaRowsX86(MediaRowFunctions& rows, CPU_LEVEL level) {
  if (level < CPU_LEVEL_SSE2) return;
  rows.packYuy2 = PackYuy2Sse2;
  // Unpacking keeps the reference: at -O3 the compiler turns its loop into
  // the very instructions an SSE2 version uses (measured: no faster, in
  // cache or not).
  rows.rgbaToYCbCr = RgbaToYCbCrSse2;
  rows.yCbCrToRgba = YCbCrToRgbaSse2;
  rows.downsampleChroma = DownsampleChromaSse2;
  rows.upsampleChroma = UpsampleChromaSse2;

  if (level < CPU_LEVEL_AVX2) return;
  rows.packYuy2 = PackYuy2Avx2;
  rows.unpackYuy2 = UnpackYuy2Avx2;
  rows.rgbaToYCbCr = RgbaToYCbCrAvx2;
  rows.yCbCrToRgba = YCbCrToRgbaAvx2;
  rows.downsampleChroma = DownsampleChromaAvx2;
  // Upsampling keeps the SSE2 row: twice the width a step is no faster
  // (measured).
}

}  // namespace kavro
