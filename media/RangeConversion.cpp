#include "RangeConversion.h"

#include <array>

namespace kavro {

namespace {

struct RangeTables {
  std::array<uint8_t, 256> luma, chroma;
  RangeTables() {
    for (int v = 0; v < 256; ++v) {
      luma[static_cast<size_t>(v)] = static_cast<uint8_t>(16 + (219 * v + 127) / 255);
      const int scaled = (v - 128) * 224;
      chroma[static_cast<size_t>(v)] = static_cast<uint8_t>(128 + (scaled >= 0 ? scaled + 127 : scaled - 127) / 255);
    }
  }
};

}  // namespace

void FullRangeToLimited(Picture& picture) {
  static const RangeTables tables;
  for (uint8_t& v : picture.y) v = tables.luma[v];
  for (uint8_t& v : picture.cb) v = tables.chroma[v];
  for (uint8_t& v : picture.cr) v = tables.chroma[v];
}

}  // namespace kavro
