// kavro's x86 rows, each level's in a file built for its instruction set,
// and the initialiser that puts them in a table.
#pragma once

#include "media/MediaRows.h"
#include "platform/cpu/CpuLevel.h"

namespace kavro {

PackYuy2Fn PackYuy2Sse2, PackYuy2Avx2;
UnpackYuy2Fn UnpackYuy2Avx2;
RgbaToYCbCrFn RgbaToYCbCrSse2, RgbaToYCbCrAvx2;
YCbCrToRgbaFn YCbCrToRgbaSse2, YCbCrToRgbaAvx2;
DownsampleChromaFn DownsampleChromaSse2, DownsampleChromaAvx2;
UpsampleChromaFn UpsampleChromaSse2;

// Overrides the rows that have a variant at `level` or below; `level` must
// be one this CPU runs.
void InitMediaRowsX86(MediaRowFunctions& rows, CPU_LEVEL level);

}  // namespace kavro
