// Library-internal view of images: storage, limits and the decoder classes.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <memory>
#include <vector>

#include "PixelStorage.h"
#include "masks/Pelt.h"

namespace pelt {

// Far beyond any mask frame; keeps a hostile header from asking for
// gigabytes and every byte offset inside 32 bits.
constexpr long kMaxDimension = 32767;
constexpr uint64_t kMaxImageBytes = uint64_t{1} << 29;

// One decoder class: how to tell its data and how to make an instance.
struct Codec {
  const char* name;
  bool (*recognises)(const unsigned char* data, unsigned long size);
  TImage* (*create)();
};

extern const Codec kBmpCodec;
extern const Codec kPngCodec;

struct DeviceContext {
  uint32_t magic;
  TImage::Impl* image;
  DeviceContext* previous;  // live contexts form a list, so Blt can tell
  DeviceContext* next;      // ours from anything else passed as an HDC
  bool linked;
};

bool IsKnownFormat(long format);

// Deflate cannot expand data more than about 1032 times, so a PNG header whose
// pixels could never come out of the file's bytes is refused before any
// storage is set aside for them.
inline bool PlausiblePngSize(uint64_t rowBytes, uint64_t height, uint64_t fileSize) {
  return (rowBytes + 1) * height <= fileSize * 1040 + 65536;
}

// Bytes per row of a bitmap: whole 32-bit words.
inline uint64_t RowBytes(uint64_t width, unsigned bitsPerPixel) { return (width * bitsPerPixel + 31) / 32 * 4; }

}  // namespace pelt

struct TImage::Impl {
  const pelt::Codec* codec = nullptr;
  long width = 0;
  long height = 0;
  TPixelFormat format = pfNone;
  long widthBytes = 0;
  pelt::PixelStorage bits;
  std::vector<TPaletteEntry> palette;  // empty unless the pixels are indices
  bool noHandle = false;
  const unsigned char* source = nullptr;
  unsigned long sourceSize = 0;
  pelt::DeviceContext dc{};

  ~Impl();
  void Drop();
  // New storage of the given size and layout, zeroed when asked; keeps the
  // present storage when it already fits. False (and no storage) on failure.
  bool Allocate(long newWidth, long newHeight, TPixelFormat newFormat, bool zero);
  // Takes over storage made elsewhere.
  void Adopt(pelt::PixelStorage newBits, long newWidth, long newHeight, long newWidthBytes);
  unsigned char* Row(long memoryRow) { return bits.get() + static_cast<size_t>(memoryRow) * widthBytes; }
};
