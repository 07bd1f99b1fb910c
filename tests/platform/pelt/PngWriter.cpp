#include "PngWriter.h"

#include <random>

namespace pngtest {

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
  return pngwriter::FilterRows(picture.pixels.data(), picture.width, picture.height, filters);
}

std::string PngFile::Bytes() const {
  std::string bytes = signature;
  for (const std::string& chunk : chunks) bytes += chunk;
  return bytes;
}

PngFile GrayPng(const GrayPicture& picture, const std::vector<uint8_t>& stream, size_t split) {
  PngFile file;
  file.signature = std::string(pngwriter::kSignature, 8);
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
