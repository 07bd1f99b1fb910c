#include "FrameGeometry.h"

#include "masks/Pelt.h"

FRAME_GEOMETRY_CHECK MeasureFrame(const FrameFormat& format, FrameGeometry& geometry) {
  // Everything in 64 bits: no product of two 32-bit values wraps there.
  const uint64_t width = format.width;
  const uint64_t height = format.height;
  const uint64_t rowBytes = 2 * width;
  const uint64_t stride = format.stride != 0 ? format.stride : rowBytes;
  const uint64_t mainBytes = stride * height;
  const uint64_t alphaRowBytes = (width + 3) & ~uint64_t{3};
  const uint64_t totalBytes = mainBytes + alphaRowBytes * height;
  if (rowBytes > kMaxFrameBytes || totalBytes > kMaxFrameBytes) return FRAME_GEOMETRY_TOO_LARGE;
  // A stride of a frame without rows is never used; any other is inside T.
  if (height != 0 && (height - 1) * stride + rowBytes > totalBytes) return FRAME_GEOMETRY_LAST_ROW_OUTSIDE;

  geometry.width = format.width;
  geometry.height = format.height;
  geometry.stride = static_cast<uint32_t>(stride);
  geometry.rowBytes = static_cast<uint32_t>(rowBytes);
  geometry.mainBytes = static_cast<uint32_t>(mainBytes);
  geometry.totalBytes = static_cast<uint32_t>(totalBytes);
  return FRAME_GEOMETRY_OK;
}

bool MaskCoversFrame(const TImage& mask, const FrameGeometry& geometry) {
  if (!mask.IsValid() || !mask.GetBits() || mask.GetBitCount() != 8) return false;
  const long height = mask.GetHeight();
  if (mask.GetWidth() != static_cast<long>(geometry.width)) return false;
  if ((height < 0 ? -static_cast<int64_t>(height) : height) != static_cast<int64_t>(geometry.height)) return false;
  const int64_t rowBytes = mask.GetWidthBytes();
  const int64_t size = mask.GetSize();
  return rowBytes >= static_cast<int64_t>(geometry.width) && size <= INT32_MAX &&
         rowBytes * static_cast<int64_t>(geometry.height) <= size;
}
