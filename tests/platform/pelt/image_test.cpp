// Image storage, its geometry, and the blit between two images.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "masks/Pelt.h"

namespace {

// Level of the pixel at column x, row y counted from the top.
unsigned char Level(long x, long y) { return static_cast<unsigned char>((x * 7 + y * 13) & 0xFF); }

void Fill(TImage& image) {
  for (long y = 0; y < image.GetHeight(); ++y) {
    unsigned char* row = image.GetBits() + (image.GetHeight() - 1 - y) * image.GetWidthBytes();
    for (long x = 0; x < image.GetWidth(); ++x) row[x] = Level(x, y);
  }
}

unsigned char At(const TImage& image, long x, long y) {
  return image.GetBits()[(image.GetHeight() - 1 - y) * image.GetWidthBytes() + x];
}

TEST(ImageStorage, RowsAreWholeWordsAndTheImageStartsZeroed) {
  const long expected8[] = {4, 4, 4, 4, 8, 8, 8, 8, 12};
  for (long width = 1; width <= 9; ++width) {
    TImage image;
    ASSERT_NE(image.Create(width, 3, pf8bit, 0), nullptr);
    EXPECT_TRUE(image.IsValid());
    EXPECT_EQ(image.GetWidthBytes(), expected8[width - 1]) << width;
    EXPECT_EQ(image.GetSize(), 3 * expected8[width - 1]);
    EXPECT_EQ(image.GetSize() % 2, 0);
    EXPECT_EQ(image.GetBitCount(), 8);
    std::vector<unsigned char> zero(static_cast<size_t>(image.GetSize()), 0);
    EXPECT_EQ(std::memcmp(image.GetBits(), zero.data(), zero.size()), 0);
  }
  TImage colour;
  ASSERT_NE(colour.Create(5, 2, pf24bit, 0), nullptr);
  EXPECT_EQ(colour.GetWidthBytes(), 16);
  EXPECT_EQ(colour.GetBitCount(), 24);
  ASSERT_NE(colour.Create(3, 2, pf1bit, 0), nullptr);
  EXPECT_EQ(colour.GetWidthBytes(), 4);
}

TEST(ImageStorage, ImpossibleSizesOrLayoutsLeaveNoImage) {
  struct Case {
    long width, height;
    TPixelFormat format;
  } cases[] = {{0, 5, pf8bit},       {5, 0, pf8bit},          {-4, 5, pf8bit}, {5, -4, pf8bit},
               {100000, 10, pf8bit}, {30000, 30000, pf32bit}, {4, 4, pfNone},  {4, 4, TPixelFormat(7)}};
  for (const Case& c : cases) {
    TImage image;
    image.Create(4, 4, pf8bit, 0);
    EXPECT_EQ(image.Create(c.width, c.height, c.format, 0), nullptr) << c.width << " x " << c.height;
    EXPECT_FALSE(image.IsValid());
    EXPECT_EQ(image.GetBits(), nullptr);
    EXPECT_EQ(image.GetSize(), 0);
    EXPECT_EQ(image.GetDC(), nullptr);
  }
}

TEST(ImageStorage, DestroyDropsThePixelsOnly) {
  TImage image;
  image.SetNoHandleMode(1);
  ASSERT_NE(image.Create(8, 8, pf8bit, 0), nullptr);
  image.Destroy();
  EXPECT_FALSE(image.IsValid());
  EXPECT_EQ(image.GetWidth(), 0);
  EXPECT_TRUE(image.IsNoHandle()) << "the mode is no pixel data";
}

TEST(ImageStorage, NoHandleModeAnswersThePreviousMode) {
  TImage image;
  EXPECT_FALSE(image.IsNoHandle());
  EXPECT_EQ(image.SetNoHandleMode(1), 0);
  EXPECT_TRUE(image.IsNoHandle());
  EXPECT_EQ(image.SetNoHandleMode(5), 1);
  EXPECT_EQ(image.SetNoHandleMode(0), 1);
  EXPECT_FALSE(image.IsNoHandle());
}

// Large blocks let go are handed out again for the same size: a new image
// must still start zeroed, whatever the block held before.
TEST(ImageStorage, StorageOfAnEarlierImageComesBackZeroed) {
  for (int round = 0; round < 3; ++round) {
    for (long side : {600L, 1024L, 1920L}) {
      TImage image;
      ASSERT_NE(image.Create(side, 600, pf8bit, 0), nullptr);
      const unsigned char* bits = image.GetBits();
      for (long i = 0; i < image.GetSize(); ++i) ASSERT_EQ(bits[i], 0) << side << " at " << i;
      std::memset(image.GetBits(), 0xAB, static_cast<size_t>(image.GetSize()));
    }
  }
}

TEST(ImageStorage, ExchangeTradesPixelsWithoutCopyingThem) {
  TImage wide, small;
  wide.SetNoHandleMode(1);
  ASSERT_NE(wide.Create(10, 3, pf8bit, 0), nullptr);
  ASSERT_NE(small.Create(2, 5, pf24bit, 0), nullptr);
  const TPaletteEntry gray = {7, 7, 7, 0};
  ASSERT_EQ(wide.SetPalette(&gray, 1), 1);
  const unsigned char* wideBits = wide.GetBits();
  const unsigned char* smallBits = small.GetBits();
  HDC wideContext = wide.GetDC();

  ASSERT_NE(wide.Exchange(small), 0);
  EXPECT_EQ(wide.GetBits(), smallBits);
  EXPECT_EQ(small.GetBits(), wideBits);
  EXPECT_EQ(wide.GetWidth(), 2);
  EXPECT_EQ(wide.GetHeight(), 5);
  EXPECT_EQ(wide.GetPixelFormat(), pf24bit);
  EXPECT_EQ(wide.GetWidthBytes(), 8);
  EXPECT_EQ(small.GetWidth(), 10);
  EXPECT_EQ(small.GetSize(), 36);
  EXPECT_EQ(wide.GetPalette(nullptr, 0), 0);
  EXPECT_EQ(small.GetPalette(nullptr, 0), 1);
  EXPECT_TRUE(wide.IsNoHandle()) << "the mode stays with the image";
  EXPECT_FALSE(small.IsNoHandle());

  // A context taken before still addresses its own image, now with the new pixels.
  TImage other;
  ASSERT_NE(other.Create(2, 5, pf24bit, 0), nullptr);
  std::memset(other.GetBits(), 0x42, static_cast<size_t>(other.GetSize()));
  ASSERT_NE(other.Blt(wideContext, 0, 0, 0, 0, 2, 5, SRCCOPY), 0);
  EXPECT_EQ(wide.GetBits()[0], 0x42);

  TImage empty;
  ASSERT_NE(empty.Exchange(small), 0);
  EXPECT_FALSE(small.IsValid());
  EXPECT_EQ(empty.GetWidth(), 10);
}

class Blit : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(source.Create(10, 7, pf8bit, 0), nullptr);
    Fill(source);
    ASSERT_NE(target.Create(6, 5, pf8bit, 0), nullptr);
    std::memset(target.GetBits(), 0xEE, static_cast<size_t>(target.GetSize()));
  }
  TImage source, target;
};

