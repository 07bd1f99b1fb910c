// PNG files built from fuzz input. Mutating a real PNG mostly breaks its
// checksums, so a fuzzer never gets past them; a file built here is always
// valid (header, palette, filtered rows, compressed data and checksums), its
// shape and every byte of it chosen by the input.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <vector>

#include "FuzzInput.h"

struct SynthesizedPng {
  std::vector<uint8_t> file;
  uint32_t width = 0;
  uint32_t height = 0;
  uint8_t bitDepth = 0;
  uint8_t colorType = 0;
  bool interlaced = false;
  unsigned bitsPerPixel = 0;  // channels times depth
  size_t rowBytes = 0;        // bytes of a packed row, no filter byte
  // The picture, top row first, rows packed as in the file with their unused
  // last bits zero.
  std::vector<uint8_t> pixels;
  std::vector<uint8_t> palette;  // red, green, blue of each entry; a full table for palette files
};

// Shape from the next input fields, pixels and palette from the rest of the
// input (repeated as often as needed), sides of 1 to maxSide pixels.
SynthesizedPng SynthesizePng(FuzzInput& input, uint32_t maxSide);

// How a fuzz input gives an image file: the rest of the input as it is, the
// same with its PNG checksums fixed, or a PNG built from the fields that
// follow.
enum ImageInputMode : uint8_t {
  kFileAsGiven = 0,
  kFileWithChecksumsFixed = 1,
  kBuiltPng = 2,
};
constexpr uint8_t kImageInputModes = 3;

// The file the rest of the input gives in that mode; a built PNG is also
// described in `built`.
std::vector<uint8_t> ImageFileFromInput(ImageInputMode mode, FuzzInput& input, uint32_t maxSide, SynthesizedPng& built);

// Rewrites the checksum of every whole chunk of a PNG-like byte string to
// match the chunk, so a mutated file is judged by its content.
void FixPngChecksums(std::vector<uint8_t>& bytes);
