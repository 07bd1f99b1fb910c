// A decoded picture of any pixel format to the plug-in's packed 8-bit 4:2:2:
// its own chroma siting, range and matrix read as it declares them, the
// output's limited-range matrix written.
#pragma once

#include <cstdint>

#include "AvCommon.h"
#include "media/PackedFrame.h"

namespace kavro {

// How a stream's pictures are to be read, where a frame does not say.
struct PictureColour {
  int matrix = 1;  // H.273 matrix code point, never "unspecified"
  bool fullRange = false;
  AVChromaLocation chromaLocation = AVCHROMA_LOC_LEFT;
};

// A stream's description with the gaps filled: an unspecified matrix is
// BT.601 below 720 lines and BT.709 from there, unspecified 4:2:0 siting is
// MPEG-2's (left, between the rows), and JPEG pixel formats are full range.
PictureColour DescribePictures(const AVCodecParameters& parameters);

// Packs the frame at the layout's size (scaling with kavro's own resizer),
// converted to `outputMatrix` in limited range. The frame's own colour
// fields override the stream's where they are set. 8-bit 4:2:0, 4:2:2 and
// 4:4:4 already in the output's limited-range matrix take the same route,
// and give the same bytes, as the YUV4MPEG2 reader's frames; deeper samples
// are rounded to 8 bits. Throws MediaError.
void PackAvFrame(const AVFrame& frame, const PictureColour& stream, int outputMatrix, const PackedLayout& layout,
                 uint8_t* packed);

}  // namespace kavro
