#include "ColourMap.h"

#include <algorithm>
#include <cmath>

namespace kavro {

namespace {

struct LumaWeights {
  double kr, kb;
};

LumaWeights WeightsOf(int matrix) {
  switch (matrix) {
    case kMatrixFcc:
      return {0.30, 0.11};
    case kMatrixBt470bg:
    case kMatrixSmpte170m:
      return {0.299, 0.114};
    case kMatrixSmpte240m:
      return {0.212, 0.087};
    case kMatrixBt2020Ncl:
    case kMatrixBt2020Cl:
      return {0.2627, 0.0593};
    default:
      return {0.2126, 0.0722};
  }
}

// Rows of Y'PbPr (Y' 0..1, Pb and Pr -0.5..0.5) from R'G'B', for a matrix.
void ToYPbPr(LumaWeights w, double out[3][3]) {
  const double kg = 1 - w.kr - w.kb;
  const double y[3] = {w.kr, kg, w.kb};
  for (int j = 0; j < 3; ++j) {
    out[0][j] = y[j];
    out[1][j] = ((j == 2 ? 1 : 0) - y[j]) / (2 * (1 - w.kb));
    out[2][j] = ((j == 0 ? 1 : 0) - y[j]) / (2 * (1 - w.kr));
  }
}

void Invert(const double a[3][3], double out[3][3]) {
  const double det = a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
                     a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
                     a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      const int r0 = (j + 1) % 3, r1 = (j + 2) % 3, c0 = (i + 1) % 3, c1 = (i + 2) % 3;
      out[i][j] = (a[r0][c0] * a[r1][c1] - a[r0][c1] * a[r1][c0]) / det;
    }
  }
}

uint8_t Apply(const ColourMap& map, int row, int y, int cb, int cr) {
  const int64_t value = (map.offset[row] + map.m[row][0] * y + map.m[row][1] * cb + map.m[row][2] * cr) >> 16;
  return static_cast<uint8_t>(std::clamp<int64_t>(value, 0, 255));
}

}  // namespace

bool SameMatrix(int a, int b) {
  const LumaWeights x = WeightsOf(a), y = WeightsOf(b);
  return x.kr == y.kr && x.kb == y.kb;
}

ColourMap MakeColourMap(int fromMatrix, bool fromFull, int toMatrix) {
  double from[3][3], fromInverse[3][3], to[3][3];
  ToYPbPr(WeightsOf(fromMatrix), from);
  Invert(from, fromInverse);
  ToYPbPr(WeightsOf(toMatrix), to);
  const double inScale[3] = {fromFull ? 255.0 : 219.0, fromFull ? 255.0 : 224.0, fromFull ? 255.0 : 224.0};
  const double inOffset[3] = {fromFull ? 0.0 : 16.0, 128, 128};
  const double outScale[3] = {219, 224, 224}, outOffset[3] = {16, 128, 128};
  ColourMap map;
  for (int i = 0; i < 3; ++i) {
    double offset = outOffset[i];
    for (int j = 0; j < 3; ++j) {
      double product = 0;
      for (int k = 0; k < 3; ++k) product += to[i][k] * fromInverse[k][j];
      // Chroma never depends on luma; keep rounding noise out of it.
      if (i > 0 && j == 0) product = 0;
      const double weight = product * outScale[i] / inScale[j];
      map.m[i][j] = std::llround(weight * 65536);
      offset -= weight * inOffset[j];
    }
    map.offset[i] = std::llround(offset * 65536) + 32768;
  }
  return map;
}

void MapPicture(Picture& picture, const ColourMap& map) {
  const int chromaWidth = picture.chromaWidth();
  for (int row = 0; row < picture.height; ++row) {
    uint8_t* y = picture.y.data() + size_t(row) * picture.width;
    uint8_t* cb = picture.cb.data() + size_t(row) * chromaWidth;
    uint8_t* cr = picture.cr.data() + size_t(row) * chromaWidth;
    for (int x = 0; x < chromaWidth; ++x) {
      const int b = cb[x], r = cr[x];
      const int left = y[2 * x];
      y[2 * x] = Apply(map, 0, left, b, r);
      if (2 * x + 1 < picture.width) y[2 * x + 1] = Apply(map, 0, y[2 * x + 1], b, r);
      cb[x] = Apply(map, 1, left, b, r);
      cr[x] = Apply(map, 2, left, b, r);
    }
  }
}

int MatrixOfUntagged(int height) { return height < 720 ? kMatrixSmpte170m : kMatrixBt709; }

}  // namespace kavro
