// Small drawing on RGBA images for the generated clips and the contact
// sheet: filled rectangles and discs, and numbers in a built-in 5x7 digit
// font. Everything is clipped to the image and opaque.
#pragma once

#include <cstdint>

#include "media/Picture.h"

namespace kavro {

struct Rgb {
  uint8_t r, g, b;
};

void FillRect(RgbaImage& image, int x, int y, int width, int height, Rgb colour);
void FillDisc(RgbaImage& image, int centreX, int centreY, int radius, Rgb colour);

// Digits are 5 x 7 cells of `scale` pixels, one empty cell column between them.
int NumberWidth(uint32_t number, int scale);
constexpr int NumberHeight(int scale) { return 7 * scale; }
// (x, y) is the top left corner of the first digit.
void DrawNumber(RgbaImage& image, int x, int y, uint32_t number, int scale, Rgb colour);

}  // namespace kavro
