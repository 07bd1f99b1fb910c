#include "DefaultClips.h"

#include <algorithm>
#include <cstddef>

#include "Drawing.h"

namespace kavro {

namespace {

// Goes from 0 up to `range` and back as t grows.
int Bounce(int64_t t, int range) {
  if (range <= 0) return 0;
  const int64_t phase = t % (2 * int64_t{range});
  return static_cast<int>(phase <= range ? phase : 2 * range - phase);
}

void Set(RgbaImage& image, int x, int y, int r, int g, int b) {
  uint8_t* pixel = &image.pixels[(static_cast<size_t>(y) * image.width + x) * 4];
  pixel[0] = static_cast<uint8_t>(r);
  pixel[1] = static_cast<uint8_t>(g);
  pixel[2] = static_cast<uint8_t>(b);
  pixel[3] = 255;
}

void NumberPlate(RgbaImage& image, int x, int y, uint32_t frame, int scale, Rgb plate, Rgb ink) {
  FillRect(image, x, y, NumberWidth(frame, scale) + 4 * scale, NumberHeight(scale) + 4 * scale, plate);
  DrawNumber(image, x + 2 * scale, y + 2 * scale, frame, scale, ink);
}

void DrawTestPattern(RgbaImage& image, uint32_t frame) {
  // 75% bars: white, yellow, cyan, green, magenta, red, blue.
  static const Rgb kBars[7] = {{191, 191, 191}, {191, 191, 0}, {0, 191, 191}, {0, 191, 0},
                               {191, 0, 191},   {191, 0, 0},   {0, 0, 191}};
  const int w = image.width, h = image.height, barsEnd = h * 2 / 3;
  const int64_t barShift = int64_t{frame} * w / 90, rampShift = int64_t{frame} * w / 60;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      if (y < barsEnd) {
        const Rgb bar = kBars[(x + barShift) % w * 7 / w];
        Set(image, x, y, bar.r, bar.g, bar.b);
      } else {
        const int level = static_cast<int>((x + rampShift) % w * 256 / w);
        Set(image, x, y, level, level, level);
      }
    }
  }
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
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      Set(image, x, y, Bounce(int64_t{x} * 255 / w + f * 3, 255), Bounce(int64_t{y} * 255 / h + f * 2, 255),
          Bounce(int64_t{w - x} * 128 / w + int64_t{h - y} * 127 / h + f * 5, 255));
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
