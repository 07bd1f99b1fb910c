// Gray PNG encoding (libdeflate) and decoding (libspng).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace maskgen {

// How frames are compressed. Decoding speed matters more than size: the
// renderer decodes one mask frame per output frame, inflating its pixel
// data whole with libdeflate. Measured with kiv_mask_decode_measure on the
// shipped frames (every 9th, one thread): every libdeflate level inflates in
// 0.40 to 0.48 ms a frame, well within the decoder's 0.7 ms. Level 9 inflates
// fastest and makes a 58.4 MB module for 23 ms of encoding a frame; 10 and 12
// save 1 and 2.4 MB for 6 and 28 times the encoding time (minutes of build
// per tree) and inflate slower. Row filters only make the frames larger.
struct PngSettings {
  int level = 9;   // libdeflate level 0..12
  int filter = 0;  // the one row filter of every row: 0 none, 1 sub, 2 up, 3 average, 4 Paeth
};

// Parses "none", "sub", "up", "average" or "paeth"; false otherwise.
bool ParseFilter(const std::string& name, int& filter);

// Encodes width * height 8-bit gray pixels, top row first, with all pixel
// data in one chunk. Throws std::runtime_error.
std::vector<uint8_t> EncodeGrayPng(const uint8_t* pixels, int width, int height, const PngSettings& settings);

struct DecodedImage {
  uint32_t width = 0;
  uint32_t height = 0;
  int bitDepth = 0;
  int colorType = 0;
  std::vector<uint8_t> pixels;  // 8-bit gray, top row first
};

// Decodes a PNG to 8-bit gray pixels, keeping the header's depth and colour
// type for the caller to check. Throws std::runtime_error.
DecodedImage DecodeGrayPng(const void* data, size_t size);

// Writes through a temporary file and a rename, so a file either is complete or absent.
void WriteFileAtomically(const std::string& path, const void* data, size_t size);
std::vector<uint8_t> ReadFile(const std::string& path);

}  // namespace maskgen
