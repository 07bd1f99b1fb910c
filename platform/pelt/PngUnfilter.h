// Undoing the PNG row filters for one byte per pixel.
#pragma once

#include <stddef.h>
#include <stdint.h>

namespace pelt {

enum PNG_FILTER : uint8_t {
  PNG_FILTER_NONE = 0,
  PNG_FILTER_SUB = 1,
  PNG_FILTER_UP = 2,
  PNG_FILTER_AVERAGE = 3,
  PNG_FILTER_PAETH = 4,
};

// Rebuilds `width` pixels of a row from its filtered bytes `filtered`, with
// `previous` the row above as rebuilt (all zeros for the first row), into
// `row`. `row` may be `filtered` itself or lie before it in the same buffer:
// every byte is read before anything at or after its place is written.
// `previous` never overlaps `row`. The filter is one of the five above.
void UnfilterRow(PNG_FILTER filter, const uint8_t* filtered, const uint8_t* previous, uint8_t* row, size_t width);

}  // namespace pelt
