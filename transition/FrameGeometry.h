// The byte geometry of one frame, checked before anything touches a buffer:
// the row stride, the main plane F, the whole frame with its alpha plane T,
// and whether the fitted mask image covers the frame.
#pragma once

#include <stdint.h>

#include "transition/host_api/KavroHostRecords.h"

class TImage;

// The largest frame we accept. A 32-bit process cannot hold one object of
// more than 2^31 - 1 bytes (pointer differences are 32-bit there), and every
// offset the row loop forms then fits in 32 bits; both targets refuse the same
// setups so they render the same frames.
const uint64_t kMaxFrameBytes = 0x7FFFFFFF;

struct FrameGeometry {
  uint32_t width;
  uint32_t height;
  uint32_t stride;      // bytes from one row to the next: the setup's, or 2 x width when that is 0
  uint32_t rowBytes;    // pixel bytes of one row, 2 x width
  uint32_t mainBytes;   // F: stride x height; the alpha plane starts here
  uint32_t totalBytes;  // T: F + (width rounded up to 4) x height
};

enum FRAME_GEOMETRY_CHECK {
  FRAME_GEOMETRY_OK = 0,
  FRAME_GEOMETRY_TOO_LARGE,         // T or 2 x width would pass kMaxFrameBytes
  FRAME_GEOMETRY_LAST_ROW_OUTSIDE,  // a stride so small that the last row would end past T
};

// Computes the geometry of a YUV 4:2:2 + alpha frame without wrap-around.
// `geometry` is filled only when the answer is FRAME_GEOMETRY_OK.
FRAME_GEOMETRY_CHECK MeasureFrame(const FrameFormat& format, FrameGeometry& geometry);

// Whether the row loop may read `mask` as this frame's mask: exactly width x
// height pixels of 8 bits, rows of at least width bytes, every row inside the
// image's storage and every row offset a non-negative 32-bit value.
bool MaskCoversFrame(const TImage& mask, const FrameGeometry& geometry);
