#include "GrayPngWriter.h"

#include <libdeflate.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>

namespace pngwriter {

namespace {

std::string U32(uint32_t value) {
  return std::string{static_cast<char>(value >> 24), static_cast<char>(value >> 16), static_cast<char>(value >> 8),
                     static_cast<char>(value)};
}

int Paeth(int left, int above, int aboveLeft) {
  const int estimate = left + above - aboveLeft;
  const int toLeft = std::abs(estimate - left), toAbove = std::abs(estimate - above),
            toAboveLeft = std::abs(estimate - aboveLeft);
  if (toLeft <= toAbove && toLeft <= toAboveLeft) return left;
  return toAbove <= toAboveLeft ? above : aboveLeft;
}

int Predicted(uint8_t filter, int left, int above, int aboveLeft) {
  switch (filter) {
    case 1:
      return left;
    case 2:
      return above;
    case 3:
      return (left + above) / 2;
    case 4:
      return Paeth(left, above, aboveLeft);
    default:
      return 0;
  }
}

}  // namespace

const char kSignature[9] = "\x89PNG\r\n\x1A\n";

std::vector<uint8_t> FilterRows(const uint8_t* pixels, uint32_t width, uint32_t height,
                                const std::vector<uint8_t>& filters) {
  std::vector<uint8_t> out;
  out.reserve((size_t{width} + 1) * height);
  const std::vector<uint8_t> zeros(width, 0);
  for (uint32_t y = 0; y < height; ++y) {
    const uint8_t* row = pixels + size_t{y} * width;
    const uint8_t* above = y == 0 ? zeros.data() : row - width;
    const uint8_t filter = filters[y % filters.size()];
    out.push_back(filter);
    for (uint32_t x = 0; x < width; ++x) {
      const int left = x == 0 ? 0 : row[x - 1], aboveLeft = x == 0 ? 0 : above[x - 1];
      out.push_back(static_cast<uint8_t>(row[x] - Predicted(filter, left, above[x], aboveLeft)));
    }
  }
  return out;
}

std::vector<uint8_t> ZlibStream(const std::vector<uint8_t>& bytes, int level) {
  std::unique_ptr<libdeflate_compressor, void (*)(libdeflate_compressor*)> compressor(
      libdeflate_alloc_compressor(level), libdeflate_free_compressor);
  if (!compressor) throw std::runtime_error("cannot make a compressor of level " + std::to_string(level));
  std::vector<uint8_t> out(libdeflate_zlib_compress_bound(compressor.get(), bytes.size()));
  out.resize(libdeflate_zlib_compress(compressor.get(), bytes.data(), bytes.size(), out.data(), out.size()));
  if (out.empty()) throw std::runtime_error("compression failed");
  return out;
}

std::string Chunk(const std::string& type, const std::string& data) {
  const std::string typed = type + data;
  return U32(static_cast<uint32_t>(data.size())) + typed + U32(libdeflate_crc32(0, typed.data(), typed.size()));
}

std::string HeaderData(uint32_t width, uint32_t height, uint8_t bitDepth, uint8_t colorType, uint8_t interlace) {
  return U32(width) + U32(height) +
         std::string{static_cast<char>(bitDepth), static_cast<char>(colorType), 0, 0, static_cast<char>(interlace)};
}

std::vector<uint8_t> GrayPng(uint32_t width, uint32_t height, const std::vector<uint8_t>& stream, size_t split) {
  std::string file(kSignature, 8);
  file += Chunk("IHDR", HeaderData(width, height, 8, 0, 0));
  size_t at = 0;
  do {
    const size_t length = stream.size() - at < split ? stream.size() - at : split;
    file += Chunk("IDAT",
                  std::string(stream.begin() + static_cast<long>(at), stream.begin() + static_cast<long>(at + length)));
    at += length;
  } while (at < stream.size());
  file += Chunk("IEND", "");
  return std::vector<uint8_t>(file.begin(), file.end());
}

}  // namespace pngwriter
