// A user's own wipe, as every host plays it: an animated matte (a video, an
// image sequence or a folder of PNG files, each frame's gray the mask weight
// as a built-in mask's) or a luma map (one still, its dark parts showing B
// first). One picture is a luma map, more than one an animated matte, unless
// the options say which.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "LumaMap.h"
#include "media/GrayFrames.h"

namespace kavro {

enum class MatteKind { kByFrameCount, kAnimated, kLumaMap };

// Spread: the matte's frames over the wipe as a built-in mask's, the first at
// its first frame and the last at its last. Own rate: from the wipe's start
// at the matte's own frame rate (an image sequence: one frame an output
// frame), its last frame held.
enum class MatteTiming { kSpread, kOwnRate };

struct MatteOptions {
  MatteKind kind = MatteKind::kByFrameCount;
  MatteTiming timing = MatteTiming::kSpread;
  double softness = 0;  // a luma map's edge, 0 to 1
  // Said once, the first time a frame does not decode mid-render.
  std::function<void(const std::string&)> warn;
};

// What a wipe mixes with at one output frame: the picture's levels are the
// weights, or, for a luma map, go through `levels` first.
struct MatteWeights {
  std::shared_ptr<const GrayImage> picture;
  bool mapped = false;
  WeightTable levels = {};
};

// Whether a mask choice names a file rather than a built-in mask: it holds a
// path separator, a dot or a percent sign, or names no built-in mask and a
// file or folder of that name exists.
bool LooksLikeMattePath(const std::string& text);

class Matte {
 public:
  // Opens the file, folder or pattern; the first frame is decoded here.
  // Throws HostingError, one line naming the path: missing, not a picture or
  // video, no frames, a size past the limits.
  static std::unique_ptr<Matte> Open(const std::string& path, const MatteOptions& options);
  Matte(std::unique_ptr<GrayFrames> frames, const MatteOptions& options);

  bool lumaMap() const { return lumaMap_; }
  const GrayFrames& frames() const { return *frames_; }
  // "m_%03d.png: an animated matte, 24 frames of 1920x1080 at 25 fps".
  std::string Describe() const;

  // The matte frame shown at output frame `position` of a wipe `length`
  // frames long (spread with the built-in masks' rounding, MaskChoice.h),
  // from the last one back when reversed.
  uint32_t FrameIndexAt(int64_t position, int64_t length, FrameRate outputRate, bool reverse) const;

  // The weights at that output frame; reverse runs the wipe from B to A. A
  // frame that does not decode is replaced by the nearest earlier one that
  // does, said once through the options' warn. Throws HostingError when none does.
  MatteWeights WeightsAt(int64_t position, int64_t length, FrameRate outputRate, bool reverse);
  // The same for a host that gives a progress, 0 to 1 (clamped), spread.
  MatteWeights WeightsAtProgress(double progress, bool reverse);

 private:
  std::shared_ptr<const GrayImage> FrameOrEarlier(uint32_t index);
  MatteWeights Mapped(uint32_t numerator, uint32_t denominator, bool reverse);

  std::unique_ptr<GrayFrames> frames_;
  MatteOptions options_;
  bool lumaMap_ = false;
  uint32_t edgeLevels_ = 1;
  std::atomic<bool> warned_{false};
};

}  // namespace kavro
