// A contact sheet: every k-th frame of the transition, and its last, as
// thumbnails in a grid, each numbered with its frame.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "media/Picture.h"

namespace kavro {

class ContactSheet {
 public:
  // every == 0 picks a step that gives about 24 cells.
  ContactSheet(uint32_t frames, uint32_t every, int frameWidth, int frameHeight);

  uint32_t every() const { return every_; }
  bool Shows(uint32_t frame) const { return frame % every_ == 0 || frame + 1 == frames_; }
  int thumbnailWidth() const { return thumbWidth_; }
  int thumbnailHeight() const { return thumbHeight_; }

  // Any thread: the frame brought to thumbnail size.
  Picture Thumbnail(const Picture& frame) const;
  void Add(uint32_t frame, Picture thumbnail);
  // The grid as an RGB PNG; transparent parts over a checkerboard.
  std::vector<uint8_t> EncodePng() const;
  RgbaImage Draw() const;

 private:
  uint32_t frames_, every_;
  int thumbWidth_, thumbHeight_;
  std::map<uint32_t, Picture> thumbnails_;
};

}  // namespace kavro
