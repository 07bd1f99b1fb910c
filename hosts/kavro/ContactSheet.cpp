#include "ContactSheet.h"

#include <algorithm>
#include <cstddef>

#include "Drawing.h"
#include "media/ColourConversion.h"
#include "media/PngFile.h"
#include "media/Scaling.h"

namespace kavro {

namespace {

constexpr uint32_t kTargetCells = 24;
constexpr int kColumns = 6;
constexpr int kThumbWidth = 192;
constexpr int kGap = 8;
constexpr int kDigitScale = 2;
constexpr int kLabelHeight = 7 * kDigitScale + 8;
constexpr Rgb kBackground = {40, 40, 40};
constexpr Rgb kInk = {235, 235, 235};

}  // namespace

ContactSheet::ContactSheet(uint32_t frames, uint32_t every, int frameWidth, int frameHeight)
    : frames_(std::max(frames, 1u)),
      every_(every ? every : std::max(1u, (frames_ + kTargetCells - 1) / kTargetCells)),
      thumbWidth_(std::min(kThumbWidth, frameWidth)),
      thumbHeight_(std::max(1, static_cast<int>((int64_t{frameHeight} * thumbWidth_ + frameWidth / 2) / frameWidth))) {}

Picture ContactSheet::Thumbnail(const Picture& frame) const { return ScalePicture(frame, thumbWidth_, thumbHeight_); }

void ContactSheet::Add(uint32_t frame, Picture thumbnail) { thumbnails_[frame] = std::move(thumbnail); }

RgbaImage ContactSheet::Draw() const {
  const int cells = static_cast<int>(thumbnails_.size());
  const int columns = std::max(1, std::min(kColumns, cells));
  const int rows = std::max(1, (cells + columns - 1) / columns);
  const int cellWidth = thumbWidth_ + kGap, cellHeight = thumbHeight_ + kLabelHeight + kGap;
  RgbaImage sheet(kGap + columns * cellWidth, kGap + rows * cellHeight);
  FillRect(sheet, 0, 0, sheet.width, sheet.height, kBackground);
  // Labels as large as the narrowest cell holds the widest; none where even
  // the smallest would run into the next cell.
  int digitScale = 0;
  if (!thumbnails_.empty()) {
    const uint32_t widest = thumbnails_.rbegin()->first;
    for (int scale = kDigitScale; scale >= 1 && digitScale == 0; --scale) {
      if (NumberWidth(widest, scale) <= thumbWidth_) digitScale = scale;
    }
  }
  int cell = 0;
  for (const auto& [frame, thumbnail] : thumbnails_) {
    const int left = kGap + cell % columns * cellWidth, top = kGap + cell / columns * cellHeight;
    const RgbaImage pixels = PictureToRgba(thumbnail);
    for (int y = 0; y < thumbnail.height; ++y) {
      for (int x = 0; x < thumbnail.width; ++x) {
        const uint8_t* in = &pixels.pixels[(static_cast<size_t>(y) * thumbnail.width + x) * 4];
        uint8_t* out = &sheet.pixels[(static_cast<size_t>(top + y) * sheet.width + left + x) * 4];
        // Transparency shows as a checkerboard of 8-pixel squares.
        const int behind = ((x / 8 + y / 8) % 2) ? 160 : 100;
        for (int c = 0; c < 3; ++c) out[c] = static_cast<uint8_t>((in[c] * in[3] + behind * (255 - in[3]) + 127) / 255);
      }
    }
    if (digitScale) DrawNumber(sheet, left, top + thumbHeight_ + 4, frame, digitScale, kInk);
    ++cell;
  }
  return sheet;
}

std::vector<uint8_t> ContactSheet::EncodePng() const {
  const RgbaImage sheet = Draw();
  std::vector<uint8_t> rgb;
  rgb.reserve(sheet.pixels.size() / 4 * 3);
  for (size_t i = 0; i < sheet.pixels.size(); i += 4) rgb.insert(rgb.end(), &sheet.pixels[i], &sheet.pixels[i + 3]);
  return kavro::EncodePng(rgb.data(), sheet.width, sheet.height, 3);
}

}  // namespace kavro
