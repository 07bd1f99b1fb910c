#include "PackedFrame.h"

#include <cstddef>
#include <cstring>

namespace kavro {

PackedLayout::PackedLayout(uint32_t w, uint32_t h, uint32_t s) : width(w), height(h), stride(s ? s : 2 * w) {}

void PackPicture(const Picture& picture, const PackedLayout& layout, uint8_t* frame) {
  if (picture.width != static_cast<int>(layout.width) || picture.height != static_cast<int>(layout.height) ||
      layout.width % 2 != 0 || layout.stride < 2 * layout.width) {
    throw MediaError("picture does not fit the packed frame");
  }
  const size_t width = layout.width, chromaWidth = width / 2;
  for (size_t row = 0; row < layout.height; ++row) {
    const uint8_t* y = &picture.y[row * width];
    const uint8_t* cb = &picture.cb[row * chromaWidth];
    const uint8_t* cr = &picture.cr[row * chromaWidth];
    uint8_t* out = frame + row * layout.stride;
    for (size_t j = 0; j < chromaWidth; ++j, out += 4) {
      out[0] = y[2 * j];
      out[1] = cb[j];
      out[2] = y[2 * j + 1];
      out[3] = cr[j];
    }
  }
  std::memcpy(frame + layout.alphaOffset(), picture.alpha.data(), width * layout.height);
}

Picture UnpackPicture(const uint8_t* frame, const PackedLayout& layout) {
  if (layout.width % 2 != 0 || layout.stride < 2 * layout.width) throw MediaError("bad packed frame layout");
  Picture picture(static_cast<int>(layout.width), static_cast<int>(layout.height));
  const size_t width = layout.width, chromaWidth = width / 2;
  for (size_t row = 0; row < layout.height; ++row) {
    const uint8_t* in = frame + row * layout.stride;
    for (size_t j = 0; j < chromaWidth; ++j, in += 4) {
      picture.y[row * width + 2 * j] = in[0];
      picture.cb[row * chromaWidth + j] = in[1];
      picture.y[row * width + 2 * j + 1] = in[2];
      picture.cr[row * chromaWidth + j] = in[3];
    }
  }
  std::memcpy(picture.alpha.data(), frame + layout.alphaOffset(), width * layout.height);
  return picture;
}

}  // namespace kavro
