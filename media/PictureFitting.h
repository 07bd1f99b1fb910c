// A source picture brought to the output's size the way the README promises:
// an odd width one column short gains a copy of its last column, any other
// size is scaled, an interlaced picture field by field so its fields never mix.
#pragma once

#include "Picture.h"

namespace kavro {

Picture FitPicture(const Picture& in, int width, int height, bool interlaced);

// The picture with its last column repeated once (its chroma, sited on the
// even columns, already covers the new one).
Picture WidenByOneColumn(const Picture& in);

// Each field (the even rows, the odd rows) scaled to its share of `height`
// and woven back; pictures of fewer than two rows scale as a whole.
Picture ScalePictureByField(const Picture& in, int width, int height);

}  // namespace kavro
