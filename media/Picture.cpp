#include "Picture.h"

#include <string>

namespace kavro {

void CheckPictureSize(int64_t width, int64_t height, const char* what) {
  if (!SizeWithinLimits(width, height)) {
    throw MediaError(std::string(what) + ": unsupported picture size " + std::to_string(width) + "x" +
                     std::to_string(height) + " (" + SizeLimitsText() + ")");
  }
}

Picture::Picture(int w, int h)
    : width(w),
      height(h),
      y(static_cast<size_t>(w) * h, 16),
      cb(static_cast<size_t>((w + 1) / 2) * h, 128),
      cr(static_cast<size_t>((w + 1) / 2) * h, 128),
      alpha(static_cast<size_t>(w) * h, 255) {}

bool Picture::operator==(const Picture& other) const {
  return width == other.width && height == other.height && y == other.y && cb == other.cb && cr == other.cr &&
         alpha == other.alpha;
}

RgbaImage::RgbaImage(int w, int h) : width(w), height(h), pixels(static_cast<size_t>(w) * h * 4, 0) {}

}  // namespace kavro
