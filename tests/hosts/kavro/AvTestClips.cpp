#include "AvTestClips.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/display.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

namespace {

struct Writer {
  AVFormatContext* output = nullptr;
  AVCodecContext* video = nullptr;
  AVCodecContext* audio = nullptr;
  AVStream* videoStream = nullptr;
  AVStream* audioStream = nullptr;
  AVPacket* packet = av_packet_alloc();

  ~Writer() {
    avcodec_free_context(&video);
    avcodec_free_context(&audio);
    if (output && output->pb) avio_closep(&output->pb);
    avformat_free_context(output);
    av_packet_free(&packet);
  }

  bool Send(AVCodecContext* codec, AVStream* stream, const AVFrame* frame) {
    if (avcodec_send_frame(codec, frame) < 0) return false;
    while (avcodec_receive_packet(codec, packet) == 0) {
      if (packet->duration == 0 && codec->codec_type == AVMEDIA_TYPE_VIDEO) packet->duration = 1;
      av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
      packet->stream_index = stream->index;
      if (av_interleaved_write_frame(output, packet) < 0) return false;
    }
    return true;
  }
};

AVStream* AddStream(AVFormatContext* output, AVCodecContext* codec) {
  AVStream* stream = avformat_new_stream(output, nullptr);
  avcodec_parameters_from_context(stream->codecpar, codec);
  stream->time_base = codec->time_base;
  return stream;
}

bool WriteVideo(const ClipSpec& wanted, Writer& w) {
  AVFrame* frame = av_frame_alloc();
  frame->format = wanted.pixelFormat;
  frame->width = wanted.width;
  frame->height = wanted.height;
  bool good = av_frame_get_buffer(frame, 0) >= 0;
  SwsContext* scaler = sws_getContext(wanted.width, wanted.height, AV_PIX_FMT_YUV422P, wanted.width, wanted.height,
                                      wanted.pixelFormat, SWS_POINT | SWS_BITEXACT, nullptr, nullptr, nullptr);
  for (int i = 0; good && i < wanted.frames; ++i) {
    const kavro::Picture picture =
        wanted.picture ? wanted.picture(i) : FlatPicture(wanted.width, wanted.height, 128, 128, 128);
    const uint8_t* planes[4] = {picture.y.data(), picture.cb.data(), picture.cr.data(), nullptr};
    const int strides[4] = {picture.width, picture.chromaWidth(), picture.chromaWidth(), 0};
    good = av_frame_make_writable(frame) >= 0;
    if (wanted.pixelFormat == AV_PIX_FMT_YUV422P) {
      av_image_copy(frame->data, frame->linesize, planes, strides, AV_PIX_FMT_YUV422P, wanted.width, wanted.height);
    } else {
      const int* table = sws_getCoefficients(SWS_CS_DEFAULT);
      sws_setColorspaceDetails(scaler, table, wanted.fullRange, table, wanted.fullRange, 0, 1 << 16, 1 << 16);
      sws_scale(scaler, planes, strides, 0, wanted.height, frame->data, frame->linesize);
    }
    frame->pts = wanted.millisecond ? wanted.millisecond(i) : i;
    good = good && w.Send(w.video, w.videoStream, frame);
  }
  sws_freeContext(scaler);
  av_frame_free(&frame);
  return good && w.Send(w.video, w.videoStream, nullptr);
}

bool WriteAudio(const ClipSpec& wanted, Writer& w) {
  const double seconds = wanted.video ? wanted.frames * av_q2d(av_inv_q(wanted.rate)) : wanted.audioSeconds;
  const int64_t total = std::llround(seconds * wanted.sampleRate);
  const int chunk = w.audio->frame_size > 0 ? w.audio->frame_size : 1024;
  AVFrame* frame = av_frame_alloc();
  bool good = true;
  for (int64_t at = 0; good && at < total; at += chunk) {
    frame->nb_samples = static_cast<int>(std::min<int64_t>(chunk, total - at));
    frame->format = w.audio->sample_fmt;
    frame->sample_rate = wanted.sampleRate;
    av_channel_layout_copy(&frame->ch_layout, &w.audio->ch_layout);
    good = av_frame_get_buffer(frame, 0) >= 0;
    for (int i = 0; good && i < frame->nb_samples; ++i) {
      const double time = double(at + i) / wanted.sampleRate;
      const bool sounding = wanted.toneSeconds == 0 || time < wanted.toneSeconds;
      double value = sounding ? wanted.toneLevel * std::sin(2 * M_PI * wanted.toneHz * time) : 0;
      if (wanted.clickSeconds >= 0) {
        value = time >= wanted.clickSeconds && time < wanted.clickSeconds + 0.001 ? wanted.toneLevel : 0;
      }
      switch (w.audio->sample_fmt) {
        case AV_SAMPLE_FMT_S16:
          reinterpret_cast<int16_t*>(frame->data[0])[i] = static_cast<int16_t>(std::lround(value * 32767));
          break;
        case AV_SAMPLE_FMT_S32:
          reinterpret_cast<int32_t*>(frame->data[0])[i] = static_cast<int32_t>(std::lround(value * 2147483647.0));
          break;
        default:
          reinterpret_cast<float*>(frame->data[0])[i] = static_cast<float>(value);
      }
    }
    frame->pts = at;
    good = good && w.Send(w.audio, w.audioStream, frame);
    av_frame_unref(frame);
  }
  av_frame_free(&frame);
  return good && w.Send(w.audio, w.audioStream, nullptr);
}

}  // namespace

