#include "FrameSet.h"

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <vector>

#include "Masks.h"
#include "Parallel.h"

namespace maskgen {

namespace {

std::string FrameFile(const MaskInfo& mask, int frame) {
  char name[32];
  std::snprintf(name, sizeof name, "%03d.png", frame);
  return mask.key + "/" + name;
}

}  // namespace

FrameSetSummary WriteFrameSet(const std::string& directory, const FrameSetOptions& options) {
  namespace fs = std::filesystem;
  FrameSetSummary summary;
  std::string manifest = "# Mask frames: <resource id> <file>\n";
  for (size_t m = 0; m < MaskCatalogue().size(); ++m) {
    const MaskInfo& mask = MaskCatalogue()[m];
    std::error_code error;
    fs::create_directories(fs::path(directory) / mask.key, error);
    if (error) throw std::runtime_error("cannot create " + directory + "/" + mask.key + ": " + error.message());
    RevealAnimation animation = BuildMask(m, options.width, options.height, options.threads);
    std::vector<size_t> sizes(static_cast<size_t>(mask.frameCount));
    ParallelFor(mask.frameCount, options.threads, [&](int frame) {
      std::vector<uint8_t> pixels(static_cast<size_t>(options.width) * options.height);
      animation.RenderFrame(frame, pixels.data());
      std::vector<uint8_t> png = EncodeGrayPng(pixels.data(), options.width, options.height, options.png);
      WriteFileAtomically(directory + "/" + FrameFile(mask, frame), png.data(), png.size());
      sizes[frame] = png.size();
    });
    manifest += "# " + mask.displayName + "\n";
    for (int frame = 0; frame < mask.frameCount; ++frame) {
      manifest += std::to_string(mask.firstResourceId + frame) + " " + FrameFile(mask, frame) + "\n";
      summary.bytes += sizes[frame];
    }
    summary.frames += static_cast<size_t>(mask.frameCount);
  }
  WriteFileAtomically(directory + "/manifest.txt", manifest.data(), manifest.size());
  return summary;
}

}  // namespace maskgen
