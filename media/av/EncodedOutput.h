// An output file an encoder writes (MP4, Matroska, WebM, ...), as a host
// drives it: each frame converted to the encoder's pixels on a rendering
// thread, then handed over in order on the writing thread. Built only where
// kavro links FFmpeg's libraries (KAVRO_HAVE_AV).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "media/PackedFrame.h"
#include "media/Source.h"
#include "media/Y4m.h"

namespace kavro {

// The sound of one clip: its file (empty for a built-in clip) and where in it
// the transition starts.
struct AudioClip {
  std::string path;
  double startSeconds = 0;
};

struct EncodingOptions {
  std::string codec;        // encoder name; empty: the container's default
  std::string pixelFormat;  // empty: the codec's default for the container
  int quality = -1;         // -1: the codec's default
  bool audio = true;
  AudioClip audioA, audioB;
  ColourTags colour;  // what the output declares: source A's
};

class EncodedOutput {
 public:
  virtual ~EncodedOutput() = default;
  // Creates the file and writes the container's header. Throws MediaError.
  virtual void Begin() = 0;
  // What the chosen encoders make of the options, to be said once: options
  // that do nothing, sound or range the container cannot hold.
  virtual const std::vector<std::string>& notes() const = 0;
  // Any thread: the packed frame in the encoder's pixel format.
  virtual void Convert(const uint8_t* frame, const PackedLayout& layout, std::vector<uint8_t>& out) const = 0;
  // One thread, frames in order. Throws MediaError.
  virtual void Write(uint32_t index, const std::vector<uint8_t>& picture) = 0;
  // Frames whose packets have come out of the video encoder into the
  // container; an encoder that looks ahead gives them out frames later.
  virtual uint32_t framesOut() const = 0;
  // Drains the encoders and closes the container, telling `progress` of
  // each frame that comes out meanwhile (framesOut). Throws MediaError. A
  // destroyed output that was not finished closes its container as far as it
  // can, so what was written before a failure stays playable.
  virtual void Finish(const std::function<void(uint32_t)>& progress) = 0;
  // After a failure or Finish: closes the container as far as it can, cuts
  // a regular file back to its whole frames (CutBackToWholeVideoFrames) and
  // counts them; a device or pipe that took no byte holds none.
  virtual uint32_t FramesInFile() = 0;
};

// Chooses and opens the encoders, creating no file: what the container or an
// encoder cannot take fails here, before the render. Throws MediaError
// naming the path.
std::unique_ptr<EncodedOutput> OpenEncodedOutput(const std::string& path, const Y4mFormat& header, uint32_t frames,
                                                 const EncodingOptions& options);

}  // namespace kavro
