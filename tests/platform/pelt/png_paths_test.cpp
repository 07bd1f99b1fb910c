// The plain 8-bit gray PNG path against the general PNG decoder: over valid
// files of every shape, every cut and every bit flip of a file, and files
// broken in the stream, the checksums, the chunk layout and the header, both
// must accept and refuse the same files and give the same pixels.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "PngWriter.h"
#include "masks/Pelt.h"
#include "platform/pelt/PeltTuning.h"

using namespace pngtest;

namespace {

struct Decoded {
  bool ok = false;
  long width = 0, height = 0, widthBytes = 0;
  std::vector<uint8_t> bits;  // the whole storage, pad bytes included
};

Decoded DecodeWith(PELT_PNG_PATHS paths, const std::string& bytes) {
  const PELT_PNG_PATHS previous = PeltSetPngPaths(paths);
  Decoded decoded;
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto size = static_cast<unsigned long>(bytes.size());
  TImagePNG image;
  if (image.Open(data, kPeltSourceMemory, size, 0) == 0 && image.Read(0) == 0) {
    decoded.ok = true;
    decoded.width = image.GetWidth();
    decoded.height = image.GetHeight();
    decoded.widthBytes = image.GetWidthBytes();
    decoded.bits.assign(image.GetBits(), image.GetBits() + image.GetSize());
  } else {
    EXPECT_FALSE(image.IsValid()) << "a failed read leaves no pixels";
  }
  image.Close();
  PeltSetPngPaths(previous);
  return decoded;
}

void ExpectSame(const Decoded& got, const Decoded& expected, const std::string& what) {
  ASSERT_EQ(got.ok, expected.ok) << what;
  EXPECT_EQ(got.width, expected.width) << what;
  EXPECT_EQ(got.height, expected.height) << what;
  EXPECT_EQ(got.widthBytes, expected.widthBytes) << what;
  EXPECT_TRUE(got.bits == expected.bits) << what << ": other pixels";
}

// The library as shipped decides like the general decoder, and whatever the
// plain path takes alone the general decoder takes too, with the same
// pixels. Answers whether the plain path took the file.
bool ExpectSameAsGeneral(const std::string& bytes, const std::string& what) {
  const Decoded general = DecodeWith(PELT_PNG_GENERAL_ONLY, bytes);
  const Decoded plain = DecodeWith(PELT_PNG_PLAIN_ONLY, bytes);
  ExpectSame(DecodeWith(PELT_PNG_PLAIN_THEN_GENERAL, bytes), general, what + " (as shipped)");
  if (plain.ok) ExpectSame(plain, general, what + " (plain path)");
  return plain.ok;
}

// The picture as a bottom-up bitmap with 32-bit rows and zero pad bytes.
std::vector<uint8_t> Bitmap(const GrayPicture& picture) {
  const size_t rowBytes = (picture.width + 3) / 4 * 4;
  std::vector<uint8_t> bits(rowBytes * picture.height, 0);
  for (uint32_t y = 0; y < picture.height; ++y) {
    memcpy(bits.data() + (picture.height - 1 - y) * rowBytes, picture.pixels.data() + size_t{y} * picture.width,
           picture.width);
  }
  return bits;
}

const std::vector<uint8_t> kAllFilters = {0, 1, 2, 3, 4, 2, 4, 3, 1};

// A small file of mixed filters in three data chunks.
struct SmallFile {
  GrayPicture picture = TestPicture(13, 6, 7);
  std::vector<uint8_t> stream = Zlib(FilterRows(picture, kAllFilters), 6);
  PngFile file = GrayPng(picture, stream, stream.size() / 3 + 1);
};

TEST(PlainGrayPngPath, TakesValidFilesOfEveryShapeWithTheirPixels) {
  const std::vector<std::vector<uint8_t>> filterSets = {{0}, {1}, {2}, {3}, {4}, kAllFilters};
  int taken = 0;
  for (uint32_t width : {1u, 2u, 3u, 4u, 5u, 6u, 7u, 8u, 31u, 65u}) {
    for (uint32_t height : {1u, 2u, 9u}) {
      for (size_t f = 0; f < filterSets.size(); ++f) {
        for (int level : {0, 1, 12}) {
          for (size_t split : {size_t{1} << 30, size_t{5}}) {
            const GrayPicture picture = TestPicture(width, height, width * 31 + height);
            const std::string what = std::to_string(width) + "x" + std::to_string(height) + " filters " +
                                     std::to_string(f) + " level " + std::to_string(level) + " split " +
                                     std::to_string(split);
            const std::string bytes = GrayPng(picture, Zlib(FilterRows(picture, filterSets[f]), level), split).Bytes();
            ASSERT_TRUE(ExpectSameAsGeneral(bytes, what)) << what << ": the plain path declined a plain file";
            const Decoded decoded = DecodeWith(PELT_PNG_PLAIN_ONLY, bytes);
            ASSERT_EQ(decoded.width, static_cast<long>(width)) << what;
            ASSERT_EQ(decoded.height, static_cast<long>(height)) << what;
            ASSERT_TRUE(decoded.bits == Bitmap(picture)) << what << ": wrong pixels";
            ++taken;
          }
        }
      }
    }
  }
  EXPECT_EQ(taken, 10 * 3 * 6 * 3 * 2);
}

TEST(PlainGrayPngPath, TakesAFullSizeFrameInManyChunks) {
  const GrayPicture picture = TestPicture(1920, 1080, 3);
  const std::string bytes = GrayPng(picture, Zlib(FilterRows(picture, kAllFilters), 6), 8192).Bytes();
  ASSERT_TRUE(ExpectSameAsGeneral(bytes, "1920x1080"));
  EXPECT_TRUE(DecodeWith(PELT_PNG_PLAIN_ONLY, bytes).bits == Bitmap(picture));
}

TEST(PlainGrayPngPath, EveryCutOfAFileIsRefusedByBoth) {
  const std::string bytes = SmallFile().file.Bytes();
  for (size_t cut = 0; cut < bytes.size(); ++cut) {
    const std::string what = "cut at " + std::to_string(cut);
    EXPECT_FALSE(ExpectSameAsGeneral(bytes.substr(0, cut), what)) << what;
    EXPECT_FALSE(DecodeWith(PELT_PNG_GENERAL_ONLY, bytes.substr(0, cut)).ok) << what;
  }
}

TEST(PlainGrayPngPath, EveryBitFlipDecidesAsTheGeneralDecoder) {
  const std::string bytes = SmallFile().file.Bytes();
  for (size_t bit = 0; bit < bytes.size() * 8; ++bit) {
    std::string flipped = bytes;
    flipped[bit / 8] = static_cast<char>(flipped[bit / 8] ^ (1 << (bit % 8)));
    const std::string what = "bit " + std::to_string(bit);
    // Every chunk's checksum catches a single flip.
    EXPECT_FALSE(ExpectSameAsGeneral(flipped, what)) << what;
  }
}

// Flips inside the pixel stream under a fresh chunk checksum reach the zlib
// header, the deflate data, the Adler-32 and the filter bytes.
TEST(PlainGrayPngPath, StreamFlipsUnderFreshChecksumsDecideAsTheGeneralDecoder) {
  const GrayPicture picture = TestPicture(11, 5, 9);
  for (int level : {0, 6}) {
    const std::vector<uint8_t> stream = Zlib(FilterRows(picture, kAllFilters), level);
    for (size_t at = 0; at < stream.size(); ++at) {
      std::vector<uint8_t> broken = stream;
      broken[at] ^= static_cast<uint8_t>(1u << (at % 8));
      const std::string what = "level " + std::to_string(level) + " byte " + std::to_string(at);
      EXPECT_FALSE(ExpectSameAsGeneral(GrayPng(picture, broken, 1 << 30).Bytes(), what)) << what;
    }
  }
}

TEST(PlainGrayPngPath, StreamOdditiesDecideAsTheGeneralDecoder) {
  const GrayPicture picture = TestPicture(9, 4, 5);
  const std::vector<uint8_t> rows = FilterRows(picture, kAllFilters);
  const std::vector<uint8_t> stream = Zlib(rows, 6);
  auto file = [&](const std::vector<uint8_t>& s, size_t split = size_t{1} << 30) {
    return GrayPng(picture, s, split).Bytes();
  };
  auto withHeader = [&](uint8_t cmf, uint8_t flg) {
    std::vector<uint8_t> s = stream;
    s[0] = cmf;
    s[1] = flg;
    return s;
  };
  auto checked = [](uint8_t cmf, uint8_t flags) {  // FCHECK made to fit
    return static_cast<uint8_t>(flags + (31 - ((cmf * 256 + flags) % 31)) % 31);
  };

  // Taken by the plain path too.
  EXPECT_TRUE(ExpectSameAsGeneral(file(stream, 1), "one byte per chunk"));
  PngFile apart = GrayPng(picture, stream, stream.size() - 4);
  EXPECT_TRUE(ExpectSameAsGeneral(apart.Bytes(), "Adler-32 in a chunk of its own"));
  PngFile empties = GrayPng(picture, stream, 1 << 30);
  empties.chunks.insert(empties.chunks.begin() + 1, Chunk("IDAT", ""));
  empties.chunks.insert(empties.chunks.end() - 1, Chunk("IDAT", ""));
  EXPECT_TRUE(ExpectSameAsGeneral(empties.Bytes(), "empty data chunks first and last"));

  // A header's small window limits neither decoder, whatever distances follow.
  GrayPicture repeating = picture;
  repeating.height = 80;
  repeating.pixels.clear();
  for (uint32_t y = 0; y < repeating.height; ++y) {
    for (uint32_t x = 0; x < repeating.width; ++x)
      repeating.pixels.push_back(static_cast<uint8_t>(picture.pixels[x] ^ (y % 40)));
  }
  std::vector<uint8_t> distant = Zlib(FilterRows(repeating, {0}), 6);
  distant[0] = 0x08;
  distant[1] = checked(0x08, 0);
  EXPECT_TRUE(ExpectSameAsGeneral(GrayPng(repeating, distant, 1 << 30).Bytes(), "256-byte window, distances of 400"));
  EXPECT_TRUE(DecodeWith(PELT_PNG_GENERAL_ONLY, GrayPng(repeating, distant, 1 << 30).Bytes()).ok);

  // Declined by the plain path; the general decoder decides.
  ExpectSameAsGeneral(file(withHeader(0x78, checked(0x78, 0x20))), "preset dictionary");
  ExpectSameAsGeneral(file(withHeader(0x77, checked(0x77, 0))), "compression method 7");
  ExpectSameAsGeneral(file(withHeader(0x78, 0x00)), "header check off");
  std::vector<uint8_t> adler = stream;
  adler.back() ^= 1;
  EXPECT_FALSE(ExpectSameAsGeneral(file(adler), "wrong Adler-32"));
  ExpectSameAsGeneral(GrayPng(picture, adler, adler.size() - 4).Bytes(), "wrong Adler-32 in a chunk of its own");
  std::vector<uint8_t> extra = stream;
  extra.insert(extra.end(), {1, 2, 3});
  ExpectSameAsGeneral(file(extra), "bytes after the stream's end");
  std::vector<uint8_t> longer = rows;
  longer.insert(longer.end(), 10, 0);
  ExpectSameAsGeneral(file(Zlib(longer, 6)), "a row too many");
  std::vector<uint8_t> shorter(rows.begin(), rows.end() - 1);
  EXPECT_FALSE(ExpectSameAsGeneral(file(Zlib(shorter, 6)), "a byte short"));
  EXPECT_FALSE(ExpectSameAsGeneral(file(Zlib({}, 6)), "no rows"));
  EXPECT_FALSE(ExpectSameAsGeneral(file(std::vector<uint8_t>(stream.begin(), stream.end() - 4)), "no Adler-32"));
  for (size_t row : {size_t{0}, size_t{2}, size_t{3}}) {
    for (uint8_t filter : {5, 128, 255}) {
      std::vector<uint8_t> bad = rows;
      bad[row * (picture.width + 1)] = filter;
      const std::string what = "filter " + std::to_string(filter) + " on row " + std::to_string(row);
      EXPECT_FALSE(ExpectSameAsGeneral(file(Zlib(bad, 6)), what)) << what;
    }
  }
}

TEST(PlainGrayPngPath, ChunkLayoutsDecideAsTheGeneralDecoder) {
  const SmallFile small;
  const PngFile& base = small.file;
  const size_t end = base.chunks.size() - 1;
  auto inserted = [&](size_t at, const std::string& chunk) {
    PngFile file = base;
    file.chunks.insert(file.chunks.begin() + static_cast<long>(at), chunk);
    return file.Bytes();
  };
  auto replaced = [&](size_t at, const std::string& chunk) {
    PngFile file = base;
    file.chunks[at] = chunk;
    return file.Bytes();
  };
  std::string badCrc = Chunk("tEXt", std::string("Title\0mask", 10));
  badCrc.back() ^= 1;

  ExpectSameAsGeneral(inserted(1, Chunk("tEXt", std::string("Title\0mask", 10))), "text before the data");
  ExpectSameAsGeneral(inserted(1, Chunk("gAMA", std::string("\0\0\xB1\x8F", 4))), "gamma");
  ExpectSameAsGeneral(inserted(end, Chunk("kiVt", "anything")), "unknown ancillary chunk after the data");
  ExpectSameAsGeneral(inserted(1, badCrc), "ancillary chunk with a wrong checksum");
  ExpectSameAsGeneral(inserted(1, Chunk("KIVT", "x")), "unknown critical chunk");
  ExpectSameAsGeneral(inserted(2, Chunk("tEXt", std::string("a\0b", 3))), "text between data chunks");
  ExpectSameAsGeneral(inserted(end, Chunk("IDAT", "xyz")), "stray data chunk at the end");
  ExpectSameAsGeneral(inserted(end + 1, Chunk("IEND", "")), "two ends");
  ExpectSameAsGeneral(base.Bytes() + "trailing", "bytes after the end");
  ExpectSameAsGeneral(replaced(end, Chunk("IEND", "x")), "end with data");
  std::string endCrc = Chunk("IEND", "");
  endCrc.back() ^= 0x40;
  ExpectSameAsGeneral(replaced(end, endCrc), "end with a wrong checksum");
  PngFile noEnd = base;
  noEnd.chunks.pop_back();
  EXPECT_FALSE(ExpectSameAsGeneral(noEnd.Bytes(), "no end"));
  std::string endless = base.Bytes();
  endless.resize(endless.size() - 4);
  EXPECT_FALSE(ExpectSameAsGeneral(endless, "end without its checksum"));

  for (uint32_t length : {0x7FFFFFFFu, 0x80000000u, 0xFFFFFFFFu, 1u << 20}) {
    std::string chunk = base.chunks[1];
    for (int i = 0; i < 4; ++i) chunk[i] = static_cast<char>(length >> (24 - 8 * i));
    EXPECT_FALSE(ExpectSameAsGeneral(replaced(1, chunk), "chunk length " + std::to_string(length)));
  }
}

TEST(PlainGrayPngPath, HeadersDecideAsTheGeneralDecoder) {
  const SmallFile small;
  struct Case {
    const char* what;
    std::string data;
  };
  const uint32_t w = small.picture.width, h = small.picture.height;
  const std::vector<Case> cases = {
      {"16 bits", HeaderData(w, h, 16, 0, 0)},
      {"4 bits", HeaderData(w, h, 4, 0, 0)},
      {"RGB", HeaderData(w, h, 8, 2, 0)},
      {"palette", HeaderData(w, h, 8, 3, 0)},
      {"interlaced", HeaderData(w, h, 8, 0, 1)},
      {"interlace 2", HeaderData(w, h, 8, 0, 2)},
      {"width 0", HeaderData(0, h, 8, 0, 0)},
      {"height 0", HeaderData(w, 0, 8, 0, 0)},
      {"width beyond the library's limit", HeaderData(32768, h, 8, 0, 0)},
      {"height beyond any file", HeaderData(w, 30000, 8, 0, 0)},
      {"compression 1", HeaderData(w, h, 8, 0, 0).replace(10, 1, 1, '\1')},
      {"filter method 1", HeaderData(w, h, 8, 0, 0).replace(11, 1, 1, '\1')},
      {"12 bytes", HeaderData(w, h, 8, 0, 0).substr(0, 12)},
      {"14 bytes", HeaderData(w, h, 8, 0, 0) + "x"},
  };
  for (const Case& c : cases) {
    PngFile file = small.file;
    file.chunks[0] = Chunk("IHDR", c.data);
    EXPECT_FALSE(ExpectSameAsGeneral(file.Bytes(), c.what)) << c.what;
  }
  PngFile late = small.file;
  std::swap(late.chunks[0], late.chunks[1]);
  EXPECT_FALSE(ExpectSameAsGeneral(late.Bytes(), "header not first"));
}

// Deflate bits, first bit lowest; Huffman codes go in from their top bit.
class DeflateBits {
 public:
  void Put(uint32_t value, int count) {
    for (int i = 0; i < count; ++i) Bit((value >> i) & 1);
  }
  void Code(uint32_t code, int length) {
    for (int i = length - 1; i >= 0; --i) Bit((code >> i) & 1);
  }
  std::vector<uint8_t> Bytes() const { return bytes_; }

