#include "PngWriter.h"

#include <libdeflate.h>

#include <cstdlib>
#include <memory>
#include <random>
#include <stdexcept>

namespace pngtest {

namespace {

std::string U32(uint32_t value) {
  return std::string{static_cast<char>(value >> 24), static_cast<char>(value >> 16), static_cast<char>(value >> 8),
                     static_cast<char>(value)};
}

uint8_t Paeth(int left, int above, int aboveLeft) {
  const int estimate = left + above - aboveLeft;
  const int toLeft = std::abs(estimate - left), toAbove = std::abs(estimate - above),
            toAboveLeft = std::abs(estimate - aboveLeft);
  if (toLeft <= toAbove && toLeft <= toAboveLeft) return static_cast<uint8_t>(left);
  return static_cast<uint8_t>(toAbove <= toAboveLeft ? above : aboveLeft);
}

}  // namespace

GrayPicture TestPicture(uint32_t width, uint32_t height, uint32_t seed) {
  GrayPicture picture;
  picture.width = width;
  picture.height = height;
  std::mt19937 random(seed);
  for (uint32_t y = 0; y < height; ++y) {
    for (uint32_t x = 0; x < width; ++x) {
      uint32_t level = (x * 7 + y * 3) & 0xFF;
      if ((x / 5 + y / 3) % 4 == 0) level = 255 - level;
      if (random() % 8 == 0) level = random() & 0xFF;
      picture.pixels.push_back(static_cast<uint8_t>(level));
    }
  }
  return picture;
}

std::vector<uint8_t> FilterRows(const GrayPicture& picture, const std::vector<uint8_t>& filters) {
  std::vector<uint8_t> out;
  const std::vector<uint8_t> zeros(picture.width, 0);
  for (uint32_t y = 0; y < picture.height; ++y) {
    const uint8_t* row = picture.pixels.data() + size_t{y} * picture.width;
    const uint8_t* above = y == 0 ? zeros.data() : row - picture.width;
    const uint8_t filter = filters[y % filters.size()];
    out.push_back(filter);
    for (uint32_t x = 0; x < picture.width; ++x) {
      const int left = x == 0 ? 0 : row[x - 1], aboveLeft = x == 0 ? 0 : above[x - 1];
      int predicted = 0;
      switch (filter) {
        case 1:
          predicted = left;
          break;
        case 2:
          predicted = above[x];
          break;
        case 3:
          predicted = (left + above[x]) / 2;
          break;
        case 4:
          predicted = Paeth(left, above[x], aboveLeft);
          break;
        default:
          break;
      }
      out.push_back(static_cast<uint8_t>(row[x] - predicted));
    }
  }
  return out;
}

std::vector<uint8_t> Zlib(const std::vector<uint8_t>& bytes, int level) {
  std::unique_ptr<libdeflate_compressor, void (*)(libdeflate_compressor*)> compressor(
      libdeflate_alloc_compressor(level), libdeflate_free_compressor);
  if (!compressor) throw std::runtime_error("no compressor");
  std::vector<uint8_t> out(libdeflate_zlib_compress_bound(compressor.get(), bytes.size()));
  out.resize(libdeflate_zlib_compress(compressor.get(), bytes.data(), bytes.size(), out.data(), out.size()));
  if (out.empty()) throw std::runtime_error("compression failed");
  return out;
}

uint32_t Crc(const std::string& typeAndData) {
  return libdeflate_crc32(0, typeAndData.data(), typeAndData.size());
}

std::string Chunk(const std::string& type, const std::string& data) {
  return U32(static_cast<uint32_t>(data.size())) + type + data + U32(Crc(type + data));
}

std::string HeaderData(uint32_t width, uint32_t height, uint8_t bitDepth, uint8_t colorType, uint8_t interlace) {
  return U32(width) + U32(height) + std::string{static_cast<char>(bitDepth), static_cast<char>(colorType), 0, 0,
                                                static_cast<char>(interlace)};
}

std::string PngFile::Bytes() const {
  std::string bytes = signature;
  for (const std::string& chunk : chunks) bytes += chunk;
  return bytes;
}

PngFile GrayPng(const GrayPicture& picture, const std::vector<uint8_t>& stream, size_t split) {
  PngFile file;
  file.signature = std::string("\x89PNG\r\n\x1A\n", 8);
  file.chunks.push_back(Chunk("IHDR", HeaderData(picture.width, picture.height, 8, 0, 0)));
  size_t at = 0;
  do {
    const size_t length = stream.size() - at < split ? stream.size() - at : split;
    file.chunks.push_back(Chunk("IDAT", std::string(stream.begin() + at, stream.begin() + at + length)));
    at += length;
  } while (at < stream.size());
  file.chunks.push_back(Chunk("IEND", ""));
  return file;
}

std::string ChunkData(const std::string& chunk) { return chunk.substr(8, chunk.size() - 12); }

std::string WithData(const std::string& chunk, const std::string& data) { return Chunk(chunk.substr(4, 4), data); }

}  // namespace pngtest
