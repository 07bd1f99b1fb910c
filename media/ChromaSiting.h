// Chroma resampling between the subsamplings kavro reads and writes. Every
// 4:2:2 plane here has its chroma sited on the even luma samples (the
// MPEG-2 and BT.601/709 4:2:2 siting, and the siting of YUY2).
#pragma once

#include <cstdint>

namespace kavro {

// Where the chroma of a 4:2:0 plane sits.
enum class Siting420 {
  kCentred,  // between two luma columns and two luma rows (JPEG, MPEG-1)
  kLeft,     // on the even luma columns, between two luma rows (MPEG-2)
  kTopLeft,  // on the even luma columns and the even luma rows
};

// One row of `lumaWidth` full-resolution chroma samples to (lumaWidth + 1) / 2
// samples on the even columns: a [1 2 1] / 4 filter centred on each, the row
// edge repeated, rounded to nearest.
void DownsampleChromaRow(const uint8_t* in, int lumaWidth, uint8_t* out);

// A 4:2:0 chroma plane of (lumaWidth + 1) / 2 by (lumaHeight + 1) / 2 samples
// to a 4:2:2 plane of (lumaWidth + 1) / 2 by lumaHeight. Interstitial rows
// and columns are interpolated 3:1 towards the nearer sample, co-sited ones
// taken as they are (rows between two sited rows: 1:1); edges repeat.
void UpsampleChroma420To422(const uint8_t* in, int lumaWidth, int lumaHeight, Siting420 siting, uint8_t* out);

// One row of (lumaWidth + 1) / 2 chroma samples on the even columns to
// lumaWidth samples: odd columns take the rounded mean of their neighbours,
// the last odd column repeats the last sample.
void UpsampleChromaRow(const uint8_t* in, int lumaWidth, uint8_t* out);

// 4:2:0 chroma of interlaced frames: each field's chroma rows belong to that
// field's luma rows alone, so each field is upsampled on its own.
// As UpsampleChroma420To422, but the chroma rows of even index go with the
// even luma rows (the top field) and those of odd index with the odd ones.
// A field whose chroma rows run out (a height that is not a multiple of 4)
// repeats its last one.
void UpsampleChroma420To422ByField(const uint8_t* in, int lumaWidth, int lumaHeight, Siting420 siting, uint8_t* out);

}  // namespace kavro
