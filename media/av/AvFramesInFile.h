// What a written file holds, read back: after a failed render, the frames
// that reached the file rather than the frames handed to the muxer.
#pragma once

#include <cstdint>
#include <string>

namespace kavro {

// Cuts the file back to what a failed write (a full disk) left whole: MP4
// and QuickTime to their last whole fragment, Matroska and WebM to their
// last whole cluster (the segment's size set to match), others to the start
// of a packet cut short at the end; then counts its whole video packets.
// 0 for a file that does not read back as a video; a file that cannot be
// read is left as it is.
uint64_t CutBackToWholeVideoFrames(const std::string& path);

}  // namespace kavro
