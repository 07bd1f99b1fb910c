// A video file as a matte: its frames as gray weights, any frame in any
// order and from several threads, without decoding from the start for each.
// The frames' times are listed once when it opens (packets read, nothing
// decoded); a frame asked for is decoded from the keyframe before it, or
// onward from the last one decoded when that is nearer, and the last few are
// kept. Limited-range luma is stretched to 0..255, full range and gray of
// unspecified range taken as they are, deeper samples rounded to 8 bits.
#pragma once

#include <memory>
#include <string>

#include "media/GrayFrames.h"

namespace kavro {

// Throws MediaError naming the path: no such file, not a video, no video
// stream, no decoder in this build, no frames, a size past the limits, a
// first frame that does not decode.
std::unique_ptr<GrayFrames> OpenAvGrayFrames(const std::string& path);

}  // namespace kavro
