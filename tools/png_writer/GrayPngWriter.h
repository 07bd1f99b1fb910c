// Writing 8-bit gray PNG files: row filters, a zlib stream made by
// libdeflate, chunks with their checksums. Used by the mask generator and by
// the tests that build PNG files of their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pngwriter {

// The rows of width x height levels (top row first), each behind its filter
// byte and filtered by it; row y takes filters[y % filters.size()]
// (0 none, 1 sub, 2 up, 3 average, 4 Paeth).
std::vector<uint8_t> FilterRows(const uint8_t* pixels, uint32_t width, uint32_t height,
                                const std::vector<uint8_t>& filters);

// A zlib stream of the bytes at a libdeflate level, 0 (stored) to 12.
// Throws std::runtime_error.
std::vector<uint8_t> ZlibStream(const std::vector<uint8_t>& bytes, int level);

// A whole chunk: length, type, data and checksum.
std::string Chunk(const std::string& type, const std::string& data);

// The header chunk's 13 bytes of data.
std::string HeaderData(uint32_t width, uint32_t height, uint8_t bitDepth, uint8_t colorType, uint8_t interlace);

extern const char kSignature[9];  // the 8 signature bytes

// A whole 8-bit gray file: signature, header, the stream in data chunks of
// at most `split` bytes, end.
std::vector<uint8_t> GrayPng(uint32_t width, uint32_t height, const std::vector<uint8_t>& stream,
                             size_t split = size_t{1} << 30);

}  // namespace pngwriter
