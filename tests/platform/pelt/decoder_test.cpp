// Decoder registration and the PNG and BMP decoders, fed whole files, cut
// files and files with broken or absurd contents.
#include <gtest/gtest.h>

#include <cstring>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "ImageFiles.h"
#include "masks/Pelt.h"

namespace {

class Decoding : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    TImageGenerator::AddExtendSupportFormat(TImageBMP());
    TImageGenerator::AddExtendSupportFormat(TImagePNG());
  }

  // Decodes as the mask source does; null on any failure.
  static std::unique_ptr<TImage> Decode(const std::string& bytes) {
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    std::unique_ptr<TImage> image(TImageGenerator::CreateInstance(data, static_cast<unsigned long>(bytes.size()), -1));
    if (!image || image->Open(data, kPeltSourceMemory, static_cast<unsigned long>(bytes.size()), 0) < 0) {
      return nullptr;
    }
    long result = image->Read(0);
    image->Close();
    if (result < 0) {
      EXPECT_FALSE(image->IsValid()) << "a failed read leaves no pixels";
      return nullptr;
    }
    return image;
  }

  // The 6 x 4 pattern of the test images: level 16 * y + x, y = 0 on top.
  static void ExpectPattern(const TImage& image) {
    ASSERT_EQ(image.GetWidth(), 6);
    ASSERT_EQ(image.GetHeight(), 4);
    ASSERT_EQ(image.GetBitCount(), 8);
    EXPECT_EQ(image.GetPixelFormat(), pf8bit);
    ASSERT_EQ(image.GetWidthBytes(), 8);
    ASSERT_EQ(image.GetSize(), 32);
    const unsigned char* bits = image.GetBits();
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < 6; ++x) {
        // Memory holds the bottom row first.
        EXPECT_EQ(bits[(3 - y) * 8 + x], 16 * y + x) << "x " << x << " y " << y;
      }
    }
  }
};

TEST_F(Decoding, EightBitPngKeepsLevelsWithTheBottomRowFirst) {
  auto image = Decode(ReadTestImage(L"pattern.png"));
  ASSERT_NE(image, nullptr);
  EXPECT_NE(dynamic_cast<TImagePNG*>(image.get()), nullptr);
  ExpectPattern(*image);
}

TEST_F(Decoding, EightBitBmpInEitherRowOrderGivesTheSameBottomUpImage) {
  for (const wchar_t* file : {L"pattern8.bmp", L"pattern8_top_down.bmp"}) {
    SCOPED_TRACE(::testing::PrintToString(std::wstring(file)));
    auto image = Decode(ReadTestImage(file));
    ASSERT_NE(image, nullptr);
    EXPECT_NE(dynamic_cast<TImageBMP*>(image.get()), nullptr);
    ExpectPattern(*image);
  }
}

TEST_F(Decoding, ColourFramesKeepTheirOwnDepthInBitmapOrder) {
  for (const wchar_t* file : {L"rgb.png", L"rgb.bmp"}) {
    SCOPED_TRACE(::testing::PrintToString(std::wstring(file)));
    auto image = Decode(ReadTestImage(file));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->GetBitCount(), 24) << "never reduced to 8 bits";
    EXPECT_EQ(image->GetPixelFormat(), pf24bit);
    ASSERT_EQ(image->GetWidthBytes(), 20);
    const unsigned char* top = image->GetBits() + 3 * 20;
    const unsigned char* bottom = image->GetBits();
    EXPECT_EQ(top[3 * 5], 200);      // blue
    EXPECT_EQ(top[3 * 5 + 1], 100);  // green
    EXPECT_EQ(top[3 * 5 + 2], 5);    // red: 16 * 0 + 5
    EXPECT_EQ(bottom[3 * 2 + 2], 16 * 3 + 2);
  }
}

