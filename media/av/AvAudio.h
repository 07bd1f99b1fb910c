// The output's sound: each clip's audio from its start, resampled with
// libswresample to one rate and layout, and A's crossfading into B's over
// the whole transition.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "AvCommon.h"
#include "EncodedOutput.h"

namespace kavro {

// One clip's audio stream, decoded in order from the clip's start.
class AudioTrack {
 public:
  // Null when the file has no audio stream or is nothing FFmpeg's libraries
  // read (a still, a built-in clip). Throws MediaError when the stream
  // cannot be decoded.
  static std::unique_ptr<AudioTrack> Open(const AudioClip& clip);
  ~AudioTrack();

  int sampleRate() const;
  int channels() const;
  // Before the first Read: the rate and channels Read delivers.
  void Convert(int sampleRate, int channels);
  // `count` samples of each channel into `planes`, silence where the clip
  // has none (before its sound starts, after it ends). Throws MediaError.
  void Read(size_t count, std::vector<std::vector<float>>& planes);

 private:
  AudioTrack() = default;
  bool DecodeMore();
  void Append(const AVFrame& frame);

  std::string path_;
  InputPtr input_;
  AVStream* stream_ = nullptr;
  CodecPtr decoder_;
  PacketPtr packet_;
  ResamplerPtr resampler_;
  double startSeconds_ = 0;  // on the file's clock
  int rate_ = 0, channels_ = 0;
  int64_t appended_ = 0;  // samples since the start, silence included
  std::vector<std::vector<float>> fifo_;
  bool flushing_ = false, ended_ = false;
};

// Equal-power crossfade: A's gain cos(pi/2 t), B's sin(pi/2 t) for t from 0
// at the first sample to 1 at the last, so the loudness of two unrelated
// sounds stays level. One track alone plays at full level.
class AudioCrossfade {
 public:
  // At least one track. `total` samples make the output's length.
  AudioCrossfade(std::unique_ptr<AudioTrack> a, std::unique_ptr<AudioTrack> b, int sampleRate, int channels,
                 int64_t total);
  // The next `count` samples of every channel. Throws MediaError.
  void Mix(size_t count, std::vector<std::vector<float>>& planes);
  int64_t mixed() const { return mixed_; }

 private:
  std::unique_ptr<AudioTrack> a_, b_;
  int channels_;
  int64_t total_, mixed_ = 0;
  std::vector<std::vector<float>> scratch_;
};

}  // namespace kavro
