// PNG stills of every kind kavro reads, drawn by make_test_png, and the
// frames it writes.
#include <gtest/gtest.h>

#include <vector>

#include "ScratchFiles.h"
#include "media/ColourConversion.h"
#include "media/FileBytes.h"
#include "media/PngFile.h"

using namespace kavro;

namespace {

RgbaImage DecodeTestImage(const std::string& name) {
  std::vector<uint8_t> bytes = ReadFileBytes(TestImagePath(name));
  return DecodePng(bytes.data(), bytes.size(), name);
}

const uint8_t* Pixel(const RgbaImage& image, int x, int y) {
  return &image.pixels[(static_cast<size_t>(y) * image.width + x) * 4];
}

std::vector<int> At(const RgbaImage& image, int x, int y) {
  const uint8_t* p = Pixel(image, x, y);
  return {p[0], p[1], p[2], p[3]};
}

// make_test_png draws level 16 y + x for gray and red; green 100, blue 200;
// alpha 255 - 40 x.
TEST(DecodePng, SpreadsGrayOverRgbWithOpaqueAlpha) {
  RgbaImage image = DecodeTestImage("pattern.png");
  ASSERT_EQ(image.width, 6);
  ASSERT_EQ(image.height, 4);
  EXPECT_EQ(At(image, 0, 0), (std::vector<int>{0, 0, 0, 255}));
  EXPECT_EQ(At(image, 5, 3), (std::vector<int>{53, 53, 53, 255}));
}

TEST(DecodePng, ReadsRgbAndRgba) {
  RgbaImage rgb = DecodeTestImage("rgb.png");
  EXPECT_EQ(At(rgb, 2, 1), (std::vector<int>{18, 100, 200, 255}));
  RgbaImage rgba = DecodeTestImage("rgba.png");
  EXPECT_EQ(At(rgba, 0, 0), (std::vector<int>{0, 100, 200, 255}));
  EXPECT_EQ(At(rgba, 5, 2), (std::vector<int>{37, 100, 200, 55}));
}

TEST(DecodePng, AStillBecomesLimitedRangeYCbCrWithItsAlpha) {
  Picture picture = RgbaToPicture(DecodeTestImage("rgba.png"));
  // (0, 100, 200): Y' = 16 + 219 (71.52 + 14.44) / 255 = 89.8; (16 + 2, 100, 200) gives 93.2.
  EXPECT_EQ(picture.y[0], 90);
  EXPECT_EQ(picture.y[6 + 2], 93);
  EXPECT_EQ(picture.alpha, (std::vector<uint8_t>{255, 215, 175, 135, 95, 55, 255, 215, 175, 135, 95, 55,
                                                 255, 215, 175, 135, 95, 55, 255, 215, 175, 135, 95, 55}));
  Picture gray = RgbaToPicture(DecodeTestImage("pattern.png"));
  EXPECT_EQ(gray.cb, std::vector<uint8_t>(gray.cb.size(), 128));
  EXPECT_EQ(gray.y[0], 16);
}

TEST(DecodePng, RefusesDamagedAndOversizedFilesByName) {
  for (const char* name : {"corrupt.png", "truncated.png", "bad_crc.png", "huge.png", "signature_only.png"}) {
    try {
      DecodeTestImage(name);
      ADD_FAILURE() << name << " was decoded";
    } catch (const MediaError& error) {
      EXPECT_EQ(std::string(error.what()).rfind(name, 0), 0u) << error.what();
    }
  }
}

TEST(EncodePng, RoundTripsRgbAndRgba) {
  RgbaImage image(3, 2);
  for (size_t i = 0; i < image.pixels.size(); ++i) image.pixels[i] = static_cast<uint8_t>(i * 37);
  std::vector<uint8_t> png = EncodePng(image.pixels.data(), 3, 2, 4);
  EXPECT_EQ(DecodePng(png.data(), png.size(), "x").pixels, image.pixels);

  std::vector<uint8_t> rgb = {1, 2, 3, 4, 5, 6};
  std::vector<uint8_t> rgbPng = EncodePng(rgb.data(), 2, 1, 3);
  EXPECT_EQ(DecodePng(rgbPng.data(), rgbPng.size(), "x").pixels, (std::vector<uint8_t>{1, 2, 3, 255, 4, 5, 6, 255}));
}

TEST(WriteFileAtomically, ReplacesAFileWhole) {
  const std::string path = ScratchFolder("atomic_write") + "file.bin";
  WriteFileAtomically(path, {1, 2, 3});
  WriteFileAtomically(path, {4, 5});
  EXPECT_EQ(ReadFileBytes(path), (std::vector<uint8_t>{4, 5}));
  EXPECT_THROW(WriteFileAtomically(path + "/under/a/file", {1}), MediaError);
  EXPECT_THROW(ReadFileBytes(path + ".missing"), MediaError);
}

}  // namespace