TEST_F(Blit, CopiesARectangleMeasuredFromTheTop) {
  ASSERT_TRUE(source.Blt(target.GetDC(), 1, 2, 3, 1, 4, 2, SRCCOPY));
  for (long y = 0; y < 5; ++y) {
    for (long x = 0; x < 6; ++x) {
      bool inside = x >= 1 && x < 5 && y >= 2 && y < 4;
      EXPECT_EQ(At(target, x, y), inside ? Level(x - 1 + 3, y - 2 + 1) : 0xEE) << x << "," << y;
    }
  }
}

TEST_F(Blit, ClipsToBothImages) {
  // Starts left of and above the target and runs past the source's right edge.
  ASSERT_TRUE(source.Blt(target.GetDC(), -2, -1, 6, 0, 100, 100, SRCCOPY));
  for (long y = 0; y < 5; ++y) {
    for (long x = 0; x < 6; ++x) {
      // Target (x, y) takes source (x + 8, y + 1) while that column exists.
      unsigned char expected = x + 8 < 10 ? Level(x + 8, y + 1) : 0xEE;
      EXPECT_EQ(At(target, x, y), expected) << x << "," << y;
    }
  }
  EXPECT_TRUE(source.Blt(target.GetDC(), 50, 50, 0, 0, 4, 4, SRCCOPY)) << "wholly outside copies nothing";
}

