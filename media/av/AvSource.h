// Clips FFmpeg's libraries read (MP4, MOV, Matroska, WebM, AVI, MPEG-TS,
// image files and sequences, ...) as a kavro source: the video stream decoded
// in order on the reading thread, each picture converted to 4:2:2 on the
// rendering thread that packs it.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "media/Source.h"

namespace kavro {

// Opens the file's best video stream, seeks to the placement's start (the
// first frame handed out is the one shown at that time, not the keyframe
// before it) and samples it at the placement's frame rate, or its own.
// Throws MediaError naming the path: no such file, not a video, no video
// stream, no decoder in this build, shorter than the start.
std::unique_ptr<Source> OpenAvSource(const std::string& path, const SourcePlacement& placement);
// The same from a pipe or device whose `first` bytes have been read: it is
// read once, from those bytes on. Takes the stream, also when it throws.
std::unique_ptr<Source> OpenAvSource(std::FILE* stream, const std::string& name, std::string first,
                                     const SourcePlacement& placement);

}  // namespace kavro
