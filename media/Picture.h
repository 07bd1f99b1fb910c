// Pictures as the host carries them between files, generators and the plug-in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <vector>

#include "MediaLimits.h"

namespace kavro {

// Bad input: the message names the file and what is wrong with it.
class MediaError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Throws MediaError unless SizeWithinLimits.
void CheckPictureSize(int64_t width, int64_t height, const char* what);

// Planar Y'CbCr 4:2:2 with an alpha plane. Chroma is sited on the even luma
// samples: (width + 1) / 2 samples a row, on every row.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> y, cb, cr, alpha;

  Picture() = default;
  // Opaque black.
  Picture(int width, int height);

  int chromaWidth() const { return (width + 1) / 2; }
  bool operator==(const Picture& other) const;
};

// 8-bit RGBA, top row first, four bytes a pixel.
struct RgbaImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;

  RgbaImage() = default;
  RgbaImage(int width, int height);
};

}  // namespace kavro
