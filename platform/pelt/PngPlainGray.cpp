// Chunk walk, checksums, one whole-stream inflate and the row rebuild for
// plain 8-bit gray PNGs. Anything this path does not fully vouch for goes to
// the general decoder instead, which then decides.
//
// Taken here: the signature; a header chunk of 13 bytes for an 8-bit gray,
// non-interlaced image within the library's limits; one or more pixel data
// chunks right after it; the end chunk right after them, ending the file. Every
// chunk's checksum must hold; the zlib stream must fill the filtered rows
// exactly, end exactly where the pixel data ends and carry the right
// Adler-32; every row's filter must be one of the five. (The window size in
// the zlib header limits neither decoder: both keep 32 KiB.)
//
// One difference to zlib remains, out of reach without decoding the stream
// twice: libdeflate decodes the length codes 286 and 287 and the distance
// codes 30 and 31, which zlib refuses, like the neighbouring valid codes. A
// stream that uses them and still carries the right Adler-32 is made on
// purpose, never by an encoder.
#include "PngPlainGray.h"

#include <libdeflate.h>
#include <string.h>

#include <memory>
#include <new>

#include "PngUnfilter.h"

namespace pelt {

namespace {

const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr size_t kChunkFrame = 12;  // length, type, checksum
constexpr uint32_t kMaxChunkLength = 0x7FFFFFFFu;

uint32_t ReadU32(const unsigned char* bytes) {
  return static_cast<uint32_t>(bytes[0]) << 24 | static_cast<uint32_t>(bytes[1]) << 16 |
         static_cast<uint32_t>(bytes[2]) << 8 | bytes[3];
}

struct Chunk {
  const unsigned char* type;  // followed by the data
  uint32_t length;
};

// The chunk at `at`, whole and with a checksum that holds; false otherwise.
bool ReadChunk(const unsigned char* data, size_t size, size_t at, Chunk& chunk) {
  if (size - at < kChunkFrame) return false;
  chunk.length = ReadU32(data + at);
  if (chunk.length > kMaxChunkLength || size - at - kChunkFrame < chunk.length) return false;
  chunk.type = data + at + 4;
  const uint32_t stored = ReadU32(chunk.type + 4 + chunk.length);
  return libdeflate_crc32(0, chunk.type, size_t{4} + chunk.length) == stored;
}

bool IsType(const Chunk& chunk, const char (&type)[5]) { return memcmp(chunk.type, type, 4) == 0; }

struct Header {
  uint32_t width, height;
};

bool ReadHeader(const Chunk& chunk, Header& header) {
  if (!IsType(chunk, "IHDR") || chunk.length != 13) return false;
  const unsigned char* fields = chunk.type + 4;
  header.width = ReadU32(fields);
  header.height = ReadU32(fields + 4);
  const bool grayByte = fields[8] == 8 && fields[9] == 0;
  const bool standard = fields[10] == 0 && fields[11] == 0 && fields[12] == 0;  // compression, filter, interlace
  return grayByte && standard && header.width >= 1 && header.height >= 1 && header.width <= kMaxDimension &&
         header.height <= kMaxDimension;
}

struct DecompressorDeleter {
  void operator()(libdeflate_decompressor* decompressor) const { libdeflate_free_decompressor(decompressor); }
};

struct Layout {
  size_t width, height;
  size_t rowBytes;       // a stored row, padded to 32 bits
  size_t filteredBytes;  // the inflated stream: each row behind its filter byte
  size_t storageBytes;   // room for both the stream and the finished rows
  size_t streamStart;    // where the stream is inflated to
};

// The stream goes to the end of the storage and the rows are rebuilt from
// the front, top row first, each to its final offset in top-down order. Then
// every row lands at or before its own filtered bytes and behind everything
// already read, so nothing is overwritten before it is used, and the pad
// bytes of a row never reach the next row's filter byte.
Layout LayOut(const Header& header) {
  Layout layout;
  layout.width = header.width;
  layout.height = header.height;
  layout.rowBytes = static_cast<size_t>(RowBytes(header.width, 8));
  layout.filteredBytes = (layout.width + 1) * layout.height;
  const size_t longest = layout.rowBytes > layout.width + 1 ? layout.rowBytes : layout.width + 1;
  layout.storageBytes = longest * layout.height;
  layout.streamStart = layout.storageBytes - layout.filteredBytes;
  return layout;
}

// Rows rebuilt top-down in place, pad bytes cleared; false for an unknown filter.
bool RebuildRows(unsigned char* storage, const Layout& layout) {
  const unsigned char* filtered = storage + layout.streamStart;
  // The row above the first is all zeros.
  std::unique_ptr<unsigned char[]> zeros(new (std::nothrow) unsigned char[layout.width]());
  if (!zeros) return false;
  const unsigned char* previous = zeros.get();
  for (size_t y = 0; y < layout.height; ++y, filtered += layout.width + 1) {
    if (filtered[0] > PNG_FILTER_PAETH) return false;
    unsigned char* row = storage + y * layout.rowBytes;
    UnfilterRow(static_cast<PNG_FILTER>(filtered[0]), filtered + 1, previous, row, layout.width);
    memset(row + layout.width, 0, layout.rowBytes - layout.width);
    previous = row;
  }
  return true;
}

// Storage holds its rows bottom-up: the top row last. Rows trade places
// 32 bytes at a time through registers.
void FlipRows(unsigned char* storage, const Layout& layout) {
  constexpr size_t kBlock = 32;
  for (size_t top = 0, bottom = layout.height - 1; top < bottom; ++top, --bottom) {
    unsigned char* upper = storage + top * layout.rowBytes;
    unsigned char* lower = storage + bottom * layout.rowBytes;
    size_t x = 0;
    for (; x + kBlock <= layout.width; x += kBlock) {
      unsigned char a[kBlock], b[kBlock];
      memcpy(a, upper + x, kBlock);
      memcpy(b, lower + x, kBlock);
      memcpy(upper + x, b, kBlock);
      memcpy(lower + x, a, kBlock);
    }
    for (; x < layout.width; ++x) {
      const unsigned char a = upper[x];
      upper[x] = lower[x];
      lower[x] = a;
    }
  }
}

}  // namespace

bool DecodePlainGrayPng(const unsigned char* data, size_t size, TImage::Impl& image) {
  if (!data || size < sizeof kSignature || memcmp(data, kSignature, sizeof kSignature) != 0) return false;
  size_t at = sizeof kSignature;
  Chunk chunk;
  Header header;
  if (!ReadChunk(data, size, at, chunk) || !ReadHeader(chunk, header)) return false;
  at += kChunkFrame + chunk.length;

  // The pixel data chunks, their payloads one stream.
  const size_t firstData = at;
  size_t streamBytes = 0, dataChunks = 0;
  while (ReadChunk(data, size, at, chunk) && IsType(chunk, "IDAT")) {
    streamBytes += chunk.length;
    ++dataChunks;
    at += kChunkFrame + chunk.length;
  }
  const size_t end = at;
  if (dataChunks == 0 || !ReadChunk(data, size, end, chunk) || !IsType(chunk, "IEND") || chunk.length != 0 ||
      end + kChunkFrame != size) {
    return false;
  }

  const Layout layout = LayOut(header);
  if (!PlausiblePngSize(layout.width, layout.height, size) ||
      static_cast<uint64_t>(layout.rowBytes) * layout.height > kMaxImageBytes) {
    return false;
  }

  // One chunk is inflated where it lies; several are joined first.
  const unsigned char* stream = data + firstData + 8;
  std::unique_ptr<unsigned char[]> joined;
  if (dataChunks > 1) {
    joined.reset(new (std::nothrow) unsigned char[streamBytes]);
    if (!joined) return false;
    size_t filled = 0;
    for (at = firstData; at < end; at += kChunkFrame + ReadU32(data + at)) {
      const uint32_t length = ReadU32(data + at);
      memcpy(joined.get() + filled, data + at + 8, length);
      filled += length;
    }
    stream = joined.get();
  }
  std::unique_ptr<libdeflate_decompressor, DecompressorDeleter> inflater(libdeflate_alloc_decompressor());
  PixelStorage storage = NewPixelStorage(layout.storageBytes, false);
  if (!inflater || !storage) return false;
  size_t consumed = 0, produced = 0;
  if (libdeflate_zlib_decompress_ex(inflater.get(), stream, streamBytes, storage.get() + layout.streamStart,
                                    layout.filteredBytes, &consumed, &produced) != LIBDEFLATE_SUCCESS ||
      consumed != streamBytes || produced != layout.filteredBytes) {
    return false;
  }
  joined.reset();
  if (!RebuildRows(storage.get(), layout)) return false;
  FlipRows(storage.get(), layout);

  image.Drop();
  image.Adopt(std::move(storage), static_cast<long>(layout.width), static_cast<long>(layout.height),
              static_cast<long>(layout.rowBytes));
  image.format = pf8bit;
  return true;
}

}  // namespace pelt
