// Small clips the FFmpeg tests make and read back through the same
// libraries kavro uses, so no media file is committed.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

extern "C" {
#include <libavutil/pixfmt.h>
#include <libavutil/rational.h>
}

#include "media/Picture.h"

struct ClipSpec {
  std::string path;  // the container by its name
  std::string codec = "ffv1";
  AVPixelFormat pixelFormat = AV_PIX_FMT_YUV422P;
  int width = 64, height = 48;
  AVRational rate = {25, 1};
  int frames = 10;
  int gop = 0;  // 0: the codec's own
  // Frame i's timestamp in 1/1000 s, for a variable rate; unset: i / rate.
  std::function<int64_t(int)> millisecond;
  AVColorSpace matrix = AVCOL_SPC_BT709;
  AVColorPrimaries primaries = AVCOL_PRI_UNSPECIFIED;
  AVColorTransferCharacteristic transfer = AVCOL_TRC_UNSPECIFIED;
  bool fullRange = false;
  std::vector<std::pair<std::string, std::string>> codecOptions;
  // Frame i as 4:2:2 samples, converted to pixelFormat as they are (same
  // range); unset: a gray picture.
  std::function<kavro::Picture(int)> picture;
  double clockwiseRotation = 0;  // display matrix side data, as phones write it
  bool video = true;
  // A sine tone of this frequency and peak level for as long as the video.
  double toneHz = 0, toneLevel = 0;
  double toneSeconds = 0;    // the tone stops there (silence after); 0: it never does
  double clickSeconds = -1;  // instead of the tone, silence with a 1 ms click at toneLevel there
  int sampleRate = 48000;
  std::string audioCodec = "flac";
  double audioSeconds = 0;  // without video: the tone's length
};

// Writes the clip; fails the test (and returns false) when it cannot.
bool WriteClip(const ClipSpec& wanted);

// H.264 4:2:0 of `frames` frames at `path`, as phones and cameras write it.
ClipSpec H264Clip(const std::string& path, int frames);

struct ClipReading {
  bool opened = false;
  int width = 0, height = 0;
  AVRational rate = {0, 1};
  double duration = 0;  // the container's, in seconds
  std::string videoCodec, pixelFormat;
  bool fullRange = false;
  std::vector<kavro::Picture> pictures;  // every decoded frame, as 4:2:2 8-bit samples
  std::vector<double> pictureSeconds;    // each one's timestamp
  // The video stream's tags and the first decoded frame's, as H.273 code points.
  struct Colour {
    int matrix = 0, primaries = 0, transfer = 0, range = 0;
  } streamColour, frameColour;
  bool hasAudio = false;
  int sampleRate = 0;
  std::vector<float> audio;      // the first channel
  double audioStartSeconds = 0;  // the first decoded sample's timestamp
  // Packets cut short or refused by their decoder, as a failed write can leave.
  int damagedPackets = 0;
  bool endedEarly = false;  // the demuxer failed before the end of the file
};

ClipReading ReadClip(const std::string& path);

// When the first picture brighter than mid-gray and the first sample louder
// than half scale are shown, by their timestamps; -1 where there is none.
struct FlashAndClick {
  double flash = -1, click = -1;
};
FlashAndClick FindFlashAndClick(const ClipReading& reading);

// An MPEG-TS file whose video stream is of a codec this build's libavcodec
// cannot decode (AVS2, or AVS3), its packets noise. Returns the codec's
// name, or empty when the build decodes both.
std::string WriteUndecodableClip(const std::string& path);

// A flat picture of these samples.
kavro::Picture FlatPicture(int width, int height, uint8_t y, uint8_t cb, uint8_t cr);

// The level of a frequency in a window of samples (a sine's peak level).
double ToneLevel(const std::vector<float>& samples, size_t from, size_t count, double hz, int sampleRate);
