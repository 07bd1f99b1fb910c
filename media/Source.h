// A clip as a host reads it: a source is read in order by one thread; the
// frames it hands out are turned into plug-in frames by any thread. kavro's
// YUV4MPEG2, PNG and built-in clips and the clips FFmpeg's libraries read
// (media/av) are its kinds.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "PackedFrame.h"
#include "Proportions.h"
#include "Y4m.h"

namespace kavro {

// How a clip's Y'CbCr is to be read, as ITU-T H.273 code points (matrix 1
// BT.709, 5 and 6 BT.601, 9 BT.2020; 2 unspecified). PNG stills and the
// built-in clips are BT.709; YUV4MPEG2, which declares no matrix, follows
// the rule for untagged pictures (MatrixOfUntagged). Frames leave a
// source in limited range whatever it declares; fullRange says what an
// encoded output of source A returns to.
struct ColourTags {
  int matrix = 1;
  int primaries = 1;
  int transfer = 1;
  bool fullRange = false;
};

// Where the transition starts in a clip and on which clock it is sampled.
struct SourcePlacement {
  double startSeconds = 0;
  // The output's frame rate and matrix, when another clip sets them: a clip
  // read by FFmpeg's libraries is then sampled at these frame times by
  // timestamp and converted to that matrix. 0: the clip's own.
  uint32_t rateNumerator = 0, rateDenominator = 0;
  int matrix = 0;
  // The rate is another clip's own, not the built-in clips' default: a
  // YUV4MPEG2 clip of another rate is then sampled at it too.
  bool rateOfAClip = false;
};

class SourceFrame {
 public:
  virtual ~SourceFrame() = default;
  // This frame brought to the layout's size, packed. Throws MediaError.
  virtual void Render(const PackedLayout& layout, uint8_t* frame) const = 0;
};

class Source {
 public:
  virtual ~Source() = default;
  virtual std::string name() const = 0;
  virtual int width() const = 0;
  virtual int height() const = 0;
  virtual Proportions proportions() const = 0;
  // Frames of the clip when known before reading: a file's count, in frames
  // of the rate it is sampled at. A still or a built-in clip never ends and
  // a stream's length is unknown: empty.
  virtual std::optional<uint64_t> length() const = 0;
  // One picture, held for the whole transition (it has no length).
  virtual bool still() const { return false; }
  // The stream header of a YUV4MPEG2 source (frame rate, interlacing, pixel
  // aspect), at the rate it is sampled at. A clip read by FFmpeg's libraries
  // answers with the header of its frames as they leave it: 4:2:2.
  virtual const Y4mFormat* y4mFormat() const { return nullptr; }
  // The colour description of the frames as they leave the source.
  virtual ColourTags colour() const { return {}; }
  // The next frame in order, null after the last. Throws MediaError.
  virtual std::shared_ptr<const SourceFrame> Next() = 0;
};

}  // namespace kavro
