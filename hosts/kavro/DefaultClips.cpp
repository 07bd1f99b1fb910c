#include "DefaultClips.h"

#include <algorithm>
#include <cstddef>
#include <vector>

#include "Drawing.h"

namespace kavro {

namespace {

// Goes from 0 up to `range` and back as t grows.
int Bounce(int64_t t, int range) {
  if (range <= 0) return 0;
  const int64_t phase = t % (2 * int64_t{range});
  return static_cast<int>(phase <= range ? phase : 2 * range - phase);
}

void NumberPlate(RgbaImage& image, int x, int y, uint32_t frame, int scale, Rgb plate, Rgb ink) {
  FillRect(image, x, y, NumberWidth(frame, scale) + 4 * scale, NumberHeight(scale) + 4 * scale, plate);
  DrawNumber(image, x + 2 * scale, y + 2 * scale, frame, scale, ink);
}

// Copies one drawn row over the rows [first, last).
void RepeatRow(RgbaImage& image, const std::vector<uint8_t>& row, int first, int last) {
  for (int y = first; y < last; ++y)
    std::copy(row.begin(), row.end(), &image.pixels[static_cast<size_t>(y) * row.size()]);
}

void DrawTestPattern(RgbaImage& image, uint32_t frame) {
  // 75% bars: white, yellow, cyan, green, magenta, red, blue.
  static const Rgb kBars[7] = {{191, 191, 191}, {191, 191, 0}, {0, 191, 191}, {0, 191, 0},
                               {191, 0, 191},   {191, 0, 0},   {0, 0, 191}};
  const int w = image.width, h = image.height, barsEnd = h * 2 / 3;
  const int64_t barShift = int64_t{frame} * w / 90, rampShift = int64_t{frame} * w / 60;
  // Both parts vary along x only: draw a row of each and repeat it.
  std::vector<uint8_t> bars(static_cast<size_t>(w) * 4, 255), ramp(bars.size(), 255);
  for (int x = 0; x < w; ++x) {
    const Rgb bar = kBars[(x + barShift) % w * 7 / w];
    const auto level = static_cast<uint8_t>((x + rampShift) % w * 256 / w);
    uint8_t* b = &bars[static_cast<size_t>(x) * 4];
    uint8_t* r = &ramp[static_cast<size_t>(x) * 4];
    b[0] = bar.r, b[1] = bar.g, b[2] = bar.b;
    r[0] = r[1] = r[2] = level;
  }
  RepeatRow(image, bars, 0, barsEnd);
  RepeatRow(image, ramp, barsEnd, h);
  const int side = std::max(2, h / 5);
  const int boxX = Bounce(int64_t{frame} * (w / 64 + 1), w - side);
  const int boxY = Bounce(int64_t{frame} * (h / 48 + 1), h - side);
  FillRect(image, boxX, boxY, side, side, {255, 128, 0});
  FillRect(image, boxX + side / 3, boxY + side / 3, side / 3, side / 3, {0, 0, 0});
  const int scale = std::max(1, h / 90);
  NumberPlate(image, 2 * scale, 2 * scale, frame, scale, {0, 0, 0}, {255, 255, 255});
}

void DrawGradient(RgbaImage& image, uint32_t frame) {
  const int w = image.width, h = image.height;
  const int64_t f = frame;
  // Red follows x, green y, blue the sum of a term in x and a term in y.
  std::vector<uint8_t> red(static_cast<size_t>(w));
  std::vector<int> blueX(static_cast<size_t>(w));
  for (int x = 0; x < w; ++x) {
    red[x] = static_cast<uint8_t>(Bounce(int64_t{x} * 255 / w + f * 3, 255));
    blueX[x] = static_cast<int>(int64_t{w - x} * 128 / w);
  }
  for (int y = 0; y < h; ++y) {
    const int green = Bounce(int64_t{y} * 255 / h + f * 2, 255);
    const int blueY = static_cast<int>((int64_t{h - y} * 127 / h + f * 5) % 510);
    uint8_t* pixel = &image.pixels[static_cast<size_t>(y) * w * 4];
    for (int x = 0; x < w; ++x, pixel += 4) {
      const int blue = blueX[x] + blueY;  // below 3 * 255: one reflection or a wrap
      const int phase = blue < 510 ? blue : blue - 510;
      pixel[0] = red[x];
      pixel[1] = static_cast<uint8_t>(green);
      pixel[2] = static_cast<uint8_t>(phase <= 255 ? phase : 510 - phase);
      pixel[3] = 255;
    }
  }
  FillRect(image, static_cast<int>(f * w / 75 % w), 0, std::max(1, w / 20), h, {255, 220, 0});
  FillDisc(image, Bounce(f * (w / 80 + 1), w), Bounce(f * (h / 70 + 1) + h / 3, h), h / 6, {255, 255, 255});
  FillDisc(image, Bounce(f * (w / 50 + 1) + w / 2, w), Bounce(f * (h / 90 + 1) + h / 2, h), h / 8, {0, 0, 0});
  FillDisc(image, Bounce(f * (w / 120 + 1) + w, w), Bounce(f * (h / 60 + 1), h), h / 10, {110, 30, 160});
  const int scale = std::max(1, h / 90);
  const int plateWidth = NumberWidth(frame, scale) + 4 * scale, plateHeight = NumberHeight(scale) + 4 * scale;
  NumberPlate(image, w - plateWidth - 2 * scale, h - plateHeight - 2 * scale, frame, scale, {255, 255, 255}, {0, 0, 0});
}

}  // namespace

RgbaImage DrawDefaultClipFrame(DefaultClip clip, int width, int height, uint32_t frame) {
  RgbaImage image(width, height);
  if (clip == DefaultClip::kTestPattern) {
    DrawTestPattern(image, frame);
  } else {
    DrawGradient(image, frame);
  }
  return image;
}

}  // namespace kavro
