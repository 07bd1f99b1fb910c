// Y'CbCr samples from one matrix and range to another output matrix in
// limited range, as one affine map in integer arithmetic.
#pragma once

#include <cstdint>

#include "media/Picture.h"

namespace kavro {

// out = offset + sum(m * in), in 1/65536.
struct ColourMap {
  int64_t m[3][3];
  int64_t offset[3];
};

// True when two H.273 matrix code points weigh R', G' and B' alike.
bool SameMatrix(int a, int b);

ColourMap MakeColourMap(int fromMatrix, bool fromFull, int toMatrix);

// Every pixel through the map; luma takes the chroma of its pixel pair.
void MapPicture(Picture& picture, const ColourMap& map);

}  // namespace kavro
