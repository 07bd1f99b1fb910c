#include "PackedFrame.h"

#include <cstddef>
#include <cstring>

#include "MediaRows.h"

namespace kavro {

PackedLayout::PackedLayout(uint32_t w, uint32_t h, uint32_t s) : width(w), height(h), stride(s ? s : 2 * w) {}

void PackPicture(const Picture& picture, const PackedLayout& layout, uint8_t* frame) {
  if (picture.width != static_cast<int>(layout.width) || picture.height != static_cast<int>(layout.height) ||
      layout.width % 2 != 0 || layout.stride < 2 * layout.width) {
    throw MediaError("picture does not fit the packed frame");
  }
  const size_t width = layout.width, chromaWidth = width / 2;
  const MediaRowFunctions& rows = MediaRows();
  for (size_t row = 0; row < layout.height; ++row) {
    rows.packYuy2(&picture.y[row * width], &picture.cb[row * chromaWidth], &picture.cr[row * chromaWidth], chromaWidth,
                  frame + row * layout.stride);
  }
  std::memcpy(frame + layout.alphaOffset(), picture.alpha.data(), width * layout.height);
}

Picture UnpackPicture(const uint8_t* frame, const PackedLayout& layout) {
  if (layout.width % 2 != 0 || layout.stride < 2 * layout.width) throw MediaError("bad packed frame layout");
  Picture picture(static_cast<int>(layout.width), static_cast<int>(layout.height));
  const size_t width = layout.width, chromaWidth = width / 2;
  const MediaRowFunctions& rows = MediaRows();
  for (size_t row = 0; row < layout.height; ++row) {
    rows.unpackYuy2(frame + row * layout.stride, chromaWidth, &picture.y[row * width], &picture.cb[row * chromaWidth],
                    &picture.cr[row * chromaWidth]);
  }
  std::memcpy(picture.alpha.data(), frame + layout.alphaOffset(), width * layout.height);
  return picture;
}

}  // namespace kavro
