// Outputs that would overwrite an input or each other, found before anything
// is opened for writing.
#pragma once

#include "CommandLine.h"

namespace kavro {

// Throws UsageError when -o or --sheet names the same file as a source or as
// each other (the same file by device and inode where it exists, so links
// and other spellings count; by their full path where it does not yet), or
// when a source is one of the frame_<digits>.png files of the --png folder.
// A source is also every file its image-sequence pattern ("frame_%05d.png")
// stands for, and a name is also the file behind FFmpeg's "file:" prefix;
// an output naming another protocol ("http:", "pipe:") is refused.
void RefuseClashingOutputs(const RenderOptions& options);

}  // namespace kavro
