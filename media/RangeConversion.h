// Full-range ("JPEG") Y'CbCr brought to the limited range every picture of
// kavro carries: Y' 0..255 to 16..235, Cb and Cr 0..255 to 16..240 around 128.
#pragma once

#include "Picture.h"

namespace kavro {

// Rounded to nearest, chroma symmetrically about 128. Alpha is left alone.
void FullRangeToLimited(Picture& picture);

}  // namespace kavro
