// Mask frames from a resource module (Oldkiv_frames): which frame a position
// selects, which frames decode, and the cut to a target proportion.
#include <gtest/gtest.h>

#if defined(_WIN32)
#include <float.h>
#endif

#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "masks/MaskFitting.h"
#include "masks/MaskImageFactory.h"
#include "masks/Pelt.h"
#include "tests/support/TestPaths.h"

namespace {

std::unique_ptr<MaskImageFactory> FramesFactory() {
  std::wstring plugin = TestDirectory() + SharedLibraryFileName(L"kiv_frames");
  auto factory = std::make_unique<MaskImageFactory>(plugin.c_str());
  EXPECT_NE(factory->GetResourceModule(), nullptr);
  return factory;
}

// Mask 0 of the fixture module, frame by frame.
enum Frame : uint32_t {
  kPatternPng,
  kPatternBmp,
  kPatternBmpTopDown,
  kRgbPng,
  kRgbBmp,
  kTruncatedPng,
  kCorruptPng,
  kBadCrcPng,
  kHugePng,
  kHugeBmp,
  kSignatureOnly,
  kPaletteGrayPng,
  kPaletteColourPng,
  kPaletteGrayBmp,
  kPaletteColourBmp,
};

TEST(MaskFrames, EightBitFramesDecodeWithTheBottomRowFirst) {
  auto factory = FramesFactory();
  for (uint32_t position : {kPatternPng, kPatternBmp, kPatternBmpTopDown}) {
    SCOPED_TRACE(position);
    std::unique_ptr<TImage> image(factory->GetFrame(position));
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(image->GetBitCount(), 8);
    ASSERT_EQ(image->GetWidth(), 6);
    ASSERT_EQ(image->GetHeight(), 4);
    ASSERT_EQ(image->GetWidthBytes(), 8);
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < 6; ++x) EXPECT_EQ(image->GetBits()[(3 - y) * 8 + x], 16 * y + x);
    }
  }
}

TEST(MaskFrames, PaletteFramesGiveTheLevelsTheirPaletteShows) {
  // Pixel (x, y) is entry (x + 2y) % 4. Gray entries give their own level;
  // coloured ones (red, green, blue, 10/20/30) their Rec. 601 luma.
  const unsigned char gray[4] = {255, 195, 135, 75};
  const unsigned char luma[4] = {76, 150, 29, 18};
  struct Case {
    Frame frame;
    const unsigned char* levels;
  } cases[] = {{kPaletteGrayPng, gray}, {kPaletteColourPng, luma}, {kPaletteGrayBmp, gray}, {kPaletteColourBmp, luma}};
  auto factory = FramesFactory();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.frame);
    std::unique_ptr<TImage> image(factory->GetFrame(c.frame));
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(image->GetBitCount(), 8);
    ASSERT_EQ(image->GetWidth(), 6);
    ASSERT_EQ(image->GetHeight(), 4);
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < 6; ++x) {
        EXPECT_EQ(image->GetBits()[(3 - y) * 8 + x], c.levels[(x + 2 * y) % 4]) << "x " << x << " y " << y;
      }
    }
    EXPECT_EQ(image->GetPalette(nullptr, 0), 0) << "the frame now holds levels";
  }
}

TEST(MaskFrames, OtherDepthsAndBrokenDataYieldNoImage) {
  auto factory = FramesFactory();
  for (uint32_t position :
       {kRgbPng, kRgbBmp, kTruncatedPng, kCorruptPng, kBadCrcPng, kHugePng, kHugeBmp, kSignatureOnly}) {
    EXPECT_EQ(factory->GetFrame(position), nullptr) << position;
  }
}

