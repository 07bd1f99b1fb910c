// Packs source A into the output buffer on a helper thread while the caller
// has MLT make source B's picture. A's picture is only read, as MLT's own
// transitions keep it while they take B's; the two pictures themselves are
// taken one after the other, since MLT's frames of one tractor share
// properties. When the helper has not begun by the time the caller needs the
// output, the caller packs it itself, so a busy machine never makes it wait.
#pragma once

#include <cstdint>

#include "media/PackedFrame.h"

namespace kavro_mlt {

// A packed Y0 U Y1 V picture of the frame's size, rows 2 * width bytes apart,
// and its alpha plane (null: opaque).
struct SourcePicture {
  const uint8_t* image = nullptr;
  const uint8_t* alpha = nullptr;
};

// Packs a picture into a plug-in frame of `layout`: its rows, then (unless
// the frame holds it already) its alpha plane, or an opaque one.
void CopyPicture(const SourcePicture& picture, const kavro::PackedLayout& layout, uint8_t* frame,
                 bool alphaPlane = true);

class PackOnHelper {
 public:
  PackOnHelper(const SourcePicture& picture, const kavro::PackedLayout& layout, uint8_t* frame);
  ~PackOnHelper() { Finish(); }
  PackOnHelper(const PackOnHelper&) = delete;
  PackOnHelper& operator=(const PackOnHelper&) = delete;

  // The frame holds the packed picture when this returns.
  void Finish();

  struct Job {
    SourcePicture picture;
    kavro::PackedLayout layout;
    uint8_t* frame;
    bool started = false, done = false;
  };

 private:
  Job job_;
  bool posted_ = false, finished_ = false;
};

}  // namespace kavro_mlt
