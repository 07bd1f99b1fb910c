// Bringing a decoded mask frame to the output: cut to the proportions the
// mask is to show, then scaled to the frame. The plug-in fits its own masks
// this way, and hosts that mix with mattes of their own link the same code.
#pragma once

#include <stdint.h>

class TImage;

// Narrows an image that is wider than aspectWidth : aspectHeight to its
// middle columns of that proportion; leaves any other image as it is.
// Precondition: image.IsValid(). False when the cut failed: the image is
// then untouched, or, when its storage could not be made again, invalid.
bool CropToAspect(TImage& image, int32_t aspectWidth, int32_t aspectHeight);

// Brings a mask frame of another size to width x height: cut to
// aspectWidth : aspectHeight, then scaled. False when a step fails.
bool FitMask(TImage& mask, uint32_t width, uint32_t height, uint32_t aspectWidth, uint32_t aspectHeight);
