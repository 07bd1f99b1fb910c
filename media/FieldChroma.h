// 4:2:0 chroma of interlaced frames: each field's chroma rows belong to that
// field's luma rows alone, so each field is upsampled on its own.
#pragma once

#include <cstdint>

#include "ChromaSiting.h"

namespace kavro {

// As UpsampleChroma420To422, but the chroma rows of even index go with the
// even luma rows (the top field) and those of odd index with the odd ones.
// A field whose chroma rows run out (a height that is not a multiple of 4)
// repeats its last one.
void UpsampleChroma420To422ByField(const uint8_t* in, int lumaWidth, int lumaHeight, Siting420 siting, uint8_t* out);

}  // namespace kavro
