#include "PictureFitting.h"

#include <cstddef>
#include <cstring>

#include "Scaling.h"

namespace kavro {

namespace {

void CopyRow(const Picture& from, int fromRow, Picture& to, int toRow) {
  const size_t width = static_cast<size_t>(from.width), chroma = static_cast<size_t>(from.chromaWidth());
  std::memcpy(&to.y[toRow * width], &from.y[fromRow * width], width);
  std::memcpy(&to.alpha[toRow * width], &from.alpha[fromRow * width], width);
  std::memcpy(&to.cb[toRow * chroma], &from.cb[fromRow * chroma], chroma);
  std::memcpy(&to.cr[toRow * chroma], &from.cr[fromRow * chroma], chroma);
}

Picture Field(const Picture& in, int parity) {
  Picture field(in.width, (in.height - parity + 1) / 2);
  for (int row = 0; row < field.height; ++row) CopyRow(in, 2 * row + parity, field, row);
  return field;
}

}  // namespace

Picture WidenByOneColumn(const Picture& in) {
  Picture out(in.width + 1, in.height);
  const size_t width = static_cast<size_t>(in.width);
  for (size_t row = 0; row < static_cast<size_t>(in.height); ++row) {
    std::memcpy(&out.y[row * (width + 1)], &in.y[row * width], width);
    out.y[row * (width + 1) + width] = in.y[row * width + width - 1];
    std::memcpy(&out.alpha[row * (width + 1)], &in.alpha[row * width], width);
    out.alpha[row * (width + 1) + width] = in.alpha[row * width + width - 1];
  }
  out.cb = in.cb;
  out.cr = in.cr;
  return out;
}

Picture ScalePictureByField(const Picture& in, int width, int height) {
  if (in.height < 2 || height < 2 || in.height == height) return ScalePicture(in, width, height);
  CheckPictureSize(width, height, "scaled picture");
  Picture out(width, height);
  for (int parity = 0; parity < 2; ++parity) {
    const Picture field = ScalePicture(Field(in, parity), width, (height - parity + 1) / 2);
    for (int row = 0; row < field.height; ++row) CopyRow(field, row, out, 2 * row + parity);
  }
  return out;
}

Picture FitPicture(const Picture& in, int width, int height, bool interlaced) {
  if (in.width % 2 == 1 && in.width + 1 == width) {
    Picture widened = WidenByOneColumn(in);
    if (in.height == height) return widened;
    return interlaced ? ScalePictureByField(widened, width, height) : ScalePicture(widened, width, height);
  }
  return interlaced ? ScalePictureByField(in, width, height) : ScalePicture(in, width, height);
}

}  // namespace kavro
