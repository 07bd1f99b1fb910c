// Y'CbCr samples from one matrix and range to another output matrix in
// limited range, as one affine map in integer arithmetic.
#pragma once

#include <cstdint>

#include "media/Picture.h"

namespace kavro {

// The H.273 matrix code points kavro tells apart.
enum : int {
  kMatrixBt709 = 1,
  kMatrixUnspecified = 2,
  kMatrixFcc = 4,
  kMatrixBt470bg = 5,
  kMatrixSmpte170m = 6,
  kMatrixSmpte240m = 7,
  kMatrixBt2020Ncl = 9,
  kMatrixBt2020Cl = 10,
};

// The matrix of pictures that declare none, in every container alike: BT.601
// below 720 lines, BT.709 from there.
int MatrixOfUntagged(int height);

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