TEST_F(Decoding, EveryCutOfAValidFileFails) {
  for (const wchar_t* file : {L"large_pattern.png", L"pattern.png", L"pattern8.bmp", L"rgb.bmp"}) {
    SCOPED_TRACE(::testing::PrintToString(std::wstring(file)));
    const bool bmp = std::wcsstr(file, L".bmp") != nullptr;
    const std::string whole = ReadTestImage(file);
    ASSERT_GT(whole.size(), 40u);
    ASSERT_NE(Decode(whole), nullptr);
    // The cut copies are exactly as long as the data, so a read past the
    // end shows up under the address sanitizer.
    for (size_t length = 1; length < whole.size(); ++length) {
      std::unique_ptr<char[]> cut(new char[length]);
      whole.copy(cut.get(), length);
      const auto* data = reinterpret_cast<const unsigned char*>(cut.get());
      std::unique_ptr<TImage> image(TImageGenerator::CreateInstance(data, static_cast<unsigned long>(length), -1));
      if (!image) continue;  // too short to recognise
      ASSERT_GE(image->Open(data, kPeltSourceMemory, static_cast<unsigned long>(length), 0), 0);
      long result = image->Read(0);
      image->Close();
      // A BMP may lack the padding (2 bytes here) of its last row.
      if (!bmp || length + 2 < whole.size()) {
        EXPECT_LT(result, 0) << "cut at " << length;
      }
      if (result < 0) {
        EXPECT_FALSE(image->IsValid());
      }
    }
  }
}

TEST_F(Decoding, BrokenOrAbsurdFilesFail) {
  for (const wchar_t* file : {L"truncated.png", L"corrupt.png", L"bad_crc.png", L"huge.png", L"huge.bmp"}) {
    SCOPED_TRACE(::testing::PrintToString(std::wstring(file)));
    const std::string bytes = ReadTestImage(file);
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ(Decode(bytes), nullptr);
  }
}

TEST_F(Decoding, PaletteImagesKeepTheirIndicesAndCarryTheirTable) {
  // Pixel (x, y) is entry (x + 2y) % 4 of a four-entry table (as red, green, blue).
  const unsigned char gray[4][3] = {{255, 255, 255}, {195, 195, 195}, {135, 135, 135}, {75, 75, 75}};
  const unsigned char colour[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {10, 20, 30}};
  struct Case {
    const wchar_t* file;
    const unsigned char (*table)[3];
  } cases[] = {{L"palette_gray.png", gray},
               {L"palette_colour.png", colour},
               {L"palette_gray.bmp", gray},
               {L"palette_colour.bmp", colour}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::PrintToString(std::wstring(c.file)));
    auto image = Decode(ReadTestImage(c.file));
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(image->GetBitCount(), 8);
    for (int y = 0; y < 4; ++y) {
      for (int x = 0; x < 6; ++x) EXPECT_EQ(image->GetBits()[(3 - y) * 8 + x], (x + 2 * y) % 4);
    }
    TPaletteEntry entries[8];
    std::memset(entries, 0xCC, sizeof entries);
    ASSERT_EQ(image->GetPalette(entries, 8), 4);
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(entries[i].red, c.table[i][0]) << i;
      EXPECT_EQ(entries[i].green, c.table[i][1]) << i;
      EXPECT_EQ(entries[i].blue, c.table[i][2]) << i;
    }
    EXPECT_EQ(entries[4].red, 0xCC) << "nothing is written past the table";
    EXPECT_EQ(image->GetPalette(entries, 2), 4) << "a short buffer still learns the count";
    EXPECT_EQ(image->GetPalette(nullptr, 0), 4);
  }
}

