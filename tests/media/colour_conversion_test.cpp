// Colour conversion and chroma siting against values worked out by hand from
// the BT.709 limited-range equations and the filters' weights.
#include <gtest/gtest.h>

#include <vector>

#include "media/ChromaSiting.h"
#include "media/ColourConversion.h"

using namespace kavro;

namespace {

std::vector<int> Bytes(const uint8_t* data, size_t count) { return std::vector<int>(data, data + count); }

// Y' = 16 + 219 (0.2126 R + 0.7152 G + 0.0722 B) / 255,
// Cb = 128 + 224 (B - Y) / (1.8556 * 255), Cr = 128 + 224 (R - Y) / (1.5748 * 255), Y unscaled.
TEST(RgbToYCbCr, PrimariesAndGraysLandOnTheirLimitedRangeCodes) {
  struct Case {
    int r, g, b, y, cb, cr;
  };
  const Case cases[] = {
      {0, 0, 0, 16, 128, 128},      {255, 255, 255, 235, 128, 128}, {128, 128, 128, 126, 128, 128},
      {255, 0, 0, 63, 102, 240},    {0, 255, 0, 173, 42, 26},       {0, 0, 255, 32, 240, 118},
      {50, 100, 200, 99, 177, 102}, {200, 100, 50, 117, 96, 174},
  };
  for (const Case& c : cases) {
    YCbCr value = RgbToYCbCr(c.r, c.g, c.b);
    EXPECT_EQ((std::vector<int>{value.y, value.cb, value.cr}), (std::vector<int>{c.y, c.cb, c.cr}))
        << "RGB " << c.r << " " << c.g << " " << c.b;
  }
}

TEST(RgbToYCbCr, EveryGrayKeepsNeutralChroma) {
  for (int level = 0; level < 256; ++level) {
    YCbCr value = RgbToYCbCr(level, level, level);
    EXPECT_EQ(value.cb, 128) << level;
    EXPECT_EQ(value.cr, 128) << level;
  }
}

// R = 1.164384 (Y - 16) + 1.792741 (Cr - 128), B = 1.164384 (Y - 16) + 2.112402 (Cb - 128),
// G = 1.164384 (Y - 16) - 0.213249 (Cb - 128) - 0.532909 (Cr - 128), clamped.
TEST(YCbCrToRgb, InvertsAndClampsToTheByteRange) {
  struct Case {
    int y, cb, cr, r, g, b;
  };
  const Case cases[] = {
      {16, 128, 128, 0, 0, 0},        {235, 128, 128, 255, 255, 255},
      {126, 128, 128, 128, 128, 128}, {63, 102, 240, 255, 1, 0},
      {173, 42, 26, 0, 255, 1},       {32, 240, 118, 1, 0, 255},
      {100, 90, 200, 227, 68, 18},    {0, 0, 0, 0, 77, 0},
      {255, 255, 255, 255, 184, 255},
  };
  for (const Case& c : cases) {
    uint8_t rgb[3];
    YCbCrToRgb(c.y, c.cb, c.cr, rgb);
    EXPECT_EQ(Bytes(rgb, 3), (std::vector<int>{c.r, c.g, c.b})) << "YCbCr " << c.y << " " << c.cb << " " << c.cr;
  }
}

TEST(ChromaSiting, DownsamplingCentresA121FilterOnTheEvenColumns) {
  const uint8_t row[5] = {10, 20, 60, 100, 200};
  uint8_t out[3];
  DownsampleChromaRow(row, 5, out);
  // (10 + 2*10 + 20) / 4, (20 + 2*60 + 100) / 4, (100 + 2*200 + 200) / 4, rounded.
  EXPECT_EQ(Bytes(out, 3), (std::vector<int>{13, 60, 175}));
}

TEST(ChromaSiting, UpsamplingAveragesTheOddColumnsAndRepeatsTheLast) {
  const uint8_t row[3] = {10, 21, 40};
  uint8_t out[6];
  UpsampleChromaRow(row, 6, out);
  EXPECT_EQ(Bytes(out, 6), (std::vector<int>{10, 16, 21, 31, 40, 40}));
  uint8_t odd[5];
  UpsampleChromaRow(row, 5, odd);
  EXPECT_EQ(Bytes(odd, 5), (std::vector<int>{10, 16, 21, 31, 40}));
}

// A 4x4 picture's 2x2 chroma [[0, 100], [200, 40]] brought to 2x4.
TEST(ChromaSiting, Upsampling420HonoursEachSiting) {
  const uint8_t plane[4] = {0, 100, 200, 40};
  uint8_t out[8];
  // Interstitial rows: 3/4 of the nearer row, 1/4 of the other, edges repeated.
  // Rows before the horizontal step: [0 100] [50 85] [150 55] [200 40].
  UpsampleChroma420To422(plane, 4, 4, Siting420::kLeft, out);
  EXPECT_EQ(Bytes(out, 8), (std::vector<int>{0, 100, 50, 85, 150, 55, 200, 40}));
  // Centred columns move a quarter sample left: 3/4 of column j, 1/4 of j - 1.
  UpsampleChroma420To422(plane, 4, 4, Siting420::kCentred, out);
  EXPECT_EQ(Bytes(out, 8), (std::vector<int>{0, 75, 50, 76, 150, 79, 200, 80}));
  // Co-sited rows are taken as they are, the rows between them halfway.
  UpsampleChroma420To422(plane, 4, 4, Siting420::kTopLeft, out);
  EXPECT_EQ(Bytes(out, 8), (std::vector<int>{0, 100, 100, 70, 200, 40, 200, 40}));
}

TEST(ChromaSiting, Upsampling420WithOddSizesStaysInsideThePlanes) {
  // 3x3 luma: 2x2 chroma in, 2x3 out.
  const uint8_t plane[4] = {40, 80, 120, 160};
  uint8_t out[6];
  UpsampleChroma420To422(plane, 3, 3, Siting420::kLeft, out);
  EXPECT_EQ(Bytes(out, 6), (std::vector<int>{40, 80, 60, 100, 100, 140}));
}

TEST(RgbaToPicture, ConvertsPixelsFiltersChromaAndKeepsAlpha) {
  RgbaImage image(4, 1);
  const uint8_t pixels[16] = {255, 0, 0, 255, 0, 255, 0, 128, 0, 0, 255, 0, 255, 255, 255, 7};
  image.pixels.assign(pixels, pixels + 16);
  Picture picture = RgbaToPicture(image);
  EXPECT_EQ(picture.y, (std::vector<uint8_t>{63, 173, 32, 235}));
  EXPECT_EQ(picture.alpha, (std::vector<uint8_t>{255, 128, 0, 7}));
  // Cb per pixel 102, 42, 240, 128: (102 + 2*102 + 42) / 4 = 87, (42 + 2*240 + 128) / 4 = 162.5.
  EXPECT_EQ(picture.cb, (std::vector<uint8_t>{87, 163}));
  // Cr per pixel 240, 26, 118, 128: (240 + 480 + 26) / 4 = 186.5, (26 + 236 + 128) / 4 = 97.5.
  EXPECT_EQ(picture.cr, (std::vector<uint8_t>{187, 98}));
}

TEST(PictureToRgba, UpsamplesChromaThenConverts) {
  Picture picture(2, 1);
  picture.y = {63, 126};
  picture.cb = {102};
  picture.cr = {240};
  picture.alpha = {9, 200};
  RgbaImage image = PictureToRgba(picture);
  // Both pixels share the one chroma sample; the second has Y 126:
  // R = 1.164384 * 110 + 200.787 = 328.9 -> 255, G = 128.08 + 5.544 - 59.686 = 73.9, B = 128.08 - 54.922 = 73.2.
  EXPECT_EQ(std::vector<int>(image.pixels.begin(), image.pixels.end()),
            (std::vector<int>{255, 1, 0, 9, 255, 74, 73, 200}));
}

}  // namespace