TEST_F(Blit, FarCoordinatesClipWithoutOverflow) {
  const long kMin = std::numeric_limits<long>::min(), kMax = std::numeric_limits<long>::max();
  struct Case {
    long xDest, yDest, xSrc, ySrc, width, height;
  } outside[] = {
      {0, 0, kMin, 0, 4, 4},          {kMax, 0, -1, 0, 4, 4},         {0, 0, 0, kMin, 4, 4},
      {0, kMax, 0, -1, 4, 4},         {kMin, 0, 0, 0, kMax, 4},       {-1, 0, kMax, 0, 4, 4},
      {0, 0, kMin, kMin, kMax, kMax}, {kMin, kMin, kMax, kMax, 4, 4}, {kMax, kMax, kMin, kMin, kMax, kMax},
  };
  for (const Case& c : outside) {
    SCOPED_TRACE(::testing::Message() << "to " << c.xDest << "," << c.yDest << " from " << c.xSrc << "," << c.ySrc
                                      << " size " << c.width << "x" << c.height);
    EXPECT_TRUE(source.Blt(target.GetDC(), c.xDest, c.yDest, c.xSrc, c.ySrc, c.width, c.height, SRCCOPY));
    for (long i = 0; i < target.GetSize(); ++i) ASSERT_EQ(target.GetBits()[i], 0xEE) << "nothing lies inside";
  }
  // The widest rectangle still copies what both images hold.
  ASSERT_TRUE(source.Blt(target.GetDC(), -3, 0, 0, 0, kMax, kMax, SRCCOPY));
  for (long y = 0; y < 5; ++y) {
    for (long x = 0; x < 6; ++x) EXPECT_EQ(At(target, x, y), Level(x + 3, y)) << x << "," << y;
  }
}

TEST(BlitWithinOneImage, OverlappingRectanglesMoveIntactInEveryDirection) {
  // A 4 x 3 rectangle at (3, 2) moved by less than its size, so source and
  // destination overlap.
  struct Move {
    long dx, dy;
  } moves[] = {{0, 2}, {0, -2}, {3, 0}, {-3, 0}, {2, 1}, {-1, -2}, {1, -1}, {-2, 1}};
  for (const Move& m : moves) {
    SCOPED_TRACE(::testing::Message() << "by " << m.dx << "," << m.dy);
    TImage image;
    ASSERT_NE(image.Create(10, 7, pf8bit, 0), nullptr);
    Fill(image);
    ASSERT_TRUE(image.Blt(image.GetDC(), 3 + m.dx, 2 + m.dy, 3, 2, 4, 3, SRCCOPY));
    for (long y = 0; y < 7; ++y) {
      for (long x = 0; x < 10; ++x) {
        const long fromX = x - m.dx, fromY = y - m.dy;
        const bool moved = fromX >= 3 && fromX < 7 && fromY >= 2 && fromY < 5;
        EXPECT_EQ(At(image, x, y), moved ? Level(fromX, fromY) : Level(x, y)) << x << "," << y;
      }
    }
  }
}

TEST_F(Blit, RefusesWhatItCannotCopy) {
  HDC dc = target.GetDC();
  ASSERT_NE(dc, nullptr);
  EXPECT_FALSE(source.Blt(dc, 0, 0, 0, 0, 2, 2, 0x00EE0086)) << "only SRCCOPY";
  EXPECT_FALSE(source.Blt(dc, 0, 0, 0, 0, -2, 2, SRCCOPY));
  EXPECT_FALSE(source.Blt(nullptr, 0, 0, 0, 0, 2, 2, SRCCOPY));
  int notAnImage = 0;
  EXPECT_FALSE(source.Blt(reinterpret_cast<HDC>(&notAnImage), 0, 0, 0, 0, 2, 2, SRCCOPY));
  TImage colour;
  colour.Create(6, 5, pf24bit, 0);
  EXPECT_FALSE(source.Blt(colour.GetDC(), 0, 0, 0, 0, 2, 2, SRCCOPY)) << "layouts differ";
  target.Destroy();
  EXPECT_FALSE(source.Blt(dc, 0, 0, 0, 0, 2, 2, SRCCOPY)) << "the context went with the pixels";
  TImage empty;
  EXPECT_FALSE(empty.Blt(colour.GetDC(), 0, 0, 0, 0, 2, 2, SRCCOPY));
}

TEST_F(Blit, ColourPixelsMoveAsWholes) {
  TImage from, to;
  ASSERT_NE(from.Create(4, 2, pf24bit, 0), nullptr);
  ASSERT_NE(to.Create(2, 2, pf24bit, 0), nullptr);
  for (long i = 0; i < from.GetSize(); ++i) from.GetBits()[i] = static_cast<unsigned char>(i);
  ASSERT_TRUE(from.Blt(to.GetDC(), 0, 0, 1, 0, 2, 2, SRCCOPY));
  for (long row = 0; row < 2; ++row) {
    EXPECT_EQ(std::memcmp(to.GetBits() + row * to.GetWidthBytes(), from.GetBits() + row * from.GetWidthBytes() + 3, 6),
              0);
  }
}

}  // namespace
