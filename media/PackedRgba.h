// RGBA pictures straight to and from the packed frame the plug-in mixes, a
// row at a time, with the conversions RgbaToPicture and PictureToRgba use
// (BT.709 limited range, chroma filtered onto the even columns) and no
// planar picture in between. For hosts that hand over RGBA buffers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "PackedFrame.h"

namespace kavro {

// Rows a conversion works in; reused from row to row and frame to frame,
// one per thread.
struct PackedRgbaScratch {
  std::vector<uint8_t> y, cb, cr, cbSited, crSited;
  void Reserve(uint32_t width);
};

// The packed layout's width is the picture's, or one more for an odd width:
// that column repeats the picture's last pixel (alpha included), so the last
// chroma pair is filtered as if the edge went on.
bool PackedWidthFits(const PackedLayout& layout, uint32_t width);

// Row `row` of an RGBA picture `width` pixels wide into the packed frame:
// its YUY2 row and its alpha row. Throws MediaError when the layout does not
// fit the width.
void PackRgbaRow(const uint8_t* rgba, uint32_t width, const PackedLayout& layout, uint32_t row, uint8_t* frame,
                 PackedRgbaScratch& scratch);

// Row `row` of the packed frame back to `width` RGBA pixels.
void UnpackRgbaRow(const uint8_t* frame, const PackedLayout& layout, uint32_t row, uint32_t width, uint8_t* rgba,
                   PackedRgbaScratch& scratch);

// Whole pictures: `rgba` holds layout.height rows of `width` pixels, 4 * width bytes apart.
void PackRgba(const uint8_t* rgba, uint32_t width, const PackedLayout& layout, uint8_t* frame,
              PackedRgbaScratch& scratch);
void UnpackRgba(const uint8_t* frame, const PackedLayout& layout, uint32_t width, uint8_t* rgba,
                PackedRgbaScratch& scratch);

}  // namespace kavro
