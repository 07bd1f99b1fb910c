// Gray weights from picture files: PNG of every kind and depth, and PGM
// (binary, 8 or 16 bits). Colour becomes its BT.709 luma in full range,
// samples of more than 8 bits are rounded to 8, alpha is left out.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "GrayFrames.h"

namespace kavro {

// Throws MediaError naming `name`: not a PNG or PGM picture, damaged, or a
// size past the limits (MediaLimits.h).
GrayImage DecodeGrayPicture(const uint8_t* data, size_t size, const std::string& name);

// The file's whole picture. Throws MediaError naming the path.
GrayImage ReadGrayPicture(const std::string& path);

// Whether the bytes start as a PNG or a PGM file does.
bool LooksLikeGrayPicture(const uint8_t* data, size_t size);

}  // namespace kavro
