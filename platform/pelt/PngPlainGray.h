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
// which accepts or refuses it. So this path never accepts a file that the
// general one refuses, and gives the pixels it would give.
bool DecodePlainGrayPng(const unsigned char* data, size_t size, TImage::Impl& image);

}  // namespace pelt
