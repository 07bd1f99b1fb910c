#include "Y4mPacked.h"

#include <cstddef>
#include <cstring>

#include "MediaRows.h"

namespace kavro {

namespace {

constexpr char kFrameHeader[] = "FRAME\n";
constexpr size_t kFrameHeaderBytes = sizeof kFrameHeader - 1;

}  // namespace

bool PacksAsItIs(const Y4mFormat& format, const PackedLayout& layout) {
  return format.chroma == Y4mChroma::k422 && format.range != Y4mRange::kFull &&
         format.width == static_cast<int>(layout.width) && format.height == static_cast<int>(layout.height) &&
         layout.width % 2 == 0 && layout.stride >= 2 * layout.width;
}

void PackY4m422Planes(const Y4mFormat& format, const uint8_t* planes, const PackedLayout& layout, uint8_t* frame) {
  if (!PacksAsItIs(format, layout)) throw MediaError("YUV4MPEG2 frame does not fit the packed frame");
  const size_t width = layout.width, height = layout.height, chromaWidth = width / 2;
  const uint8_t* const cb = planes + width * height;
  const uint8_t* const cr = cb + chromaWidth * height;
  const MediaRowFunctions& rows = MediaRows();
  for (size_t row = 0; row < height; ++row) {
    rows.packYuy2(planes + row * width, cb + row * chromaWidth, cr + row * chromaWidth, chromaWidth,
                  frame + row * layout.stride);
  }
  std::memset(frame + layout.alphaOffset(), 255, width * height);
}

void EncodeY4m422Packed(const uint8_t* frame, const PackedLayout& layout, std::vector<uint8_t>& out) {
  if (layout.width % 2 != 0 || layout.stride < 2 * layout.width) throw MediaError("bad packed frame layout");
  const size_t width = layout.width, height = layout.height, chromaWidth = width / 2;
  // Grows once; later frames of the same size reuse the storage unzeroed.
  out.resize(kFrameHeaderBytes + 2 * width * height);
  std::memcpy(out.data(), kFrameHeader, kFrameHeaderBytes);
  uint8_t* const y = out.data() + kFrameHeaderBytes;
  uint8_t* const cb = y + width * height;
  uint8_t* const cr = cb + chromaWidth * height;
  const MediaRowFunctions& rows = MediaRows();
  for (size_t row = 0; row < height; ++row) {
    rows.unpackYuy2(frame + row * layout.stride, chromaWidth, y + row * width, cb + row * chromaWidth,
                    cr + row * chromaWidth);
  }
}

}  // namespace kavro
