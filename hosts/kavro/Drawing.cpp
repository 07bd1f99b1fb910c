#include "Drawing.h"

#include <algorithm>
#include <cstddef>
#include <string>

namespace kavro {

namespace {

// Rows top first; bit 4 is the leftmost column.
constexpr uint8_t kGlyphs[10][7] = {
    {0x0E, 0x11, 0x13, 0x15, 0x19, 0x11, 0x0E}, {0x04, 0x0C, 0x04, 0x04, 0x04, 0x04, 0x0E},
    {0x0E, 0x11, 0x01, 0x02, 0x04, 0x08, 0x1F}, {0x1F, 0x02, 0x04, 0x02, 0x01, 0x11, 0x0E},
    {0x02, 0x06, 0x0A, 0x12, 0x1F, 0x02, 0x02}, {0x1F, 0x10, 0x1E, 0x01, 0x01, 0x11, 0x0E},
    {0x06, 0x08, 0x10, 0x1E, 0x11, 0x11, 0x0E}, {0x1F, 0x01, 0x02, 0x04, 0x08, 0x08, 0x08},
    {0x0E, 0x11, 0x11, 0x0E, 0x11, 0x11, 0x0E}, {0x0E, 0x11, 0x11, 0x0F, 0x01, 0x02, 0x0C},
};

void Put(RgbaImage& image, int x, int y, Rgb colour) {
  uint8_t* pixel = &image.pixels[(static_cast<size_t>(y) * image.width + x) * 4];
  pixel[0] = colour.r;
  pixel[1] = colour.g;
  pixel[2] = colour.b;
  pixel[3] = 255;
}

}  // namespace

void FillRect(RgbaImage& image, int x, int y, int width, int height, Rgb colour) {
  const int left = std::max(x, 0), right = std::min(x + width, image.width);
  const int top = std::max(y, 0), bottom = std::min(y + height, image.height);
  for (int row = top; row < bottom; ++row) {
    for (int column = left; column < right; ++column) Put(image, column, row, colour);
  }
}

void FillDisc(RgbaImage& image, int centreX, int centreY, int radius, Rgb colour) {
  const int top = std::max(centreY - radius, 0), bottom = std::min(centreY + radius, image.height - 1);
  const int64_t reach = int64_t{radius} * radius;
  for (int row = top; row <= bottom; ++row) {
    const int64_t dy = row - centreY;
    const int left = std::max(centreX - radius, 0), right = std::min(centreX + radius, image.width - 1);
    for (int column = left; column <= right; ++column) {
      const int64_t dx = column - centreX;
      if (dx * dx + dy * dy <= reach) Put(image, column, row, colour);
    }
  }
}

int NumberWidth(uint32_t number, int scale) {
  return (static_cast<int>(std::to_string(number).size()) * 6 - 1) * scale;
}

void DrawNumber(RgbaImage& image, int x, int y, uint32_t number, int scale, Rgb colour) {
  for (char digit : std::to_string(number)) {
    const uint8_t* glyph = kGlyphs[digit - '0'];
    for (int row = 0; row < 7; ++row) {
      for (int column = 0; column < 5; ++column) {
        if (glyph[row] >> (4 - column) & 1) FillRect(image, x + column * scale, y + row * scale, scale, scale, colour);
      }
    }
    x += 6 * scale;
  }
}

}  // namespace kavro
