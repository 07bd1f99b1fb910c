// Scaling in place: sizes, constants, monotone ramps, and the distance from
// the same filters computed in double precision.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "masks/Pelt.h"

namespace {

struct Size {
  long width, height;
};

// Pairs of (from, to) covering enlarging, mild and strong shrinking, odd
// ratios and a mix of directions per axis.
const Size kPairs[][2] = {
    {{192, 108}, {128, 72}}, {{64, 36}, {192, 108}}, {{144, 108}, {192, 108}}, {{97, 61}, {13, 9}},
    {{13, 9}, {97, 61}},     {{50, 40}, {24, 41}},   {{300, 7}, {31, 70}},     {{1, 1}, {5, 3}},
    {{5, 3}, {1, 1}},        {{17, 17}, {17, 5}},    {{255, 2}, {100, 2}},     {{99, 99}, {49, 50}},
};

void Make(TImage& image, Size size, unsigned char (*level)(long x, long y, long width, long height)) {
  ASSERT_NE(image.Create(size.width, size.height, pf8bit, 0), nullptr);
  for (long y = 0; y < size.height; ++y) {
    unsigned char* row = image.GetBits() + y * image.GetWidthBytes();
    for (long x = 0; x < size.width; ++x) row[x] = level(x, y, size.width, size.height);
  }
}

unsigned char Textured(long x, long y, long, long) {
  return static_cast<unsigned char>((x * 37 + y * 91 + ((x * y) % 17) * 11) & 0xFF);
}

// One axis of the filter in double precision: bilinear between pixel centres
// unless shrinking by more than 2, then the mean over the covered span.
std::vector<double> IdealAxis(const std::vector<double>& in, size_t outCount) {
  const size_t inCount = in.size();
  const double scale = static_cast<double>(inCount) / static_cast<double>(outCount);
  std::vector<double> out(outCount);
  for (size_t i = 0; i < outCount; ++i) {
    if (inCount > 2 * outCount) {
      const double begin = i * scale, end = (i + 1) * scale;
      double sum = 0;
      for (size_t k = static_cast<size_t>(begin); k < inCount && static_cast<double>(k) < end; ++k) {
        sum += in[k] * (std::min(end, k + 1.0) - std::max(begin, static_cast<double>(k)));
      }
      out[i] = sum / scale;
    } else {
      double x = (i + 0.5) * scale - 0.5;
      x = std::max(0.0, std::min(x, static_cast<double>(inCount - 1)));
      size_t k = static_cast<size_t>(x);
      double f = x - k;
      out[i] = k + 1 < inCount ? in[k] * (1 - f) + in[k + 1] * f : in[k];
    }
  }
  return out;
}

// Rows in memory order; the filters do not care which way up.
std::vector<double> Ideal(const TImage& image, Size to) {
  const long width = image.GetWidth(), height = image.GetHeight();
  std::vector<std::vector<double>> rows(static_cast<size_t>(height));
  for (long y = 0; y < height; ++y) {
    const unsigned char* row = image.GetBits() + y * image.GetWidthBytes();
    rows[static_cast<size_t>(y)] = IdealAxis(std::vector<double>(row, row + width), static_cast<size_t>(to.width));
  }
  std::vector<double> out(static_cast<size_t>(to.width * to.height));
  for (long x = 0; x < to.width; ++x) {
    std::vector<double> column(static_cast<size_t>(height));
    for (long y = 0; y < height; ++y)
      column[static_cast<size_t>(y)] = rows[static_cast<size_t>(y)][static_cast<size_t>(x)];
    std::vector<double> scaled = IdealAxis(column, static_cast<size_t>(to.height));
    for (long y = 0; y < to.height; ++y) out[static_cast<size_t>(y * to.width + x)] = scaled[static_cast<size_t>(y)];
  }
  return out;
}

TEST(Resize, GivesExactlyTheAskedSizeInEightBits) {
  for (const auto& pair : kPairs) {
    TImage image;
    Make(image, pair[0], Textured);
    ASSERT_EQ(TEffectImage::Resize(image, pair[1].width, pair[1].height), 0);
    EXPECT_EQ(image.GetWidth(), pair[1].width);
    EXPECT_EQ(image.GetHeight(), pair[1].height);
    EXPECT_EQ(image.GetBitCount(), 8);
    EXPECT_EQ(image.GetWidthBytes(), (pair[1].width + 3) / 4 * 4);
    EXPECT_EQ(image.GetSize(), image.GetWidthBytes() * pair[1].height);
  }
}

TEST(Resize, ConstantsStayConstant) {
  for (unsigned char level : {0, 1, 127, 128, 254, 255}) {
    for (const auto& pair : kPairs) {
      TImage image;
      ASSERT_NE(image.Create(pair[0].width, pair[0].height, pf8bit, 0), nullptr);
      std::memset(image.GetBits(), level, static_cast<size_t>(image.GetSize()));
      ASSERT_EQ(TEffectImage::Resize(image, pair[1].width, pair[1].height), 0);
      for (long y = 0; y < pair[1].height; ++y) {
        const unsigned char* row = image.GetBits() + y * image.GetWidthBytes();
        for (long x = 0; x < pair[1].width; ++x) ASSERT_EQ(row[x], level) << x << "," << y;
      }
    }
  }
}

TEST(Resize, RampsStayMonotone) {
  for (const auto& pair : kPairs) {
    TImage image;
    Make(image, pair[0], [](long x, long y, long width, long height) {
      return static_cast<unsigned char>(255 * (x + y) / std::max(1L, width + height - 2));
    });
    ASSERT_EQ(TEffectImage::Resize(image, pair[1].width, pair[1].height), 0);
    for (long y = 0; y < pair[1].height; ++y) {
      const unsigned char* row = image.GetBits() + y * image.GetWidthBytes();
      for (long x = 0; x < pair[1].width; ++x) {
        if (x > 0) {
          ASSERT_GE(row[x], row[x - 1]) << x << "," << y;
        }
        if (y > 0) {
          ASSERT_GE(row[x], row[x - image.GetWidthBytes()]) << x << "," << y;
        }
      }
    }
  }
}

TEST(Resize, StaysWithinHalfALevelOfTheIdealFilter) {
  double worst = 0;
  size_t pixels = 0, rounded = 0;
  for (const auto& pair : kPairs) {
    TImage image;
    Make(image, pair[0], Textured);
    std::vector<double> ideal = Ideal(image, pair[1]);
    ASSERT_EQ(TEffectImage::Resize(image, pair[1].width, pair[1].height), 0);
    for (long y = 0; y < pair[1].height; ++y) {
      for (long x = 0; x < pair[1].width; ++x) {
        double want = ideal[static_cast<size_t>(y * pair[1].width + x)];
        double error = std::fabs(image.GetBits()[y * image.GetWidthBytes() + x] - want);
        worst = std::max(worst, error);
        ++pixels;
        if (error <= 0.5) ++rounded;
      }
    }
  }
  std::printf("resize: worst distance from the ideal filter %.4f levels; %zu of %zu pixels within 0.5\n", worst,
              rounded, pixels);
  // Fixed-point weights may tip a value lying within a hair of a half level.
  EXPECT_LE(worst, 0.5 + 1.0 / 64);
  EXPECT_GE(static_cast<double>(rounded), 0.999 * static_cast<double>(pixels));
}

TEST(Resize, ColourChannelsAreFilteredApart) {
  TImage image;
  ASSERT_NE(image.Create(9, 5, pf32bit, 0), nullptr);
  for (long y = 0; y < 5; ++y) {
    for (long x = 0; x < 9; ++x) {
      unsigned char* p = image.GetBits() + y * image.GetWidthBytes() + 4 * x;
      p[0] = 10, p[1] = 200, p[2] = static_cast<unsigned char>(x * 30), p[3] = 255;
    }
  }
  ASSERT_EQ(TEffectImage::Resize(image, 20, 3), 0);
  EXPECT_EQ(image.GetBitCount(), 32);
  unsigned char previousRed = 0;
  for (long x = 0; x < 20; ++x) {
    const unsigned char* p = image.GetBits() + image.GetWidthBytes() + 4 * x;
    EXPECT_EQ(p[0], 10);
    EXPECT_EQ(p[1], 200);
    EXPECT_EQ(p[3], 255);
    EXPECT_GE(p[2], previousRed);
    previousRed = p[2];
  }
}

// A one-pixel line turned across: filtering the long axis last would hold
// 32767 x 32767 values between the passes.
TEST(Resize, TurningALongLineAcrossNeedsLittleMemory) {
  const long kLong = 32767;
  for (bool tall : {true, false}) {
    SCOPED_TRACE(tall ? "tall to wide" : "wide to tall");
    TImage image;
    ASSERT_NE(image.Create(tall ? 1 : kLong, tall ? kLong : 1, pf32bit, 0), nullptr);
    // Channel c is 100 + c along the first half of the line, 200 + c after.
    for (long i = 0; i < kLong; ++i) {
      unsigned char* p = tall ? image.GetBits() + i * image.GetWidthBytes() : image.GetBits() + 4 * i;
      for (int c = 0; c < 4; ++c) p[c] = static_cast<unsigned char>((i < kLong / 2 ? 100 : 200) + c);
    }
    ASSERT_EQ(TEffectImage::Resize(image, tall ? kLong : 1, tall ? 1 : kLong), 0);
    ASSERT_EQ(image.GetWidth(), tall ? kLong : 1);
    ASSERT_EQ(image.GetHeight(), tall ? 1 : kLong);
    // The whole line averages to 150 + c, spread along the new line.
    const unsigned char* first = image.GetBits();
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(first[c], 150 + c, 1) << "channel " << c;
    for (long i = 1; i < kLong; ++i) {
      const unsigned char* p = tall ? image.GetBits() + 4 * i : image.GetBits() + i * image.GetWidthBytes();
      ASSERT_EQ(std::memcmp(p, first, 4), 0) << i;
    }
  }
}

// Storage comes back from a pool uncleared: every way through the resizer
// zeroes the bytes between a row's end and its stride, here one per row.
TEST(Resize, ZeroesTheRowPaddingOnEveryPath) {
  const Size to = {1439, 200};  // frame-sized blocks are pooled
  for (const Size from : {Size{1441, 200}, Size{700, 200}, Size{1439, 300}, Size{1439, 64}, Size{700, 100}}) {
    SCOPED_TRACE(std::to_string(from.width) + "x" + std::to_string(from.height));
    {
      TImage dirty;
      ASSERT_NE(dirty.Create(to.width, to.height, pf8bit, 0), nullptr);
      std::memset(dirty.GetBits(), 0xAB, static_cast<size_t>(dirty.GetSize()));
    }
    TImage image;
    Make(image, from, Textured);
    ASSERT_EQ(TEffectImage::Resize(image, to.width, to.height), 0);
    ASSERT_EQ(image.GetWidthBytes(), 1440);
    for (long y = 0; y < to.height; ++y) ASSERT_EQ(image.GetBits()[y * 1440 + 1439], 0) << "row " << y;
  }
}

TEST(Resize, RefusesWhatItCannotDoAndLeavesTheImage) {
  TImage image;
  Make(image, {8, 6}, Textured);
  std::vector<unsigned char> before(image.GetBits(), image.GetBits() + image.GetSize());
  EXPECT_LT(TEffectImage::Resize(image, 0, 6), 0);
  EXPECT_LT(TEffectImage::Resize(image, 8, -1), 0);
  EXPECT_LT(TEffectImage::Resize(image, 100000, 6), 0);
  EXPECT_EQ(image.GetWidth(), 8);
  EXPECT_EQ(std::vector<unsigned char>(image.GetBits(), image.GetBits() + image.GetSize()), before);
  EXPECT_EQ(TEffectImage::Resize(image, 8, 6), 0) << "the same size is nothing to do";
  EXPECT_EQ(std::vector<unsigned char>(image.GetBits(), image.GetBits() + image.GetSize()), before);

  TImage empty, packed;
  EXPECT_LT(TEffectImage::Resize(empty, 4, 4), 0);
  ASSERT_NE(packed.Create(8, 8, pf4bit, 0), nullptr);
  EXPECT_LT(TEffectImage::Resize(packed, 4, 4), 0);
}

}  // namespace
