#include "PackedRgba.h"

#include "ChromaSiting.h"
#include "ColourConversion.h"

namespace kavro {

void PackedRgbaScratch::Reserve(uint32_t width) {
  if (cb.size() >= width) return;
  cb.resize(width);
  cr.resize(width);
  cbSited.resize(width);
  crSited.resize(width);
}

bool PackedWidthFits(const PackedLayout& layout, uint32_t width) {
  return width > 0 && layout.width % 2 == 0 && layout.width >= width && layout.width - width <= 1 &&
         layout.stride >= 2 * layout.width;
}

void PackRgbaRow(const uint8_t* rgba, uint32_t width, const PackedLayout& layout, uint32_t row, uint8_t* frame,
                 PackedRgbaScratch& scratch) {
  if (!PackedWidthFits(layout, width) || row >= layout.height) throw MediaError("RGBA row does not fit the frame");
  scratch.Reserve(width);
  uint8_t* const packed = frame + size_t{row} * layout.stride;
  uint8_t* const alpha = frame + layout.alphaOffset() + size_t{row} * layout.width;
  RgbaRowToYCbCr(rgba, static_cast<int>(width), packed, 2, scratch.cb.data(), scratch.cr.data(), alpha);
  if (width < layout.width) {
    packed[2 * width] = packed[2 * width - 2];
    alpha[width] = alpha[width - 1];
  }
  DownsampleChromaRow(scratch.cb.data(), static_cast<int>(width), scratch.cbSited.data());
  DownsampleChromaRow(scratch.cr.data(), static_cast<int>(width), scratch.crSited.data());
  for (uint32_t j = 0; j < layout.width / 2; ++j) {
    packed[4 * j + 1] = scratch.cbSited[j];
    packed[4 * j + 3] = scratch.crSited[j];
  }
}

void UnpackRgbaRow(const uint8_t* frame, const PackedLayout& layout, uint32_t row, uint32_t width, uint8_t* rgba,
                   PackedRgbaScratch& scratch) {
  if (!PackedWidthFits(layout, width) || row >= layout.height) throw MediaError("RGBA row does not fit the frame");
  scratch.Reserve(width);
  const uint8_t* const packed = frame + size_t{row} * layout.stride;
  const uint8_t* const alpha = frame + layout.alphaOffset() + size_t{row} * layout.width;
  for (uint32_t j = 0; j < layout.width / 2; ++j) {
    scratch.cbSited[j] = packed[4 * j + 1];
    scratch.crSited[j] = packed[4 * j + 3];
  }
  UpsampleChromaRow(scratch.cbSited.data(), static_cast<int>(width), scratch.cb.data());
  UpsampleChromaRow(scratch.crSited.data(), static_cast<int>(width), scratch.cr.data());
  YCbCrRowToRgba(packed, 2, scratch.cb.data(), scratch.cr.data(), alpha, static_cast<int>(width), rgba);
}

void PackRgba(const uint8_t* rgba, uint32_t width, const PackedLayout& layout, uint8_t* frame,
              PackedRgbaScratch& scratch) {
  for (uint32_t row = 0; row < layout.height; ++row) {
    PackRgbaRow(rgba + size_t{row} * width * 4, width, layout, row, frame, scratch);
  }
}

void UnpackRgba(const uint8_t* frame, const PackedLayout& layout, uint32_t width, uint8_t* rgba,
                PackedRgbaScratch& scratch) {
  for (uint32_t row = 0; row < layout.height; ++row) {
    UnpackRgbaRow(frame, layout, row, width, rgba + size_t{row} * width * 4, scratch);
  }
}

}  // namespace kavro