 private:
  void Bit(uint32_t bit) {
    if (used_ % 8 == 0) bytes_.push_back(0);
    bytes_.back() = static_cast<uint8_t>(bytes_.back() | bit << (used_ % 8));
    ++used_;
  }
  std::vector<uint8_t> bytes_;
  size_t used_ = 0;
};

// One 259 x 1 row in a fixed-code block: filter 0, one pixel, then 258
// copies of it under `lengthSymbol` (285 means 258; zlib refuses 286 and 287,
// which libdeflate reads as 258 too), distance 1, end of block.
std::string RowRepeatedWithLengthSymbol(uint32_t lengthSymbol) {
  DeflateBits bits;
  bits.Put(1, 1);                             // last block
  bits.Put(1, 2);                             // fixed codes
  bits.Code(0x30 + 0, 8);                     // literal 0: the filter
  bits.Code(0x30 + 0x5A, 8);                  // literal 0x5A: the pixel
  bits.Code(0xC0 + (lengthSymbol - 280), 8);  // length
  bits.Code(0, 5);                            // distance code 0: 1
  bits.Code(0, 7);                            // end of block
  std::vector<uint8_t> row(260, 0x5A);
  row[0] = 0;
  std::vector<uint8_t> stream = {0x78, 0x01};
  const std::vector<uint8_t> deflate = bits.Bytes();
  stream.insert(stream.end(), deflate.begin(), deflate.end());
  uint32_t a = 1, b = 0;
  for (uint8_t byte : row) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  const uint32_t adler = b << 16 | a;
  for (int shift = 24; shift >= 0; shift -= 8) stream.push_back(static_cast<uint8_t>(adler >> shift));
  GrayPicture picture;
  picture.width = 259;
  picture.height = 1;
  picture.pixels.assign(259, 0x5A);
  return GrayPng(picture, stream, 1 << 20).Bytes();
}

// The one known difference between the paths, as the plain path's header
// states it: length symbols 286 and 287, which only a hand-made stream uses.
TEST(PlainGrayPngPath, TheReservedLengthSymbolsAreTheOneKnownDifference) {
  EXPECT_TRUE(ExpectSameAsGeneral(RowRepeatedWithLengthSymbol(285), "length symbol 285"));
  for (const uint32_t symbol : {286u, 287u}) {
    const std::string bytes = RowRepeatedWithLengthSymbol(symbol);
    EXPECT_FALSE(DecodeWith(PELT_PNG_GENERAL_ONLY, bytes).ok) << symbol;
    const Decoded plain = DecodeWith(PELT_PNG_PLAIN_ONLY, bytes);
    ASSERT_TRUE(plain.ok) << symbol;
    EXPECT_EQ(plain.bits, DecodeWith(PELT_PNG_GENERAL_ONLY, RowRepeatedWithLengthSymbol(285)).bits) << symbol;
  }
}

}  // namespace
