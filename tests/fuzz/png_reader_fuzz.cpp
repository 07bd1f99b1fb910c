// kavro's PNG reader: any PNG to 8-bit RGBA, then to a 4:2:2 picture scaled
// to a small size. Input: a mode byte, the scaled size, then either the file
// itself, the file with its checksums fixed, or the fields of a PNG built
// from them.
//
// Whatever the bytes, the only failure is a MediaError; a decoded image has
// four bytes a pixel for its stated size; a built PNG (always valid) decodes,
// and at 8 and 16 bits its pixels are the colours it was built with.
#include <stddef.h>
#include <stdint.h>

#include <cstring>
#include <vector>

#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "PngSynthesis.h"
#include "media/ColourConversion.h"
#include "media/PngFile.h"
#include "media/Scaling.h"

using namespace kavro;

namespace {

// The RGBA a reader must make of pixel x of row y of a built PNG of 8 or 16
// bits a sample: gray spread to all three colours, a palette entry looked up,
// no transparency unless the file has alpha; 16-bit samples by their high byte.
void ExpectedRgba(const SynthesizedPng& png, uint32_t x, uint32_t y, uint8_t rgba[4]) {
  const unsigned sampleBytes = png.bitDepth / 8;
  const unsigned channels = png.bitsPerPixel / png.bitDepth;
  const uint8_t* pixel = png.pixels.data() + y * png.rowBytes + size_t{x} * channels * sampleBytes;
  auto sample = [&](unsigned channel) { return pixel[channel * sampleBytes]; };
  switch (png.colorType) {
    case 0:  // gray
    case 4:  // gray and alpha
      rgba[0] = rgba[1] = rgba[2] = sample(0);
      rgba[3] = png.colorType == 4 ? sample(1) : 255;
      break;
    case 3:  // palette
      std::memcpy(rgba, &png.palette[3 * size_t{pixel[0]}], 3);
      rgba[3] = 255;
      break;
    default:  // RGB, RGBA
      for (unsigned c = 0; c < 3; ++c) rgba[c] = sample(c);
      rgba[3] = png.colorType == 6 ? sample(3) : 255;
      break;
  }
}

void ExpectPixelsOf(const SynthesizedPng& png, const RgbaImage& image) {
  FUZZ_CHECK(image.width == static_cast<int>(png.width) && image.height == static_cast<int>(png.height));
  if (png.bitDepth < 8) return;  // how low depths spread to 8 bits is the decoder's own
  for (uint32_t y = 0; y < png.height; ++y) {
    for (uint32_t x = 0; x < png.width; ++x) {
      uint8_t expected[4];
      ExpectedRgba(png, x, y, expected);
      FUZZ_CHECK(std::memcmp(&image.pixels[(size_t{y} * png.width + x) * 4], expected, 4) == 0);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  const auto mode = static_cast<ImageInputMode>(input.Byte() % kImageInputModes);
  const int scaledWidth = 2 * (1 + input.Byte() % 32);
  const int scaledHeight = 1 + input.Byte() % 64;
  SynthesizedPng built;
  const std::vector<uint8_t> file = ImageFileFromInput(mode, input, 64, built);
  try {
    const RgbaImage image = DecodePng(file.data(), file.size(), "fuzz.png");
    FUZZ_CHECK(image.width >= 1 && image.height >= 1);
    FUZZ_CHECK(image.pixels.size() == size_t{4} * image.width * image.height);
    if (mode == kBuiltPng) ExpectPixelsOf(built, image);
    const Picture scaled = ScalePicture(RgbaToPicture(image), scaledWidth, scaledHeight);
    FUZZ_CHECK(scaled.width == scaledWidth && scaled.height == scaledHeight);
    FUZZ_CHECK(scaled.y.size() == size_t{1} * scaledWidth * scaledHeight);
  } catch (const MediaError& error) {
    FUZZ_CHECK(mode != kBuiltPng);
    FUZZ_CHECK(error.what()[0] != '\0');
  }
  return 0;
}
