// Pictures of 8-bit gray weights, and a matte's frames as a host reads them:
// any frame, from any thread, in any order.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kavro {

// One byte a pixel, top row first, rows width bytes apart.
struct GrayImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;
};

// Frames a second as a fraction; 0/0 for pictures without a rate.
struct FrameRate {
  uint32_t numerator = 0, denominator = 0;
  bool known() const { return numerator != 0 && denominator != 0; }
};

class GrayFrames {
 public:
  virtual ~GrayFrames() = default;
  virtual std::string name() const = 0;
  // At least 1.
  virtual uint32_t count() const = 0;
  // The first frame's size.
  virtual int width() const = 0;
  virtual int height() const = 0;
  // A video's own rate; image sequences and stills have none.
  virtual FrameRate rate() const { return {}; }
  // Frame `index` (below count()). Safe to call from several threads at once.
  // Throws MediaError naming the frame's file or position.
  virtual std::shared_ptr<const GrayImage> Frame(uint32_t index) = 0;
};

}  // namespace kavro
