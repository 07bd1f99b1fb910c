// The common case of the PNG decoder, done without libspng: an 8-bit gray,
// non-interlaced image whose file holds nothing but its header, its pixel
// data and its end. Its whole pixel stream is inflated at once, straight into
// the image's storage, and the rows are rebuilt there.
#pragma once

#include <stddef.h>

#include "PeltInternal.h"

namespace pelt {

// Decodes such a file into `image` and returns true. Returns false for every
// other file, and for every file that is damaged or odd in any way, without
// deciding anything about it: the caller then hands it to the general decoder,
// which accepts or refuses it. So this path accepts no file that the general
// one refuses, and gives the pixels it would give, with one exception: a
// stream that uses the deflate length symbols 286 or 287 (or the distance
// codes 30 or 31), which zlib refuses and libdeflate reads like their valid
// neighbours. Only a stream made by hand uses them, and finding them would
// take a second decode of every frame.
bool DecodePlainGrayPng(const unsigned char* data, size_t size, TImage::Impl& image);

}  // namespace pelt
