#include "AvAudio.h"

#include <algorithm>
#include <cmath>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

namespace kavro {

std::unique_ptr<AudioTrack> AudioTrack::Open(const AudioClip& clip) {
  if (clip.path.empty() || clip.path == "-") return nullptr;
  std::unique_ptr<AudioTrack> track(new AudioTrack());
  track->path_ = clip.path;
  try {
    track->input_ = OpenInput(clip.path);
  } catch (const MediaError&) {
    return nullptr;  // kavro's own readers took it: no sound
  }
  AVFormatContext* input = track->input_.get();
  const int index = av_find_best_stream(input, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  if (index < 0) return nullptr;
  track->stream_ = input->streams[index];
  for (unsigned i = 0; i < input->nb_streams; ++i) {
    if (static_cast<int>(i) != index) input->streams[i]->discard = AVDISCARD_ALL;
  }
  try {
    track->decoder_ = OpenDecoder(clip.path, *track->stream_);
  } catch (const MediaError& error) {
    throw MediaError(std::string(error.what()) + " (--no-audio renders without sound)");
  }
  track->packet_ = AllocatePacket();
  const double origin = input->start_time != AV_NOPTS_VALUE ? static_cast<double>(input->start_time) / AV_TIME_BASE : 0;
  track->startSeconds_ = origin + clip.startSeconds;
  if (clip.startSeconds > 0) {
    const int64_t target =
        av_rescale_q(std::llround(track->startSeconds_ * AV_TIME_BASE), AV_TIME_BASE_Q, track->stream_->time_base);
    if (avformat_seek_file(input, index, INT64_MIN, target, target, 0) >= 0) {
      avcodec_flush_buffers(track->decoder_.get());
    }
  }
  return track;
}

AudioTrack::~AudioTrack() = default;

int AudioTrack::sampleRate() const { return decoder_->sample_rate; }
int AudioTrack::channels() const { return decoder_->ch_layout.nb_channels; }

void AudioTrack::Convert(int sampleRate, int channels) {
  rate_ = sampleRate;
  channels_ = channels;
  fifo_.assign(size_t(channels), {});
}

void AudioTrack::Append(const AVFrame& frame) {
  if (!resampler_) {
    AVChannelLayout out = {};
    av_channel_layout_default(&out, channels_);
    AVChannelLayout in = {};
    if (av_channel_layout_copy(&in, &frame.ch_layout) < 0 || in.order == AV_CHANNEL_ORDER_UNSPEC) {
      av_channel_layout_uninit(&in);
      av_channel_layout_default(&in, frame.ch_layout.nb_channels);
    }
    SwrContext* context = nullptr;
    int result = swr_alloc_set_opts2(&context, &out, AV_SAMPLE_FMT_FLTP, rate_, &in,
                                     static_cast<AVSampleFormat>(frame.format), frame.sample_rate, 0, nullptr);
    av_channel_layout_uninit(&in);
    av_channel_layout_uninit(&out);
    resampler_.reset(context);
    if (result >= 0) result = swr_init(context);
    if (result < 0) throw MediaError(path_ + ": cannot resample its audio (" + AvErrorText(result) + ")");
  }
  const int room = swr_get_out_samples(resampler_.get(), frame.nb_samples);
  if (room <= 0) return;
  std::vector<float*> out(static_cast<size_t>(channels_));
  const size_t before = fifo_[0].size();
  for (int c = 0; c < channels_; ++c) {
    fifo_[size_t(c)].resize(before + size_t(room));
    out[size_t(c)] = fifo_[size_t(c)].data() + before;
  }
  const int got = swr_convert(resampler_.get(), reinterpret_cast<uint8_t**>(out.data()), room,
                              const_cast<const uint8_t**>(frame.extended_data), frame.nb_samples);
  if (got < 0) throw MediaError(path_ + ": cannot resample its audio (" + AvErrorText(got) + ")");
  for (auto& plane : fifo_) plane.resize(before + size_t(got));

  // Where this sound belongs on the output's clock: a gap of more than a few
  // milliseconds becomes silence, sound before the start or overlapping what
  // came before is dropped.
  if (frame.best_effort_timestamp != AV_NOPTS_VALUE) {
    const double seconds = static_cast<double>(frame.best_effort_timestamp) * av_q2d(stream_->time_base);
    const int64_t due = std::llround((seconds - startSeconds_) * rate_);
    const int64_t tolerance = rate_ / 200;
    const int64_t at = appended_;
    if (due > at + tolerance) {
      const size_t gap = size_t(std::min<int64_t>(due - at, int64_t{rate_} * 60));
      for (auto& plane : fifo_) plane.insert(plane.begin() + static_cast<ptrdiff_t>(before), gap, 0.0f);
      appended_ += static_cast<int64_t>(gap);
    } else if (due < at - tolerance) {
      const size_t drop = size_t(std::min<int64_t>(at - due, got));
      for (auto& plane : fifo_) {
        plane.erase(plane.begin() + static_cast<ptrdiff_t>(before),
                    plane.begin() + static_cast<ptrdiff_t>(before + drop));
      }
      appended_ -= static_cast<int64_t>(drop);
    }
  }
  appended_ += got;
}

bool AudioTrack::DecodeMore() {
  FramePtr frame = AllocateFrame();
  while (!ended_) {
    const int received = avcodec_receive_frame(decoder_.get(), frame.get());
    if (received >= 0) {
      Append(*frame);
      return true;
    }
    if (received == AVERROR_EOF || (received == AVERROR(EAGAIN) && flushing_)) {
      ended_ = true;
      break;
    }
    if (received != AVERROR(EAGAIN) && received != AVERROR_INVALIDDATA) {
      throw MediaError(path_ + ": decoding its audio failed (" + AvErrorText(received) + ")");
    }
    const int read = av_read_frame(input_.get(), packet_.get());
    if (read < 0) {
      flushing_ = true;
      avcodec_send_packet(decoder_.get(), nullptr);
      continue;
    }
    if (packet_->stream_index == stream_->index) avcodec_send_packet(decoder_.get(), packet_.get());
    av_packet_unref(packet_.get());
  }
  return false;
}

void AudioTrack::Read(size_t count, std::vector<std::vector<float>>& planes) {
  while (fifo_[0].size() < count && DecodeMore()) {
  }
  planes.resize(size_t(channels_));
  for (size_t c = 0; c < planes.size(); ++c) {
    std::vector<float>& fifo = fifo_[c];
    const size_t take = std::min(count, fifo.size());
    planes[c].assign(fifo.begin(), fifo.begin() + static_cast<ptrdiff_t>(take));
    planes[c].resize(count, 0.0f);
    fifo.erase(fifo.begin(), fifo.begin() + static_cast<ptrdiff_t>(take));
  }
}

AudioCrossfade::AudioCrossfade(std::unique_ptr<AudioTrack> a, std::unique_ptr<AudioTrack> b, int sampleRate,
                               int channels, int64_t total)
    : a_(std::move(a)), b_(std::move(b)), channels_(channels), total_(total) {
  if (a_) a_->Convert(sampleRate, channels);
  if (b_) b_->Convert(sampleRate, channels);
}

void AudioCrossfade::Mix(size_t count, std::vector<std::vector<float>>& planes) {
  planes.assign(size_t(channels_), std::vector<float>(count, 0.0f));
  if (a_ && b_) {
    a_->Read(count, planes);
    b_->Read(count, scratch_);
    const double last = static_cast<double>(std::max<int64_t>(total_ - 1, 1));
    for (size_t i = 0; i < count; ++i) {
      const double t = std::min(1.0, static_cast<double>(mixed_ + static_cast<int64_t>(i)) / last);
      const float gainA = static_cast<float>(std::cos(t * M_PI / 2)),
                  gainB = static_cast<float>(std::sin(t * M_PI / 2));
      for (size_t c = 0; c < planes.size(); ++c) planes[c][i] = planes[c][i] * gainA + scratch_[c][i] * gainB;
    }
  } else {
    (a_ ? a_ : b_)->Read(count, planes);
  }
  mixed_ += static_cast<int64_t>(count);
}

}  // namespace kavro
