#include "PngSynthesis.h"

#include <zlib.h>

#include <cstring>

namespace {

const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

struct Shape {
  uint8_t colorType;
  uint8_t channels;
  uint8_t depths[5];
  uint8_t depthCount;
};

const Shape kShapes[] = {
    {0, 1, {1, 2, 4, 8, 16}, 5},  // gray
    {2, 3, {8, 16}, 2},           // RGB
    {3, 1, {1, 2, 4, 8}, 4},      // palette
    {4, 2, {8, 16}, 2},           // gray and alpha
    {6, 4, {8, 16}, 2},           // RGBA
};

// Adam7: first column and row, and the steps between them, of each pass.
const uint32_t kPasses[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};

void PutBigEndian32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

uint32_t BigEndian32(const uint8_t* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

void AppendChunk(std::vector<uint8_t>& file, const char* type, const std::vector<uint8_t>& data) {
  PutBigEndian32(file, static_cast<uint32_t>(data.size()));
  const size_t start = file.size();
  file.insert(file.end(), type, type + 4);
  file.insert(file.end(), data.begin(), data.end());
  PutBigEndian32(file, static_cast<uint32_t>(crc32(0, file.data() + start, static_cast<uInt>(file.size() - start))));
}

size_t RowBytes(uint32_t width, unsigned bitsPerPixel) { return (size_t{width} * bitsPerPixel + 7) / 8; }

// Pixel `index` of a packed row: bitsPerPixel bits, the first pixel in the
// highest bits of a byte, or whole bytes.
void CopyPixel(const uint8_t* from, uint32_t fromIndex, uint8_t* to, uint32_t toIndex, unsigned bitsPerPixel) {
  if (bitsPerPixel >= 8) {
    const size_t bytes = bitsPerPixel / 8;
    std::memcpy(to + toIndex * bytes, from + fromIndex * bytes, bytes);
    return;
  }
  const unsigned mask = (1u << bitsPerPixel) - 1;
  const size_t fromBit = size_t{fromIndex} * bitsPerPixel, toBit = size_t{toIndex} * bitsPerPixel;
  const unsigned value = from[fromBit / 8] >> (8 - bitsPerPixel - fromBit % 8) & mask;
  const unsigned shift = 8 - bitsPerPixel - toBit % 8;
  to[toBit / 8] = static_cast<uint8_t>((to[toBit / 8] & ~(mask << shift)) | value << shift);
}

int Paeth(int a, int b, int c) {
  const int p = a + b - c, pa = p > a ? p - a : a - p, pb = p > b ? p - b : b - p, pc = p > c ? p - c : c - p;
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// Appends the rows of one (sub-)image, each filtered with a type the input
// chooses; the decoder has to undo exactly that.
void AppendFilteredRows(const std::vector<uint8_t>& rows, size_t rowBytes, uint32_t height, unsigned bitsPerPixel,
                        FuzzInput& input, std::vector<uint8_t>& out) {
  const size_t step = bitsPerPixel < 8 ? 1 : bitsPerPixel / 8;
  std::vector<uint8_t> zero(rowBytes, 0);
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* row = rows.data() + y * rowBytes;
    const uint8_t* above = y == 0 ? zero.data() : row - rowBytes;
    const uint8_t filter = input.Byte() % 5;
    out.push_back(filter);
    for (size_t x = 0; x < rowBytes; ++x) {
      const int a = x >= step ? row[x - step] : 0, b = above[x], c = x >= step ? above[x - step] : 0;
      const int predicted = filter == 1   ? a
                            : filter == 2 ? b
                            : filter == 3 ? (a + b) / 2
                            : filter == 4 ? Paeth(a, b, c)
                                          : 0;
      out.push_back(static_cast<uint8_t>(row[x] - predicted));
    }
  }
}

}  // namespace

SynthesizedPng SynthesizePng(FuzzInput& input, uint32_t maxSide) {
  SynthesizedPng png;
  const Shape& shape = kShapes[input.Byte() % 5];
  png.colorType = shape.colorType;
  png.bitDepth = shape.depths[input.Byte() % shape.depthCount];
  png.interlaced = input.Byte() & 1;
  png.width = 1 + input.Half() % maxSide;
  png.height = 1 + input.Half() % maxSide;
  png.bitsPerPixel = shape.channels * png.bitDepth;
  png.rowBytes = RowBytes(png.width, png.bitsPerPixel);
  const int level = input.Byte() % 10;
  const size_t idatSize = 1 + input.Half();

  // Pixels and palette come from the rest of the input, repeated.
  const uint8_t* source = input.rest();
  const size_t sourceSize = input.restSize();
  size_t next = 0;
  auto sourceByte = [&]() -> uint8_t { return sourceSize == 0 ? 0 : source[next++ % sourceSize]; };

  png.pixels.resize(png.rowBytes * png.height);
  const unsigned unusedBits = static_cast<unsigned>(png.rowBytes * 8 - size_t{png.width} * png.bitsPerPixel);
  for (uint32_t y = 0; y < png.height; ++y) {
    uint8_t* row = png.pixels.data() + y * png.rowBytes;
    for (size_t x = 0; x < png.rowBytes; ++x) row[x] = sourceByte();
    row[png.rowBytes - 1] = static_cast<uint8_t>(row[png.rowBytes - 1] & (0xFF << unusedBits));
  }

  std::vector<uint8_t> filtered;
  if (!png.interlaced) {
    AppendFilteredRows(png.pixels, png.rowBytes, png.height, png.bitsPerPixel, input, filtered);
  } else {
    for (const auto& pass : kPasses) {
      if (png.width <= pass[0] || png.height <= pass[1]) continue;
      const uint32_t passWidth = (png.width - pass[0] + pass[2] - 1) / pass[2];
      const uint32_t passHeight = (png.height - pass[1] + pass[3] - 1) / pass[3];
      const size_t passRowBytes = RowBytes(passWidth, png.bitsPerPixel);
      std::vector<uint8_t> rows(passRowBytes * passHeight, 0);
      for (uint32_t y = 0; y < passHeight; ++y) {
        const uint8_t* from = png.pixels.data() + (pass[1] + y * pass[3]) * png.rowBytes;
        for (uint32_t x = 0; x < passWidth; ++x) {
          CopyPixel(from, pass[0] + x * pass[2], rows.data() + y * passRowBytes, x, png.bitsPerPixel);
        }
      }
      AppendFilteredRows(rows, passRowBytes, passHeight, png.bitsPerPixel, input, filtered);
    }
  }

  std::vector<uint8_t> compressed(compressBound(static_cast<uLong>(filtered.size())));
  uLongf compressedSize = static_cast<uLongf>(compressed.size());
  compress2(compressed.data(), &compressedSize, filtered.data(), static_cast<uLong>(filtered.size()), level);
  compressed.resize(compressedSize);

  png.file.assign(kSignature, kSignature + sizeof kSignature);
  std::vector<uint8_t> header;
  PutBigEndian32(header, png.width);
  PutBigEndian32(header, png.height);
  header.insert(header.end(), {png.bitDepth, png.colorType, 0, 0, static_cast<uint8_t>(png.interlaced ? 1 : 0)});
  AppendChunk(png.file, "IHDR", header);
  if (png.colorType == 3) {  // a full table: every index a row can hold is in it
    png.palette.resize(3u << png.bitDepth);
    for (uint8_t& entry : png.palette) entry = sourceByte();
    AppendChunk(png.file, "PLTE", png.palette);
  }
  for (size_t at = 0; at < compressed.size(); at += idatSize) {
    const size_t count = compressed.size() - at < idatSize ? compressed.size() - at : idatSize;
    AppendChunk(png.file, "IDAT", std::vector<uint8_t>(compressed.begin() + at, compressed.begin() + at + count));
  }
  AppendChunk(png.file, "IEND", {});
  return png;
}

void FixPngChecksums(std::vector<uint8_t>& bytes) {
  size_t at = sizeof kSignature;
  while (at + 12 <= bytes.size()) {
    const uint64_t length = BigEndian32(bytes.data() + at);
    if (at + 12 + length > bytes.size()) break;
    const uint32_t checksum = static_cast<uint32_t>(crc32(0, bytes.data() + at + 4, static_cast<uInt>(4 + length)));
    for (int i = 0; i < 4; ++i) bytes[at + 8 + length + i] = static_cast<uint8_t>(checksum >> (24 - 8 * i));
    at += 12 + length;
  }
}

std::vector<uint8_t> ImageFileFromInput(ImageInputMode mode, FuzzInput& input, uint32_t maxSide,
                                        SynthesizedPng& built) {
  if (mode == kBuiltPng) {
    built = SynthesizePng(input, maxSide);
    return built.file;
  }
  std::vector<uint8_t> file(input.rest(), input.rest() + input.restSize());
  if (mode == kFileWithChecksumsFixed) FixPngChecksums(file);
  return file;
}
