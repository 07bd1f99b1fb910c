// The two clips of a transition: YUV4MPEG2 files or streams, PNG stills,
// clips FFmpeg's libraries read and the built-in clips.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "DefaultClips.h"
#include "media/Source.h"

namespace kavro {

// "-": a YUV4MPEG2 stream on standard input. A file is a PNG still or a
// YUV4MPEG2 file by its first bytes; a YUV4MPEG2 file is checked and its
// frames counted here. Throws MediaError.
std::unique_ptr<Source> OpenSource(const std::string& path);
// The same, starting at a time of the clip (a YUV4MPEG2 file skips the frames
// before it) and sampled at the placement's rate: a YUV4MPEG2 clip of another
// rate hands out, at each frame time, the frame it shows then, counted from
// its start. Where kavro links FFmpeg's libraries, any other file they read
// is a source of its own kind (OpenAvSource).
std::unique_ptr<Source> OpenSource(const std::string& path, const SourcePlacement& placement);

// False for standard input, a pipe or a device: what they hold is read once,
// by the source, so nothing else (the sound) may open them again.
bool ReadableTwice(const std::string& path);

std::unique_ptr<Source> MakeDefaultSource(DefaultClip clip, int width, int height);

// A source as the transition sees it: its frames in order, then the last
// frame held for as long as the transition runs.
class HeldClip {
 public:
  explicit HeldClip(std::unique_ptr<Source> source);
  Source& source() { return *source_; }
  // Throws MediaError, also when the clip has no frame at all.
  std::shared_ptr<const SourceFrame> Next();
  // The frames a clip (not a still) held before it ended, once it ended
  // while frames were still asked of it.
  std::optional<uint64_t> endedAfter() const {
    return ended_ && !source_->still() ? std::optional<uint64_t>(read_) : std::nullopt;
  }

 private:
  std::unique_ptr<Source> source_;
  std::shared_ptr<const SourceFrame> last_;
  uint64_t read_ = 0;
  bool ended_ = false;
};

}  // namespace kavro