kavro::Picture FlatPicture(int width, int height, uint8_t y, uint8_t cb, uint8_t cr) {
  kavro::Picture picture(width, height);
  std::fill(picture.y.begin(), picture.y.end(), y);
  std::fill(picture.cb.begin(), picture.cb.end(), cb);
  std::fill(picture.cr.begin(), picture.cr.end(), cr);
  return picture;
}

bool WriteClip(const ClipSpec& wanted) {
  av_log_set_level(AV_LOG_ERROR);
  Writer w;
  if (avformat_alloc_output_context2(&w.output, nullptr, nullptr, wanted.path.c_str()) < 0) {
    ADD_FAILURE() << "no container for " << wanted.path;
    return false;
  }
  if (wanted.video) {
    const AVCodec* codec = avcodec_find_encoder_by_name(wanted.codec.c_str());
    if (!codec) {
      ADD_FAILURE() << "no encoder " << wanted.codec;
      return false;
    }
    w.video = avcodec_alloc_context3(codec);
    w.video->width = wanted.width;
    w.video->height = wanted.height;
    w.video->pix_fmt = wanted.pixelFormat;
    w.video->time_base = wanted.millisecond ? AVRational{1, 1000} : av_inv_q(wanted.rate);
    w.video->framerate = wanted.rate;
    w.video->colorspace = wanted.matrix;
    w.video->color_primaries = wanted.primaries;
    w.video->color_trc = wanted.transfer;
    w.video->color_range = wanted.fullRange ? AVCOL_RANGE_JPEG : AVCOL_RANGE_MPEG;
    if (wanted.gop) w.video->gop_size = wanted.gop;
    if (w.output->oformat->flags & AVFMT_GLOBALHEADER) w.video->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    AVDictionary* options = nullptr;
    for (const auto& [name, value] : wanted.codecOptions) av_dict_set(&options, name.c_str(), value.c_str(), 0);
    const int opened = avcodec_open2(w.video, codec, &options);
    av_dict_free(&options);
    if (opened < 0) {
      ADD_FAILURE() << "cannot open " << wanted.codec;
      return false;
    }
    w.videoStream = AddStream(w.output, w.video);
    if (wanted.clockwiseRotation != 0) {
      uint8_t* matrix = av_stream_new_side_data(w.videoStream, AV_PKT_DATA_DISPLAYMATRIX, 9 * sizeof(int32_t));
      av_display_rotation_set(reinterpret_cast<int32_t*>(matrix), -wanted.clockwiseRotation);
    }
  }
  if (wanted.toneLevel > 0) {
    const AVCodec* codec = avcodec_find_encoder_by_name(wanted.audioCodec.c_str());
    w.audio = avcodec_alloc_context3(codec);
    w.audio->sample_rate = wanted.sampleRate;
    w.audio->sample_fmt = codec->sample_fmts[0];
    av_channel_layout_default(&w.audio->ch_layout, 1);
    w.audio->time_base = AVRational{1, wanted.sampleRate};
    if (w.output->oformat->flags & AVFMT_GLOBALHEADER) w.audio->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (avcodec_open2(w.audio, codec, nullptr) < 0) {
      ADD_FAILURE() << "cannot open " << wanted.audioCodec;
      return false;
    }
    w.audioStream = AddStream(w.output, w.audio);
  }
  if (avio_open(&w.output->pb, wanted.path.c_str(), AVIO_FLAG_WRITE) < 0 ||
      avformat_write_header(w.output, nullptr) < 0) {
    ADD_FAILURE() << "cannot write " << wanted.path;
    return false;
  }
  const bool good =
      (!w.video || WriteVideo(wanted, w)) && (!w.audio || WriteAudio(wanted, w)) && av_write_trailer(w.output) >= 0;
  EXPECT_TRUE(good) << "writing " << wanted.path;
  return good;
}

