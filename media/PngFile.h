// PNG decoding and encoding with libspng.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "GrayFrames.h"
#include "Picture.h"

namespace kavro {

// Any PNG (gray, gray with alpha, palette, RGB, RGBA; 1 to 16 bits) as 8-bit
// RGBA: gray spreads to R = G = B, a tRNS chunk becomes alpha, 16-bit
// samples keep their high byte. Throws MediaError naming `name`.
RgbaImage DecodePng(const uint8_t* data, size_t size, const std::string& name);

// Any PNG as 8-bit gray weights: 8-bit gray as stored, every other kind by
// its full-range BT.709 luma, 16-bit samples rounded to 8. Throws MediaError.
GrayImage DecodePngGray(const uint8_t* data, size_t size, const std::string& name);

// 8-bit RGB (channels 3) or RGBA (channels 4), top row first.
std::vector<uint8_t> EncodePng(const uint8_t* pixels, int width, int height, int channels);

}  // namespace kavro