TEST(MaskFrames, PositionsAreClampedAndMirrored) {
  auto factory = FramesFactory();
  factory->BuildFrameTable(1);  // frame k has level k
  struct Case {
    uint32_t position, forward, reversed;
  } cases[] = {{0, 0, 209}, {100, 100, 109}, {209, 209, 0}, {500, 209, 0}, {0xFFFFFFFFu, 209, 0}};
  for (bool reverse : {false, true}) {
    factory->reverse = reverse;
    for (const Case& c : cases) {
      std::unique_ptr<TImage> image(factory->GetFrame(c.position));
      ASSERT_NE(image, nullptr) << c.position;
      EXPECT_EQ(image->GetBits()[0], reverse ? c.reversed : c.forward) << c.position << (reverse ? " reversed" : "");
    }
  }
}

TEST(MaskFrames, NoFrameWithoutTableModuleOrResource) {
  auto factory = FramesFactory();
  factory->BuildFrameTable(2);  // no frame of mask 2 exists
  EXPECT_EQ(factory->GetFrame(0), nullptr);
  EXPECT_THROW(factory->BuildFrameTable(3), std::out_of_range);
  ASSERT_TRUE(factory->GetFrameTable().empty());
  EXPECT_EQ(factory->GetFrame(0), nullptr) << "an empty table";
  EXPECT_EQ(factory->GetFrame(7), nullptr);

  MaskImageFactory withoutModule(L"no_folder_here");
  EXPECT_EQ(withoutModule.GetFrame(0), nullptr);
}

// An image whose every pixel tells its column and row.
std::unique_ptr<TImage> Numbered(long width, long height, bool noHandle) {
  auto image = std::make_unique<TImage>();
  image->SetNoHandleMode(noHandle);
  EXPECT_NE(image->Create(width, height, pf8bit, 0), nullptr);
  for (long row = 0; row < height; ++row) {
    for (long x = 0; x < width; ++x) {
      image->GetBits()[row * image->GetWidthBytes() + x] = static_cast<unsigned char>((x * 3 + row * 101) % 256);
    }
  }
  return image;
}

TEST(CropToAspect, CutsTheMiddleColumnsOfAWiderImage) {
  struct Case {
    long width, height;
    int32_t aspectWidth, aspectHeight;
    long newWidth, left;
  } cases[] = {
      {720, 480, 4, 3, 640, 40}, {100, 45, 7, 5, 62, 19},   {101, 45, 7, 5, 62, 19},
      {640, 360, 4, 3, 480, 80}, {640, 360, 3, 2, 540, 50},
  };
  for (const Case& c : cases) {
    for (bool noHandle : {false, true}) {
      SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height << " at " << c.aspectWidth << ":"
                                        << c.aspectHeight << (noHandle ? ", no handle" : ""));
      auto original = Numbered(c.width, c.height, noHandle);
      auto image = Numbered(c.width, c.height, noHandle);
      ASSERT_TRUE(CropToAspect(*image, c.aspectWidth, c.aspectHeight));
      ASSERT_EQ(image->GetWidth(), c.newWidth);
      ASSERT_EQ(image->GetHeight(), c.height);
      EXPECT_EQ(image->GetBitCount(), 8);
      EXPECT_EQ(image->IsNoHandle() != 0, noHandle);
      for (long row = 0; row < c.height; ++row) {
        const unsigned char* kept = image->GetBits() + row * image->GetWidthBytes();
        const unsigned char* from = original->GetBits() + row * original->GetWidthBytes() + c.left;
        ASSERT_EQ(std::memcmp(kept, from, static_cast<size_t>(c.newWidth)), 0) << "row " << row;
      }
    }
  }
}

