// What a written file holds, read back: after a failed render, the frames
// that reached the file rather than the frames handed to the muxer.
#pragma once

#include <cstdint>
#include <string>

namespace kavro {

// Reads the file once: cuts it back to the start of a packet that a failed
// write (a full disk) left cut short at its end, so that players show the
// frames before it and no damaged one, and gives its video frames, from its
// index where it keeps one (MP4, QuickTime), else by counting its whole
// packets. 0 for a file that does not read back as a video; a file that
// cannot be read is left as it is.
uint64_t CutBackToWholeVideoFrames(const std::string& path);

}  // namespace kavro
