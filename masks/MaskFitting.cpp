#include "MaskFitting.h"

#include <stdlib.h>

#include "Pelt.h"

namespace {
const unsigned long kSourceCopy = 0x00CC0020;  // SRCCOPY
}

bool CropToAspect(TImage& image, int32_t aspectWidth, int32_t aspectHeight) {
  try {
    const int noHandle = image.IsNoHandle();
    const long width = image.GetWidth();
    const long height = image.GetHeight();
    // Not a number (0 : 0) and infinities compare false: such an image is
    // never cut. Only the width is ever cut. Every quotient and product is
    // rounded to double as it is formed (both targets compute doubles in SSE2
    // registers), whatever precision the host set the x87 unit to.
    const double target = static_cast<double>(aspectWidth) / static_cast<double>(aspectHeight);
    const double proportion = static_cast<double>(width) / static_cast<double>(height);
    if (!(proportion > target)) return true;

    // Truncated toward zero, the quotient formed first: 45 * (7 / 5) is
    // 62.99999999999999, so 62 columns.
    const double exactWidth = static_cast<double>(height) * target;
    if (!(exactWidth > -2147483648.0 && exactWidth < 2147483648.0)) return false;
    int32_t newWidth = static_cast<int32_t>(exactWidth);
    // A frame far taller than the mask would keep no column; its middle
    // column, stretched over the frame, still wipes.
    if (newWidth == 0 && target > 0) newWidth = 1;
    // Of an odd surplus the extra column goes on the right.
    const int32_t left = (static_cast<int32_t>(width) - newWidth) >> 1;

    TImage cut;
    cut.Create(newWidth, height, image.GetPixelFormat(), 0);
    // A temporary that could not be made has no device context; the blit
    // then fails and the image stays untouched.
    if (!image.Blt(cut.GetDC(), 0, 0, left, 0, newWidth, height, kSourceCopy)) return false;

    // The cut pixels move into the image whole: one copy of the kept
    // columns in all, and nothing left to fail once the blit is done. The
    // old pixels leave with the temporary.
    if (!image.Exchange(cut)) return false;
    image.SetNoHandleMode(noHandle);
    return true;
  } catch (...) {
    return false;
  }
}

bool FitMask(TImage& mask, uint32_t width, uint32_t height, uint32_t aspectWidth, uint32_t aspectHeight) {
  if (labs(mask.GetWidth()) == static_cast<long>(width) && labs(mask.GetHeight()) == static_cast<long>(height)) {
    return true;
  }
  if (!mask.IsValid()) return false;
  // The terms are signed for the cut; a huge unsigned term reads as negative.
  if (!CropToAspect(mask, static_cast<int32_t>(aspectWidth), static_cast<int32_t>(aspectHeight))) return false;
  return TEffectImage::Resize(mask, static_cast<long>(width), static_cast<long>(height)) >= 0;
}
