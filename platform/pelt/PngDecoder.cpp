// PNG frames, decoded with libspng straight into the image's own rows.
#include <spng.h>
#include <string.h>

#include <atomic>
#include <memory>
#include <new>

#include "PeltInternal.h"
#include "PeltTuning.h"
#include "PngPlainGray.h"

namespace {

const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

bool Recognises(const unsigned char* data, unsigned long size) {
  return size >= sizeof kSignature && memcmp(data, kSignature, sizeof kSignature) == 0;
}

TImage* Create() { return new (std::nothrow) TImagePNG; }

unsigned Channels(uint8_t colorType) {
  switch (colorType) {
    case SPNG_COLOR_TYPE_GRAYSCALE:
    case SPNG_COLOR_TYPE_INDEXED:
      return 1;
    case SPNG_COLOR_TYPE_GRAYSCALE_ALPHA:
      return 2;
    case SPNG_COLOR_TYPE_TRUECOLOR:
      return 3;
    case SPNG_COLOR_TYPE_TRUECOLOR_ALPHA:
      return 4;
    default:
      return 0;
  }
}

const unsigned char kEnd[12] = {0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};

uint32_t BigEndian32(const unsigned char* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

// The decoder stops reading at the end chunk's type; the whole end chunk,
// checksum included, must be there too. It is found by walking the chunks,
// so its bytes inside another chunk do not count; bytes after it are
// allowed, as decoders allow them.
bool HasEnd(const unsigned char* data, unsigned long size) {
  uint64_t at = sizeof kSignature;
  while (at + sizeof kEnd <= size) {
    const unsigned char* chunk = data + at;
    if (memcmp(chunk + 4, "IEND", 4) == 0) return memcmp(chunk, kEnd, sizeof kEnd) == 0;
    at += uint64_t{12} + BigEndian32(chunk);  // length, type, data, checksum
  }
  return false;
}

struct ContextDeleter {
  void operator()(spng_ctx* context) const { spng_ctx_free(context); }
};

std::atomic<PELT_PNG_PATHS> pngPaths{PELT_PNG_PLAIN_THEN_GENERAL};

}  // namespace

PELT_PNG_PATHS PeltSetPngPaths(PELT_PNG_PATHS paths) { return pngPaths.exchange(paths); }

namespace pelt {
const Codec kPngCodec = {"PNG", Recognises, Create};
}

TImagePNG::TImagePNG() {
  if (impl_) impl_->codec = &pelt::kPngCodec;
}

TImagePNG::~TImagePNG() = default;

long TImagePNG::Read(int index) {
  if (!impl_ || index != 0 || !impl_->source) return -1;
  impl_->palette.clear();
  const PELT_PNG_PATHS paths = pngPaths.load(std::memory_order_relaxed);
  if (paths != PELT_PNG_GENERAL_ONLY && pelt::DecodePlainGrayPng(impl_->source, impl_->sourceSize, *impl_)) return 0;
  if (paths == PELT_PNG_PLAIN_ONLY) {
    Destroy();
    return -1;
  }
  std::unique_ptr<spng_ctx, ContextDeleter> context(spng_ctx_new(0));
  if (!context) return -1;
  spng_ctx* png = context.get();
  spng_ihdr header;
  if (spng_set_png_buffer(png, impl_->source, impl_->sourceSize) ||
      spng_set_image_limits(png, pelt::kMaxDimension, pelt::kMaxDimension) ||
      spng_set_chunk_limits(png, size_t{1} << 24, size_t{1} << 26) || spng_get_ihdr(png, &header)) {
    Destroy();
    return -1;
  }
  const unsigned channels = Channels(header.color_type);
  const unsigned bitCount = channels * header.bit_depth;
  // Interlaced passes merge pixels of less than a byte into bytes an earlier
  // pass wrote, so those rows must start out zero.
  const bool mergesIntoRows = header.interlace_method != SPNG_INTERLACE_NONE && bitCount < 8;
  size_t rowLength = 0, imageLength = 0;
  if (channels == 0 || !pelt::IsKnownFormat(static_cast<long>(bitCount)) ||
      spng_decoded_image_size(png, SPNG_FMT_PNG, &imageLength) ||
      !pelt::PlausiblePngSize((uint64_t{header.width} * bitCount + 7) / 8, header.height, impl_->sourceSize) ||
      !impl_->Allocate(static_cast<long>(header.width), static_cast<long>(header.height),
                       static_cast<TPixelFormat>(bitCount), mergesIntoRows)) {
    Destroy();
    return -1;
  }
  rowLength = imageLength / header.height;

  // Each row is decoded into its final place: no frame-sized buffer between
  // the decoder and the image. Interlaced images visit rows several times.
  int error = spng_decode_image(png, nullptr, 0, SPNG_FMT_PNG, SPNG_DECODE_PROGRESSIVE);
  const long height = impl_->height;
  while (!error) {
    spng_row_info row;
    error = spng_get_row_info(png, &row);
    if (error) break;
    if (row.row_num >= static_cast<uint32_t>(height)) {
      error = SPNG_EINTERNAL;
      break;
    }
    error = spng_decode_row(png, impl_->Row(height - 1 - static_cast<long>(row.row_num)), rowLength);
  }
  // A file cut after its pixel data is still cut: its end must be there.
  if (error != SPNG_EOI || spng_decode_chunks(png) != 0 || !HasEnd(impl_->source, impl_->sourceSize)) {
    Destroy();
    return -1;
  }

  // Palette pixels are indices; the table goes with them.
  if (header.color_type == SPNG_COLOR_TYPE_INDEXED) {
    spng_plte plte;
    if (spng_get_plte(png, &plte) != 0 || plte.n_entries > 256) {
      Destroy();
      return -1;
    }
    TPaletteEntry entries[256];
    for (uint32_t i = 0; i < plte.n_entries; ++i) {
      entries[i] = {plte.entries[i].blue, plte.entries[i].green, plte.entries[i].red, 0};
    }
    SetPalette(entries, static_cast<int>(plte.n_entries));
  }

  for (long y = 0; y < height; ++y) {
    unsigned char* line = impl_->Row(y);
    memset(line + rowLength, 0, static_cast<size_t>(impl_->widthBytes) - rowLength);
    // Colour pixels follow the bitmap order: blue first.
    if (header.bit_depth == 8 && channels >= 3) {
      for (size_t x = 0; x + 2 < rowLength; x += channels) {
        unsigned char red = line[x];
        line[x] = line[x + 2];
        line[x + 2] = red;
      }
    }
  }
  return 0;
}