ClipSpec H264Clip(const std::string& path, int frames) {
  ClipSpec clip;
  clip.path = path;
  clip.codec = "libx264";
  clip.pixelFormat = AV_PIX_FMT_YUV420P;
  clip.frames = frames;
  return clip;
}

ClipReading ReadClip(const std::string& path) {
  ClipReading reading;
  AVFormatContext* input = nullptr;
  if (avformat_open_input(&input, path.c_str(), nullptr, nullptr) < 0) return reading;
  avformat_find_stream_info(input, nullptr);
  reading.opened = true;
  reading.duration = input->duration != AV_NOPTS_VALUE ? double(input->duration) / AV_TIME_BASE : 0;
  const int videoIndex = av_find_best_stream(input, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  const int audioIndex = av_find_best_stream(input, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
  AVCodecContext* decoders[2] = {};
  const int indices[2] = {videoIndex, audioIndex};
  for (int k = 0; k < 2; ++k) {
    if (indices[k] < 0) continue;
    const AVStream* stream = input->streams[indices[k]];
    decoders[k] = avcodec_alloc_context3(avcodec_find_decoder(stream->codecpar->codec_id));
    avcodec_parameters_to_context(decoders[k], stream->codecpar);
    decoders[k]->pkt_timebase = stream->time_base;
    avcodec_open2(decoders[k], nullptr, nullptr);
  }
  if (videoIndex >= 0) {
    const AVStream* stream = input->streams[videoIndex];
    reading.width = stream->codecpar->width;
    reading.height = stream->codecpar->height;
    reading.rate = stream->avg_frame_rate;
    reading.videoCodec = avcodec_get_name(stream->codecpar->codec_id);
    const char* name = av_get_pix_fmt_name(static_cast<AVPixelFormat>(stream->codecpar->format));
    reading.pixelFormat = name ? name : "";
    reading.fullRange = stream->codecpar->color_range == AVCOL_RANGE_JPEG;
    reading.streamColour = {stream->codecpar->color_space, stream->codecpar->color_primaries,
                            stream->codecpar->color_trc, stream->codecpar->color_range};
  }
  if (audioIndex >= 0) {
    reading.hasAudio = true;
    reading.sampleRate = input->streams[audioIndex]->codecpar->sample_rate;
  }
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  auto drain = [&](int k) {
    while (avcodec_receive_frame(decoders[k], frame) == 0) {
      if (k == 0) {
        kavro::Picture picture(frame->width, frame->height);
        uint8_t* planes[4] = {picture.y.data(), picture.cb.data(), picture.cr.data(), nullptr};
        int strides[4] = {picture.width, picture.chromaWidth(), picture.chromaWidth(), 0};
        // The samples as they are: a JPEG format read as its plain twin.
        AVPixelFormat format = static_cast<AVPixelFormat>(frame->format);
        if (format == AV_PIX_FMT_YUVJ420P) format = AV_PIX_FMT_YUV420P;
        if (format == AV_PIX_FMT_YUVJ422P) format = AV_PIX_FMT_YUV422P;
        if (format == AV_PIX_FMT_YUVJ444P) format = AV_PIX_FMT_YUV444P;
        SwsContext* scaler = sws_getContext(frame->width, frame->height, format, frame->width, frame->height,
                                            AV_PIX_FMT_YUV422P, SWS_POINT | SWS_BITEXACT, nullptr, nullptr, nullptr);
        sws_scale(scaler, frame->data, frame->linesize, 0, frame->height, planes, strides);
        sws_freeContext(scaler);
        if (reading.pictures.empty()) {
          reading.frameColour = {frame->colorspace, frame->color_primaries, frame->color_trc, frame->color_range};
        }
        reading.pictures.push_back(std::move(picture));
        reading.pictureSeconds.push_back(double(frame->best_effort_timestamp) *
                                         av_q2d(input->streams[videoIndex]->time_base));
      } else {
        if (reading.audio.empty()) {
          reading.audioStartSeconds =
              double(frame->best_effort_timestamp) * av_q2d(input->streams[audioIndex]->time_base);
        }
        for (int i = 0; i < frame->nb_samples; ++i) {
          float value = 0;
          switch (frame->format) {
            case AV_SAMPLE_FMT_S16:
            case AV_SAMPLE_FMT_S16P:
              value = reinterpret_cast<const int16_t*>(frame->data[0])[i] / 32768.0f;
              break;
            case AV_SAMPLE_FMT_S32:
            case AV_SAMPLE_FMT_S32P:
              value = static_cast<float>(reinterpret_cast<const int32_t*>(frame->data[0])[i] / 2147483648.0);
              break;
            default:
              value = reinterpret_cast<const float*>(frame->data[0])[i];
          }
          reading.audio.push_back(value);
        }
      }
    }
  };
  int read = 0;
  while ((read = av_read_frame(input, packet)) >= 0) {
    for (int k = 0; k < 2; ++k) {
      if (decoders[k] && packet->stream_index == indices[k]) {
        if ((packet->flags & AV_PKT_FLAG_CORRUPT) || avcodec_send_packet(decoders[k], packet) < 0) {
          ++reading.damagedPackets;
        }
        drain(k);
      }
    }
    av_packet_unref(packet);
  }
  reading.endedEarly = read != AVERROR_EOF;
  for (int k = 0; k < 2; ++k) {
    if (!decoders[k]) continue;
    avcodec_send_packet(decoders[k], nullptr);
    drain(k);
    avcodec_free_context(&decoders[k]);
  }
  av_frame_free(&frame);
  av_packet_free(&packet);
  avformat_close_input(&input);
  return reading;
}

FlashAndClick FindFlashAndClick(const ClipReading& reading) {
  FlashAndClick found;
  for (size_t i = 0; i < reading.pictures.size() && found.flash < 0; ++i) {
    const std::vector<uint8_t>& y = reading.pictures[i].y;
    if (!y.empty() && y[y.size() / 2] > 128) found.flash = reading.pictureSeconds[i];
  }
  for (size_t i = 0; i < reading.audio.size() && found.click < 0; ++i) {
    if (std::abs(reading.audio[i]) > 0.5f) found.click = reading.audioStartSeconds + double(i) / reading.sampleRate;
  }
  return found;
}

std::string WriteUndecodableClip(const std::string& path) {
  AVCodecID codec = AV_CODEC_ID_NONE;
  for (AVCodecID candidate : {AV_CODEC_ID_AVS2, AV_CODEC_ID_AVS3}) {
    if (!avcodec_find_decoder(candidate)) {
      codec = candidate;
      break;
    }
  }
  if (codec == AV_CODEC_ID_NONE) return "";
  AVFormatContext* output = nullptr;
  if (avformat_alloc_output_context2(&output, nullptr, "mpegts", path.c_str()) < 0) return "";
  AVStream* stream = avformat_new_stream(output, nullptr);
  stream->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
  stream->codecpar->codec_id = codec;
  stream->codecpar->width = 64;
  stream->codecpar->height = 48;
  stream->time_base = AVRational{1, 25};
  bool good = avio_open(&output->pb, path.c_str(), AVIO_FLAG_WRITE) >= 0 && avformat_write_header(output, nullptr) >= 0;
  std::mt19937 random(7);
  for (int i = 0; good && i < 10; ++i) {
    AVPacket* packet = av_packet_alloc();
    good = av_new_packet(packet, 200) >= 0;
    for (int b = 0; good && b < 200; ++b) packet->data[b] = static_cast<uint8_t>(random());
    packet->pts = packet->dts = av_rescale_q(i, AVRational{1, 25}, stream->time_base);
    packet->stream_index = 0;
    good = good && av_interleaved_write_frame(output, packet) >= 0;
    av_packet_free(&packet);
  }
  good = good && av_write_trailer(output) >= 0;
  avio_closep(&output->pb);
  avformat_free_context(output);
  EXPECT_TRUE(good) << "writing " << path;
  return avcodec_get_name(codec);
}

double ToneLevel(const std::vector<float>& samples, size_t from, size_t count, double hz, int sampleRate) {
  double sine = 0, cosine = 0;
  for (size_t i = from; i < from + count && i < samples.size(); ++i) {
    const double phase = 2 * M_PI * hz * double(i) / sampleRate;
    sine += samples[i] * std::sin(phase);
    cosine += samples[i] * std::cos(phase);
  }
  return 2 * std::sqrt(sine * sine + cosine * cosine) / double(count);
}
