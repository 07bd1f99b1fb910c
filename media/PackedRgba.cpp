#include "PackedRgba.h"

#include "ChromaSiting.h"
#include "MediaRows.h"

namespace kavro {

void PackedRgbaScratch::Reserve(uint32_t width) {
  if (y.size() >= width) return;
  y.resize(width);
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
  scratch.Reserve(layout.width);
  const MediaRowFunctions& rows = MediaRows();
  uint8_t* const alpha = frame + layout.alphaOffset() + size_t{row} * layout.width;
  rows.rgbaToYCbCr(rgba, width, scratch.y.data(), scratch.cb.data(), scratch.cr.data(), alpha);
  if (width < layout.width) {
    scratch.y[width] = scratch.y[width - 1];
    alpha[width] = alpha[width - 1];
  }
  DownsampleChromaRow(scratch.cb.data(), static_cast<int>(width), scratch.cbSited.data());
  DownsampleChromaRow(scratch.cr.data(), static_cast<int>(width), scratch.crSited.data());
  rows.packYuy2(scratch.y.data(), scratch.cbSited.data(), scratch.crSited.data(), layout.width / 2,
                frame + size_t{row} * layout.stride);
}

void UnpackRgbaRow(const uint8_t* frame, const PackedLayout& layout, uint32_t row, uint32_t width, uint8_t* rgba,
                   PackedRgbaScratch& scratch) {
  if (!PackedWidthFits(layout, width) || row >= layout.height) throw MediaError("RGBA row does not fit the frame");
  scratch.Reserve(layout.width);
  const MediaRowFunctions& rows = MediaRows();
  const uint8_t* const alpha = frame + layout.alphaOffset() + size_t{row} * layout.width;
  rows.unpackYuy2(frame + size_t{row} * layout.stride, layout.width / 2, scratch.y.data(), scratch.cbSited.data(),
                  scratch.crSited.data());
  UpsampleChromaRow(scratch.cbSited.data(), static_cast<int>(width), scratch.cb.data());
  UpsampleChromaRow(scratch.crSited.data(), static_cast<int>(width), scratch.cr.data());
  rows.yCbCrToRgba(scratch.y.data(), scratch.cb.data(), scratch.cr.data(), alpha, width, rgba);
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