TEST_F(Decoding, OnlyIndexedPixelsCarryATable) {
  // Levels and colours carry none; the gray-ramp BMP carries its 256 entries.
  for (const wchar_t* file : {L"pattern.png", L"rgb.png", L"rgb.bmp", L"gray2.png"}) {
    SCOPED_TRACE(::testing::PrintToString(std::wstring(file)));
    auto image = Decode(ReadTestImage(file));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->GetPalette(nullptr, 0), 0);
  }
  auto ramp = Decode(ReadTestImage(L"pattern8.bmp"));
  ASSERT_NE(ramp, nullptr);
  std::vector<TPaletteEntry> entries(256);
  ASSERT_EQ(ramp->GetPalette(entries.data(), 256), 256);
  EXPECT_EQ(entries[77].red, 77);
  EXPECT_EQ(entries[77].blue, 77);

  // Reading a palette image into a palette-free one's storage, and back.
  TImagePNG png;
  const std::string indexed = ReadTestImage(L"palette_gray.png"), plain = ReadTestImage(L"pattern.png");
  ASSERT_EQ(png.Open(indexed.data(), kPeltSourceMemory, static_cast<unsigned long>(indexed.size()), 0), 0);
  ASSERT_EQ(png.Read(0), 0);
  EXPECT_EQ(png.GetPalette(nullptr, 0), 4);
  ASSERT_EQ(png.Open(plain.data(), kPeltSourceMemory, static_cast<unsigned long>(plain.size()), 0), 0);
  ASSERT_EQ(png.Read(0), 0);
  EXPECT_EQ(png.GetPalette(nullptr, 0), 0) << "the table went with the old pixels";

  // The table can be replaced or removed; new storage has none.
  const TPaletteEntry two[2] = {{1, 2, 3, 0}, {4, 5, 6, 0}};
  EXPECT_EQ(png.SetPalette(two, 2), 2);
  TPaletteEntry back[2] = {};
  ASSERT_EQ(png.GetPalette(back, 2), 2);
  EXPECT_EQ(back[1].green, 5);
  EXPECT_EQ(png.SetPalette(nullptr, 0), 0);
  EXPECT_EQ(png.GetPalette(nullptr, 0), 0);
  png.SetPalette(two, 2);
  ASSERT_NE(png.Create(4, 4, pf8bit, 0), nullptr);
  EXPECT_EQ(png.GetPalette(nullptr, 0), 0);
}

std::vector<unsigned char> Bytes(const TImage& image) {
  return std::vector<unsigned char>(image.GetBits(), image.GetBits() + image.GetSize());
}

// The sub-byte gray test pictures: 13 x 11, level (3x + 5y) within the
// depth's range, y = 0 on top, the leftmost pixel in a byte's high bits.
void ExpectSubBytePattern(const TImage& image, unsigned depth) {
  ASSERT_EQ(image.GetWidth(), 13);
  ASSERT_EQ(image.GetHeight(), 11);
  ASSERT_EQ(image.GetBitCount(), depth);
  const unsigned top = (1u << depth) - 1;
  for (long y = 0; y < 11; ++y) {
    const unsigned char* row = image.GetBits() + (10 - y) * image.GetWidthBytes();
    for (long x = 0; x < 13; ++x) {
      const unsigned shift = 8 - depth - static_cast<unsigned>(x) * depth % 8;
      EXPECT_EQ((row[x * depth / 8] >> shift) & top, (3u * x + 5u * y) & top) << "x " << x << " y " << y;
    }
  }
}

TEST_F(Decoding, InterlacedSubBytePixelsDoNotDependOnWhatTheStorageHeld) {
  for (unsigned depth : {1u, 2u, 4u}) {
    SCOPED_TRACE(depth);
    const std::wstring stem = L"gray" + std::to_wstring(depth);
    auto plain = Decode(ReadTestImage((stem + L".png").c_str()));
    ASSERT_NE(plain, nullptr);
    ExpectSubBytePattern(*plain, depth);

    auto fresh = Decode(ReadTestImage((stem + L"_adam7.png").c_str()));
    ASSERT_NE(fresh, nullptr);
    EXPECT_EQ(Bytes(*fresh), Bytes(*plain)) << "interlaced into new storage";

    // Reading again reuses storage of the same size: here a white picture.
    const std::string white = ReadTestImage((stem + L"_white.png").c_str());
    const std::string interlaced = ReadTestImage((stem + L"_adam7.png").c_str());
    TImagePNG reused;
    ASSERT_EQ(reused.Open(white.data(), kPeltSourceMemory, static_cast<unsigned long>(white.size()), 0), 0);
    ASSERT_EQ(reused.Read(0), 0);
    ASSERT_EQ(reused.GetBits()[0], 0xFF);
    ASSERT_EQ(reused.Open(interlaced.data(), kPeltSourceMemory, static_cast<unsigned long>(interlaced.size()), 0), 0);
    ASSERT_EQ(reused.Read(0), 0);
    reused.Close();
    EXPECT_EQ(Bytes(reused), Bytes(*plain)) << "interlaced over a white picture";
  }
}

