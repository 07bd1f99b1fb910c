// Scaling in place: a separable fixed-point filter (see ResizeTaps and
// ResizeRows), run row by row with only a few rows' worth of values between
// the passes. The axis whose first pass leaves fewer values goes first.
#include <stdint.h>
#include <string.h>

#include <memory>
#include <new>
#include <vector>

#include "PeltInternal.h"
#include "PeltTuning.h"
#include "ResizeRows.h"

namespace {

struct Geometry {
  size_t channels;
  size_t inWidth, inHeight, inRowBytes;
  size_t outWidth, outHeight, outRowBytes;
};

// Zeroes what follows a row's values up to its stride.
void PadRow(unsigned char* line, size_t values, size_t rowBytes) {
  if (rowBytes > values) memset(line + values, 0, rowBytes - values);
}

// Rows scaled across first, into a ring that holds the rows the current
// output row weighs; each source row is scaled once, as the outputs reach it.
void AcrossFirst(const pelt::ResizeRowFunctions& rows, const unsigned char* in, const Geometry& g,
                 const pelt::ResizeTaps& across, const pelt::ResizeTaps& down, unsigned char* out) {
  const size_t values = g.outWidth * g.channels;
  const pelt::TapTable acrossTable = across.Table();
  std::vector<int16_t> ring(down.count * values);
  std::vector<const int16_t*> weighed(down.count);
  size_t scaled = 0;  // source rows scaled so far
  for (size_t y = 0; y < g.outHeight; ++y) {
    const size_t first = static_cast<size_t>(down.first[y]);
    for (; scaled < first + down.count; ++scaled) {
      rows.horizontalToMiddle(in + scaled * g.inRowBytes, g.inRowBytes, ring.data() + scaled % down.count * values,
                              acrossTable, g.channels, 0, g.outWidth);
    }
    for (size_t t = 0; t < down.count; ++t) weighed[t] = ring.data() + (first + t) % down.count * values;
    unsigned char* line = out + y * g.outRowBytes;
    rows.verticalToLevels(weighed.data(), down.weights.data() + y * down.count, down.count, line, 0, values);
    PadRow(line, values, g.outRowBytes);
  }
}

// Columns scaled first: each output row weighs its source rows into one row
// of middle values, which is then scaled across.
void DownFirst(const pelt::ResizeRowFunctions& rows, const unsigned char* in, const Geometry& g,
               const pelt::ResizeTaps& across, const pelt::ResizeTaps& down, unsigned char* out) {
  const size_t values = g.inWidth * g.channels;
  const pelt::TapTable acrossTable = across.Table();
  std::vector<int16_t> middle(values);
  std::vector<const uint8_t*> weighed(down.count);
  for (size_t y = 0; y < g.outHeight; ++y) {
    const size_t first = static_cast<size_t>(down.first[y]);
    for (size_t t = 0; t < down.count; ++t) weighed[t] = in + (first + t) * g.inRowBytes;
    rows.verticalToMiddle(weighed.data(), down.weights.data() + y * down.count, down.count, middle.data(), 0, values);
    unsigned char* line = out + y * g.outRowBytes;
    rows.horizontalToLevels(middle.data(), values, line, acrossTable, g.channels, 0, g.outWidth);
    PadRow(line, g.outWidth * g.channels, g.outRowBytes);
  }
}

// The height stays: each row scaled across in one pass.
void AcrossOnly(const pelt::ResizeRowFunctions& rows, const unsigned char* in, const Geometry& g,
                const pelt::ResizeTaps& across, unsigned char* out) {
  const pelt::TapTable acrossTable = across.Table();
  for (size_t y = 0; y < g.outHeight; ++y) {
    unsigned char* line = out + y * g.outRowBytes;
    rows.horizontalLevelsToLevels(in + y * g.inRowBytes, g.inRowBytes, line, acrossTable, g.channels, 0, g.outWidth);
    PadRow(line, g.outWidth * g.channels, g.outRowBytes);
  }
}

// The width stays: each output row weighs its source rows in one pass.
void DownOnly(const pelt::ResizeRowFunctions& rows, const unsigned char* in, const Geometry& g,
              const pelt::ResizeTaps& down, unsigned char* out) {
  const size_t values = g.outWidth * g.channels;
  std::vector<const uint8_t*> weighed(down.count);
  for (size_t y = 0; y < g.outHeight; ++y) {
    const size_t first = static_cast<size_t>(down.first[y]);
    for (size_t t = 0; t < down.count; ++t) weighed[t] = in + (first + t) * g.inRowBytes;
    unsigned char* line = out + y * g.outRowBytes;
    rows.verticalLevelsToLevels(weighed.data(), down.weights.data() + y * down.count, down.count, line, 0, values);
    PadRow(line, values, g.outRowBytes);
  }
}

}  // namespace

