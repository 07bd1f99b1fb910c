// 8-bit gray PNG files kept in pieces, so that tests can build valid files
// of every shape and then break them in chosen ways.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/png_writer/GrayPngWriter.h"

namespace pngtest {

// 8-bit gray pixels, top row first, rows `width` apart.
struct GrayPicture {
  uint32_t width = 0, height = 0;
  std::vector<uint8_t> pixels;
};

// A picture with gradients, edges and noise, so that every filter changes the bytes.
GrayPicture TestPicture(uint32_t width, uint32_t height, uint32_t seed);

// The filtered rows of a picture, each behind its filter byte; row y takes
// filters[y % filters.size()] (0 none, 1 sub, 2 up, 3 average, 4 Paeth).
std::vector<uint8_t> FilterRows(const GrayPicture& picture, const std::vector<uint8_t>& filters);

using pngwriter::Chunk;
using pngwriter::HeaderData;
// A zlib stream of the bytes at a libdeflate level (0 stores them).
inline std::vector<uint8_t> Zlib(const std::vector<uint8_t>& bytes, int level) {
  return pngwriter::ZlibStream(bytes, level);
}

// The pieces of a file: everything is a chunk except the signature.
struct PngFile {
  std::string signature;
  std::vector<std::string> chunks;
  std::string Bytes() const;
};

// Signature, header, the stream in data chunks of at most `split` bytes, end.
PngFile GrayPng(const GrayPicture& picture, const std::vector<uint8_t>& stream, size_t split);

// The chunk's data, and the chunk rebuilt around new data with a fresh checksum.
std::string ChunkData(const std::string& chunk);
std::string WithData(const std::string& chunk, const std::string& data);

}  // namespace pngtest
