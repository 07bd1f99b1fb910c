// What a rendered frame must hold, worked out in the test itself: the mask
// as a picture (top row first), fitted the way the pipeline fits it, and the
// reference blend kernel run over every row under it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "masks/Pelt.h"

struct MaskPicture {
  uint32_t width = 0;
  uint32_t height = 0;
  uint32_t rowBytes = 0;       // an even number, so every row starts a pixel pair
  std::vector<uint8_t> bytes;  // top row first

  uint8_t at(uint32_t x, uint32_t y) const { return bytes[size_t{y} * rowBytes + x]; }
};

// An 8-bit image's pixels, read from its bottom-up memory.
MaskPicture PictureOf(const TImage& image);

// The fixture frames' pattern: level (16 * y + x) mod 256, y = 0 the top row.
MaskPicture PatternPicture(uint32_t width, uint32_t height);

// Columns left .. left + columns - 1 of every row, then scaled to
// width x height by the image library. Empty when the library fails.
MaskPicture CutAndScale(const MaskPicture& picture, uint32_t left, uint32_t columns, uint32_t width, uint32_t height);

// Decodes a PNG resource of a resource module file with the image library's
// PNG decoder. Empty when it is missing or does not decode to 8 bits.
MaskPicture DecodeResourceFrame(const std::wstring& modulePath, uint16_t id);

// Source A in `frame` mixed with source B under the mask, row k of the frame
// under picture row k, as the reference kernel does it.
void MixLikeReference(std::vector<uint8_t>& frame, const std::vector<uint8_t>& sourceB, uint32_t width, uint32_t height,
                      uint32_t stride, const MaskPicture& mask, bool invert);

// Index of the first byte where two frames differ, or -1.
long FirstDifference(const std::vector<uint8_t>& actual, const std::vector<uint8_t>& expected);
