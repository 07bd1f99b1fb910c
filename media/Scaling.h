// Scaling of whole pictures to another size.
#pragma once

#include "Picture.h"

namespace kavro {

// A separable tent filter in fixed point: linear interpolation when a side
// grows, a tent as wide as the reduction when it shrinks, so every input
// sample contributes. The chroma planes are filtered at their own sites (the
// even luma columns) so chroma stays aligned with luma. A side of equal size
// is copied. Integer arithmetic only.
Picture ScalePicture(const Picture& in, int width, int height);

}  // namespace kavro
