// Gray PNG encoding and decoding with libspng.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace maskgen {

// How frames are compressed. Decoding speed matters more than size: the
// renderer decodes one mask frame per output frame. Measured with
// kiv_mask_decode_measure on the shipped frames: no row filter decodes
// fastest (filters add 1 to 8 ms a frame); zlib levels 1 to 3 decode in under
// 3 ms but need about 70 MB, over the module's 64 MB budget. Level 6 fits
// (about 60 MB) and decodes in about 5.5 ms, ahead of run-length matching
// at the same size, and encodes four times faster than level 9.
struct PngSettings {
  int level = 6;     // zlib level 0..9
  int filters = 8;   // libspng filter choice bits (8: no filter)
  int strategy = 0;  // zlib strategy (0: default)
};

// Parses "none", "sub", "up", "average", "paeth" or "adaptive"; false otherwise.
bool ParseFilterChoice(const std::string& name, int& filters);
// Parses "default", "filtered", "rle" or "huffman"; false otherwise.
bool ParseStrategy(const std::string& name, int& strategy);

// Encodes width * height 8-bit gray pixels, top row first. Throws std::runtime_error.
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