CPU_LEVEL PeltSetCpuLevelLimit(CPU_LEVEL limit) { return SetCpuLevelLimit(limit); }

long TEffectImage::Resize(TImage& image, long width, long height) {
  TImage::Impl* impl = image.impl_;
  if (!impl || !impl->bits || width <= 0 || height <= 0 || width > pelt::kMaxDimension ||
      height > pelt::kMaxDimension) {
    return -1;
  }
  size_t channels;
  switch (impl->format) {
    case pf8bit:
      channels = 1;
      break;
    case pf24bit:
      channels = 3;
      break;
    case pf32bit:
      channels = 4;
      break;
    default:
      return -1;
  }
  if (width == impl->width && height == impl->height) return 0;
  const uint64_t widthBytes = pelt::RowBytes(static_cast<uint64_t>(width), static_cast<unsigned>(impl->format));
  if (widthBytes * static_cast<uint64_t>(height) > pelt::kMaxImageBytes) return -1;

  const Geometry g = {channels,
                      static_cast<size_t>(impl->width),
                      static_cast<size_t>(impl->height),
                      static_cast<size_t>(impl->widthBytes),
                      static_cast<size_t>(width),
                      static_cast<size_t>(height),
                      static_cast<size_t>(widthBytes)};
  // The values the first pass leaves per source row or per output row: the
  // new width times the old height when rows are scaled first, the old width
  // times the new height when columns are.
  const bool acrossFirst = uint64_t{g.outWidth} * g.inHeight <= uint64_t{g.inWidth} * g.outHeight;
  // An axis that keeps its size needs no pass; the other's rounds once.
  const bool acrossOnly = g.outHeight == g.inHeight;
  const bool downOnly = g.outWidth == g.inWidth;
  try {
    pelt::ResizeTaps across, down;
    // Across taps read levels when they run on the source, middle values otherwise.
    if (!downOnly) pelt::BuildResizeTaps(impl->width, width, true, acrossFirst || acrossOnly ? 1 : 2, across);
    if (!acrossOnly) pelt::BuildResizeTaps(impl->height, height, false, 0, down);
    pelt::PixelStorage bits = pelt::NewPixelStorage(g.outRowBytes * g.outHeight, false);
    if (!bits) return -1;
    const pelt::ResizeRowFunctions& rows = pelt::ResizeRows();
    // Rows are filtered in memory order; both filters are symmetric, so
    // bottom-up storage needs no flipping.
    if (acrossOnly) {
      AcrossOnly(rows, impl->bits.get(), g, across, bits.get());
    } else if (downOnly) {
      DownOnly(rows, impl->bits.get(), g, down, bits.get());
    } else if (acrossFirst) {
      AcrossFirst(rows, impl->bits.get(), g, across, down, bits.get());
    } else {
      DownFirst(rows, impl->bits.get(), g, across, down, bits.get());
    }
    impl->Adopt(std::move(bits), width, height, static_cast<long>(widthBytes));
  } catch (...) {  // out of memory: the image stays as it was
    return -1;
  }
  return 0;
}
