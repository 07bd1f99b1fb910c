#include "PngUnfilter.h"

namespace pelt {

namespace {

uint8_t Paeth(int left, int above, int aboveLeft) {
  const int estimate = left + above - aboveLeft;
  const int toLeft = estimate > left ? estimate - left : left - estimate;
  const int toAbove = estimate > above ? estimate - above : above - estimate;
  const int toAboveLeft = estimate > aboveLeft ? estimate - aboveLeft : aboveLeft - estimate;
  if (toLeft <= toAbove && toLeft <= toAboveLeft) return static_cast<uint8_t>(left);
  return static_cast<uint8_t>(toAbove <= toAboveLeft ? above : aboveLeft);
}

}  // namespace

void UnfilterRow(PNG_FILTER filter, const uint8_t* filtered, const uint8_t* previous, uint8_t* row, size_t width) {
  switch (filter) {
    case PNG_FILTER_NONE:
      // A forward copy: the row never lies after its filtered bytes. (Some C
      // libraries' memmove is far slower than this loop.)
      for (size_t x = 0; x < width; ++x) row[x] = filtered[x];
      return;
    case PNG_FILTER_SUB: {
      uint8_t left = 0;
      for (size_t x = 0; x < width; ++x) row[x] = left = static_cast<uint8_t>(filtered[x] + left);
      return;
    }
    case PNG_FILTER_UP:
      for (size_t x = 0; x < width; ++x) row[x] = static_cast<uint8_t>(filtered[x] + previous[x]);
      return;
    case PNG_FILTER_AVERAGE: {
      uint8_t left = 0;
      for (size_t x = 0; x < width; ++x) {
        row[x] = left = static_cast<uint8_t>(filtered[x] + ((left + previous[x]) >> 1));
      }
      return;
    }
    case PNG_FILTER_PAETH: {
      uint8_t left = 0, aboveLeft = 0;
      for (size_t x = 0; x < width; ++x) {
        row[x] = left = static_cast<uint8_t>(filtered[x] + Paeth(left, previous[x], aboveLeft));
        aboveLeft = previous[x];
      }
      return;
    }
  }
}

}  // namespace pelt
