// What a written file holds, read back: after a failed render, the frames
// that reached the file rather than the frames handed to the muxer.
#pragma once

#include <cstdint>
#include <string>

namespace kavro {

// The video frames of the file: from its index where it keeps one (MP4,
// QuickTime), else by counting its whole packets. 0 for a file that does
// not read back as a video.
uint64_t CountVideoFramesInFile(const std::string& path);

// Cuts the file back to the start of a packet that a failed write (a full
// disk) left cut short at its end, so that players show the frames before it
// and no damaged one. Leaves the file as it is when it has no such packet or
// cannot be read.
void CutBackToWholePackets(const std::string& path);

}  // namespace kavro
