// The mask blend kernel: mixes one row of source B (the work frame) into the
// same row of source A (the output frame, which it rewrites in place) under a
// row of 8-bit mask weights, alpha plane included.
#pragma once

#include <cstdint>

// outputBuffer and workBuffer are whole frames of the same layout: rowOffset
// addresses the row's 4:2:2 pixel bytes in both, alphaOffset the row's first
// alpha byte in both. maskBits is the mask image's pixel array and maskOffset
// the row's first mask byte in it; the offset's parity tells whether that
// byte belongs to the first or the second pixel of a pair. With invert set
// the stored mask byte is source B's weight, otherwise its complement is.
//
// byteCount is 2 x width. For an odd width the row ends in a lone pixel (its
// luma and one chroma byte): it is mixed by itself, with its own weight and
// alpha, exactly as a pair whose second pixel had the same weight would be.
// Nothing beyond byteCount pixel bytes and byteCount / 2 alpha bytes is ever
// read or written.
void BlendMaskRowYUV422Alpha(uint8_t* outputBuffer, const uint8_t* workBuffer, uint32_t rowOffset, uint32_t byteCount,
                             const uint8_t* maskBits, int32_t maskOffset, uint32_t alphaOffset, bool invert);
