// BMP frames: uncompressed bitmaps, copied row by row into the image.
#include <string.h>

#include <new>
#include <vector>

#include "PeltInternal.h"

namespace {

constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kRgb = 0;
constexpr uint32_t kBitFields = 3;

uint16_t U16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t U32(const unsigned char* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

bool Recognises(const unsigned char* data, unsigned long size) {
  return size >= kFileHeaderSize + 4 && data[0] == 'B' && data[1] == 'M';
}

TImage* Create() { return new (std::nothrow) TImageBMP; }

struct Header {
  int64_t width = 0;
  int64_t height = 0;  // negative: the file stores the top row first
  uint32_t bitCount = 0;
  uint32_t pixelOffset = 0;
  uint32_t infoSize = 0;
  uint32_t colorsUsed = 0;  // 0: as many as the depth can index
};

bool ParseHeader(const unsigned char* data, uint64_t size, Header& header) {
  if (size < kFileHeaderSize + 4 || data[0] != 'B' || data[1] != 'M') return false;
  header.pixelOffset = U32(data + 10);
  const uint32_t infoSize = U32(data + kFileHeaderSize);
  header.infoSize = infoSize;
  if (uint64_t{kFileHeaderSize} + infoSize > size) return false;
  const unsigned char* info = data + kFileHeaderSize;
  uint32_t planes = 0, compression = kRgb;
  if (infoSize == kCoreHeaderSize) {
    header.width = U16(info + 4);
    header.height = U16(info + 6);
    planes = U16(info + 8);
    header.bitCount = U16(info + 10);
  } else if (infoSize >= kInfoHeaderSize) {
    header.width = static_cast<int32_t>(U32(info + 4));
    header.height = static_cast<int32_t>(U32(info + 8));
    planes = U16(info + 12);
    header.bitCount = U16(info + 14);
    compression = U32(info + 16);
    header.colorsUsed = U32(info + 32);
  } else {
    return false;
  }
  if (planes != 1 || header.width <= 0 || header.height == 0) return false;
  switch (header.bitCount) {
    case 1:
    case 4:
    case 8:
    case 24:
      if (compression != kRgb) return false;
      break;
    case 16:
    case 32:
      if (compression != kRgb && compression != kBitFields) return false;
      break;
    default:
      return false;  // run-length and embedded formats are not read
  }
  return header.pixelOffset >= kFileHeaderSize + infoSize;
}

// The colour table of a bitmap of up to 8 bits: behind the info header,
// before the pixels, four bytes an entry (three behind the old core header).
// Entries the file does not hold are left out.
std::vector<TPaletteEntry> ColourTable(const unsigned char* data, uint64_t size, const Header& header) {
  std::vector<TPaletteEntry> table;
  if (header.bitCount > 8) return table;
  const uint64_t start = uint64_t{kFileHeaderSize} + header.infoSize;
  const uint64_t entrySize = header.infoSize == kCoreHeaderSize ? 3 : 4;
  const uint64_t end = header.pixelOffset < size ? header.pixelOffset : size;
  uint64_t count = uint64_t{1} << header.bitCount;
  if (header.colorsUsed != 0 && header.colorsUsed < count) count = header.colorsUsed;
  if (end < start) return table;
  if (count > (end - start) / entrySize) count = (end - start) / entrySize;
  for (uint64_t i = 0; i < count; ++i) {
    const unsigned char* entry = data + start + i * entrySize;
    table.push_back({entry[0], entry[1], entry[2], 0});
  }
  return table;
}

}  // namespace

namespace pelt {
const Codec kBmpCodec = {"BMP", Recognises, Create};
}

TImageBMP::TImageBMP() {
  if (impl_) impl_->codec = &pelt::kBmpCodec;
}

TImageBMP::~TImageBMP() = default;

long TImageBMP::Read(int index) {
  if (!impl_ || index != 0 || !impl_->source) return -1;
  impl_->palette.clear();
  Header header;
  const uint64_t size = impl_->sourceSize;
  if (!ParseHeader(impl_->source, size, header)) {
    Destroy();
    return -1;
  }
  const bool topDown = header.height < 0;
  const int64_t height = topDown ? -header.height : header.height;
  const uint64_t stride = pelt::RowBytes(static_cast<uint64_t>(header.width), header.bitCount);
  const uint64_t used = (static_cast<uint64_t>(header.width) * header.bitCount + 7) / 8;
  // Every row must be in the file; the last one may lack its padding.
  if (header.width > pelt::kMaxDimension || height > pelt::kMaxDimension ||
      uint64_t{header.pixelOffset} + stride * static_cast<uint64_t>(height - 1) + used > size ||
      !impl_->Allocate(static_cast<long>(header.width), static_cast<long>(height),
                       static_cast<TPixelFormat>(header.bitCount), false)) {
    Destroy();
    return -1;
  }
  const unsigned char* pixels = impl_->source + header.pixelOffset;
  for (int64_t row = 0; row < height; ++row) {
    const unsigned char* from = pixels + stride * static_cast<uint64_t>(row);
    uint64_t available = size - (uint64_t{header.pixelOffset} + stride * static_cast<uint64_t>(row));
    size_t count = static_cast<size_t>(available < stride ? available : stride);
    unsigned char* to = impl_->Row(static_cast<long>(topDown ? height - 1 - row : row));
    memcpy(to, from, count);
    memset(to + count, 0, static_cast<size_t>(stride) - count);
  }
  try {
    impl_->palette = ColourTable(impl_->source, size, header);
  } catch (...) {  // out of memory
    Destroy();
    return -1;
  }
  return 0;
}
