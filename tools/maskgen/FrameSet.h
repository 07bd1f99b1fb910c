// Writes every frame of every mask as PNG files plus the manifest that the
// resource-module builder reads.
#pragma once

#include <cstddef>
#include <string>

#include "PngCodec.h"

namespace maskgen {

struct FrameSetOptions {
  int width = 1920;
  int height = 1080;
  int threads = 2;
  PngSettings png;
};

struct FrameSetSummary {
  size_t frames = 0;
  size_t bytes = 0;
};

// Frames go to <directory>/<mask key>/<frame, 3 digits>.png; the manifest,
// written last, to <directory>/manifest.txt. Throws std::runtime_error.
FrameSetSummary WriteFrameSet(const std::string& directory, const FrameSetOptions& options);

}  // namespace maskgen
