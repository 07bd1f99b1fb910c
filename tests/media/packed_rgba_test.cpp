// RGBA straight to and from the packed frame: the same bytes as going
// through a planar picture, for every width, and nothing outside the frame.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "media/ColourConversion.h"
#include "media/PackedFrame.h"
#include "media/PackedRgba.h"

using namespace kavro;

namespace {

RgbaImage RandomImage(int width, int height, unsigned seed) {
  RgbaImage image(width, height);
  std::mt19937 random(seed);
  for (uint8_t& value : image.pixels) value = static_cast<uint8_t>(random());
  return image;
}

// The image one column wider, its last column repeated.
RgbaImage WithLastColumnRepeated(const RgbaImage& image) {
  RgbaImage wider(image.width + 1, image.height);
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x <= image.width; ++x) {
      const int from = x < image.width ? x : image.width - 1;
      for (int c = 0; c < 4; ++c) {
        wider.pixels[(static_cast<size_t>(y) * wider.width + x) * 4 + c] =
            image.pixels[(static_cast<size_t>(y) * image.width + from) * 4 + c];
      }
    }
  }
  return wider;
}

struct Size {
  int width, height;
};
const Size kSizes[] = {{1, 1}, {2, 1}, {3, 2}, {6, 4}, {7, 3}, {64, 5}, {33, 17}};

}  // namespace

TEST(PackRgba, GivesTheBytesOfAPlanarPictureForEveryWidthAndStride) {
  unsigned seed = 1;
  for (const Size size : kSizes) {
    const uint32_t packedWidth = static_cast<uint32_t>(size.width + size.width % 2);
    for (const uint32_t extraStride : {0u, 6u}) {
      const PackedLayout layout(packedWidth, static_cast<uint32_t>(size.height),
                                extraStride ? 2 * packedWidth + extraStride : 0);
      const RgbaImage image = RandomImage(size.width, size.height, ++seed);
      std::vector<uint8_t> direct(layout.bufferBytes() + 16, 0xA5), planar(direct);
      PackedRgbaScratch scratch;
      PackRgba(image.pixels.data(), static_cast<uint32_t>(size.width), layout, direct.data(), scratch);
      const RgbaImage even = size.width % 2 ? WithLastColumnRepeated(image) : image;
      PackPicture(RgbaToPicture(even), layout, planar.data());
      EXPECT_EQ(direct, planar) << size.width << "x" << size.height << " stride +" << extraStride;
    }
  }
}

TEST(UnpackRgba, GivesThePixelsOfAPlanarPictureForEveryWidth) {
  unsigned seed = 100;
  for (const Size size : kSizes) {
    const uint32_t packedWidth = static_cast<uint32_t>(size.width + size.width % 2);
    const PackedLayout layout(packedWidth, static_cast<uint32_t>(size.height), 2 * packedWidth + 2);
    std::vector<uint8_t> frame(layout.bufferBytes());
    std::mt19937 random(++seed);
    for (uint8_t& value : frame) value = static_cast<uint8_t>(random());

    std::vector<uint8_t> direct(static_cast<size_t>(size.width) * size.height * 4 + 8, 0x5A);
    PackedRgbaScratch scratch;
    UnpackRgba(frame.data(), layout, static_cast<uint32_t>(size.width), direct.data(), scratch);
    const RgbaImage planar = PictureToRgba(UnpackPicture(frame.data(), layout));
    std::vector<uint8_t> expected;
    for (int y = 0; y < size.height; ++y) {
      const auto row = planar.pixels.begin() + static_cast<long>(y) * planar.width * 4;
      expected.insert(expected.end(), row, row + size.width * 4);
    }
    expected.resize(expected.size() + 8, 0x5A);
    EXPECT_EQ(direct, expected) << size.width << "x" << size.height;
  }
}

TEST(PackRgba, OneScratchServesWidthsOfAnyOrder) {
  PackedRgbaScratch scratch;
  for (const int width : {4, 40, 2, 40}) {
    const RgbaImage image = RandomImage(width, 2, static_cast<unsigned>(width));
    const PackedLayout layout(static_cast<uint32_t>(width), 2);
    std::vector<uint8_t> frame(layout.bufferBytes()), expected(frame.size());
    PackRgba(image.pixels.data(), static_cast<uint32_t>(width), layout, frame.data(), scratch);
    PackPicture(RgbaToPicture(image), layout, expected.data());
    EXPECT_EQ(frame, expected) << width;
  }
}

TEST(PackRgba, RefusesRowsTheLayoutCannotHold) {
  const std::vector<uint8_t> rgba(64 * 4);
  std::vector<uint8_t> frame(PackedLayout(8, 2).bufferBytes());
  PackedRgbaScratch scratch;
  EXPECT_THROW(PackRgbaRow(rgba.data(), 6, PackedLayout(8, 2), 0, frame.data(), scratch), MediaError);
  EXPECT_THROW(PackRgbaRow(rgba.data(), 9, PackedLayout(8, 2), 0, frame.data(), scratch), MediaError);
  EXPECT_THROW(PackRgbaRow(rgba.data(), 8, PackedLayout(8, 2), 2, frame.data(), scratch), MediaError);
  EXPECT_THROW(PackRgbaRow(rgba.data(), 0, PackedLayout(0, 2), 0, frame.data(), scratch), MediaError);
  EXPECT_THROW(PackRgbaRow(rgba.data(), 8, PackedLayout(8, 2, 10), 0, frame.data(), scratch), MediaError);
  std::vector<uint8_t> out(rgba.size());
  EXPECT_THROW(UnpackRgbaRow(frame.data(), PackedLayout(8, 2), 0, 5, out.data(), scratch), MediaError);
  EXPECT_THROW(UnpackRgbaRow(frame.data(), PackedLayout(8, 2), 3, 8, out.data(), scratch), MediaError);
  EXPECT_NO_THROW(PackRgbaRow(rgba.data(), 7, PackedLayout(8, 2), 1, frame.data(), scratch));
}