// 4781 * (17 / 7) is 11610.999999999998 in double precision; rounded first to
// the x87 unit's 64-bit precision it would become 11611.
TEST(CropToAspect, TheCutDoesNotDependOnTheHostsFloatingPointPrecision) {
  std::vector<unsigned> precisions = {0};  // 0: as the program started
#if defined(_WIN32)
  precisions.push_back(_PC_64);
  precisions.push_back(_PC_53);
  precisions.push_back(_PC_24);
#endif
  auto original = Numbered(11612, 4781, false);
  for (unsigned precision : precisions) {
    SCOPED_TRACE(::testing::Message() << "precision control " << precision);
    TImage image;
    ASSERT_NE(image.Create(11612, 4781, pf8bit, 0), nullptr);
    std::memcpy(image.GetBits(), original->GetBits(), static_cast<size_t>(original->GetSize()));
#if defined(_WIN32)
    const unsigned saved = _controlfp(0, 0);
    if (precision) _controlfp(precision, _MCW_PC);
#endif
    const bool cut = CropToAspect(image, 17, 7);
#if defined(_WIN32)
    _controlfp(saved, _MCW_PC);
#endif
    ASSERT_TRUE(cut);
    ASSERT_EQ(image.GetWidth(), 11610);
    for (long row : {0L, 2390L, 4780L}) {
      const unsigned char* kept = image.GetBits() + row * image.GetWidthBytes();
      const unsigned char* from = original->GetBits() + row * original->GetWidthBytes() + 1;
      ASSERT_EQ(std::memcmp(kept, from, 11610), 0) << "row " << row << ": columns 1 to 11610";
    }
  }
}

TEST(CropToAspect, LeavesImagesThatAreNotWiderUntouched) {
  struct Case {
    long width, height;
    int32_t aspectWidth, aspectHeight;
  } cases[] = {{640, 480, 4, 3}, {480, 480, 16, 9}, {100, 45, 0, 0}, {100, 45, 4, 0}, {30, 200, 1, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.width << "x" << c.height << " at " << c.aspectWidth << ":"
                                      << c.aspectHeight);
    auto image = Numbered(c.width, c.height, false);
    const unsigned char* bits = image->GetBits();
    std::vector<unsigned char> before(bits, bits + image->GetSize());
    ASSERT_TRUE(CropToAspect(*image, c.aspectWidth, c.aspectHeight));
    EXPECT_EQ(image->GetBits(), bits) << "the same storage";
    EXPECT_EQ(image->GetWidth(), c.width);
    EXPECT_EQ(std::vector<unsigned char>(image->GetBits(), image->GetBits() + image->GetSize()), before);
  }
}

// 45 * (1 / 1000) truncates to 0 columns: the middle one is kept, so a very
// tall frame is still wiped.
TEST(CropToAspect, ACutToNoColumnsKeepsTheMiddleColumn) {
  auto original = Numbered(100, 45, true);
  auto image = Numbered(100, 45, true);
  ASSERT_TRUE(CropToAspect(*image, 1, 1000));
  ASSERT_EQ(image->GetWidth(), 1);
  ASSERT_EQ(image->GetHeight(), 45);
  EXPECT_NE(image->IsNoHandle(), 0);
  for (long row = 0; row < 45; ++row) {
    EXPECT_EQ(image->GetBits()[row * image->GetWidthBytes()], original->GetBits()[row * original->GetWidthBytes() + 49])
        << "row " << row;
  }
}

TEST(CropToAspect, ANegativeProportionFailsAndLeavesTheImage) {
  auto image = Numbered(100, 45, true);
  std::vector<unsigned char> before(image->GetBits(), image->GetBits() + image->GetSize());
  EXPECT_FALSE(CropToAspect(*image, -4, 3));
  ASSERT_TRUE(image->IsValid());
  EXPECT_EQ(image->GetWidth(), 100);
  EXPECT_EQ(std::vector<unsigned char>(image->GetBits(), image->GetBits() + image->GetSize()), before);
}

TEST(CropToAspect, ADecodedFrameCanBeCutAndScaled) {
  auto factory = FramesFactory();
  std::unique_ptr<TImage> image(factory->GetFrame(kPatternPng));  // 6 x 4
  ASSERT_NE(image, nullptr);
  ASSERT_TRUE(CropToAspect(*image, 1, 1));
  ASSERT_EQ(image->GetWidth(), 4);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) EXPECT_EQ(image->GetBits()[(3 - y) * 4 + x], 16 * y + x + 1);
  }
  ASSERT_EQ(TEffectImage::Resize(*image, 8, 8), 0);
  EXPECT_EQ(image->GetBitCount(), 8);
  EXPECT_EQ(image->GetSize(), 64);
}

}  // namespace
