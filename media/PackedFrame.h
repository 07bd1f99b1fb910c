// The frame layout the plug-in mixes: YUY2 rows (Y0 Cb Y1 Cr for each pixel
// pair), then an alpha plane with rows of exactly `width` bytes.
#pragma once

#include <cstdint>

#include "Picture.h"

namespace kavro {

struct PackedLayout {
  uint32_t width = 0;  // even
  uint32_t height = 0;
  uint32_t stride = 0;  // bytes from one YUY2 row to the next

  // stride 0 means 2 * width, as in the plug-in's frame description.
  PackedLayout(uint32_t width, uint32_t height, uint32_t stride = 0);

  uint64_t alphaOffset() const { return uint64_t{stride} * height; }
  // Bytes written by PackPicture.
  uint64_t usedBytes() const { return alphaOffset() + uint64_t{width} * height; }
  // Bytes the plug-in expects a frame buffer to hold: alpha rows rounded up to 4.
  uint64_t bufferBytes() const { return alphaOffset() + uint64_t{(width + 3u) & ~3u} * height; }
};

// The picture must have the layout's size; the width must be even.
void PackPicture(const Picture& picture, const PackedLayout& layout, uint8_t* frame);
Picture UnpackPicture(const uint8_t* frame, const PackedLayout& layout);

}  // namespace kavro