TEST_F(Decoding, TheEndChunkIsFoundByWalkingTheChunks) {
  // A text chunk ahead of the pixels holds the twelve bytes of an end chunk.
  const std::string whole = ReadTestImage(L"end_in_text.png");
  ASSERT_GT(whole.size(), 60u);
  auto image = Decode(whole);
  ASSERT_NE(image, nullptr);
  ExpectPattern(*image);
  for (size_t cut = 1; cut <= 12; ++cut) {
    EXPECT_EQ(Decode(whole.substr(0, whole.size() - cut)), nullptr) << "cut " << cut << " bytes into the end chunk";
  }
  EXPECT_NE(Decode(whole + "bytes after the end"), nullptr) << "decoders allow trailing bytes";
}

TEST_F(Decoding, BytesOfNoKnownFormatGetNoDecoder) {
  const std::string signature = ReadTestImage(L"signature_only.png");
  ASSERT_EQ(signature.size(), 4u);
  const unsigned char text[] = "plain text, not an image";
  EXPECT_EQ(TImageGenerator::CreateInstance(reinterpret_cast<const unsigned char*>(signature.data()), 4, -1), nullptr);
  EXPECT_EQ(TImageGenerator::CreateInstance(text, sizeof text, -1), nullptr);
  EXPECT_EQ(TImageGenerator::CreateInstance(nullptr, 100, -1), nullptr);
  EXPECT_EQ(TImageGenerator::CreateInstance(text, 0, -1), nullptr);
}

TEST_F(Decoding, ReadNeedsAnOpenedSourceAndOnlyHasImageZero) {
  const std::string bytes = ReadTestImage(L"pattern.png");
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto size = static_cast<unsigned long>(bytes.size());
  TImagePNG png;
  EXPECT_LT(png.Read(0), 0) << "nothing opened";
  EXPECT_LT(png.Open(data, 1, size, 0), 0) << "only memory sources";
  EXPECT_LT(png.Open(data, kPeltSourceMemory, 0, 0), 0);
  ASSERT_EQ(png.Open(data, kPeltSourceMemory, size, 0), 0);
  EXPECT_LT(png.Read(1), 0);
  EXPECT_EQ(png.Read(0), 0);
  EXPECT_EQ(png.Read(0), 0) << "reading again reuses the storage";
  png.Close();
  EXPECT_LT(png.Read(0), 0) << "closed";
  EXPECT_TRUE(png.IsValid()) << "closing keeps the decoded pixels";

  TImageBMP bmp;
  ASSERT_EQ(bmp.Open(data, kPeltSourceMemory, size, 0), 0);
  EXPECT_LT(bmp.Read(0), 0) << "a PNG is no BMP";
  TImage plain;
  ASSERT_EQ(plain.Open(data, kPeltSourceMemory, size, 0), 0);
  EXPECT_LT(plain.Read(0), 0) << "the plain image decodes nothing";
}

TEST(Registration, RepeatsAreHarmlessAndOnlyDecodersCount) {
  unsigned count = TImageGenerator::AddExtendSupportFormat(TImagePNG());
  ASSERT_GE(count, 1u);
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(TImageGenerator::AddExtendSupportFormat(TImagePNG()), count);
  }
  EXPECT_EQ(TImageGenerator::AddExtendSupportFormat(TImage()), 0u) << "the plain image decodes nothing";
  unsigned withBmp = TImageGenerator::AddExtendSupportFormat(TImageBMP());
  EXPECT_LE(withBmp, 2u);
  EXPECT_EQ(TImageGenerator::AddExtendSupportFormat(TImageBMP()), withBmp);
}

}  // namespace
