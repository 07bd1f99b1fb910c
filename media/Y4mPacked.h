// YUV4MPEG2 4:2:2 frames straight to and from the packed frame the plug-in
// mixes, without a planar picture in between: the same bytes as
// PackPicture(Y4mPlanesToPicture(...)) and EncodeY4m422Frame(UnpackPicture(...)).
#pragma once

#include <cstdint>
#include <vector>

#include "PackedFrame.h"
#include "Y4m.h"

namespace kavro {

// True when a frame of this stream packs as it is: limited-range C422 at the
// layout's size.
bool PacksAsItIs(const Y4mFormat& format, const PackedLayout& layout);

// One frame's planes into the packed frame, alpha 255. Throws MediaError
// unless PacksAsItIs.
void PackY4m422Planes(const Y4mFormat& format, const uint8_t* planes, const PackedLayout& layout, uint8_t* frame);

// "FRAME\n" and the planes of a C422 frame of the layout's size; alpha is
// not stored. `out` keeps its storage from frame to frame.
void EncodeY4m422Packed(const uint8_t* frame, const PackedLayout& layout, std::vector<uint8_t>& out);

}  // namespace kavro
