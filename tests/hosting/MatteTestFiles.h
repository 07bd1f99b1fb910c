// PNG and PGM files of every kind a matte may be, built byte by byte so that
// each test states its pixels.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mattetest {

// A PNG of width x height samples, `channels` a pixel (1 gray, 2 gray and
// alpha, 3 RGB, 4 RGBA, or 1 palette index), each of `depth` bits (up to 8
// packed, 16 most significant byte first), top row first.
std::vector<uint8_t> Png(uint32_t width, uint32_t height, uint8_t colorType, uint8_t depth,
                         const std::vector<uint16_t>& samples, const std::string& palette = "");

// An 8-bit gray PNG.
std::vector<uint8_t> GrayPng(uint32_t width, uint32_t height, const std::vector<uint8_t>& levels);

// A binary PGM with this maxval (two bytes a sample past 255).
std::vector<uint8_t> Pgm(uint32_t width, uint32_t height, uint32_t maxval, const std::vector<uint16_t>& samples);

}  // namespace mattetest
