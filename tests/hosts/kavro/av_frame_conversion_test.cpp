// Decoded pictures to the plug-in's packed 4:2:2: chroma siting as declared,
// deeper samples rounded, full range and other matrices mapped.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "media/ColourConversion.h"
#include "media/Y4m.h"
#include "media/av/AvFrameConversion.h"

extern "C" {
#include <libavutil/imgutils.h>
}

using namespace kavro;

namespace {

FramePtr MakeFrame(AVPixelFormat format, int width, int height) {
  FramePtr frame = AllocateFrame();
  frame->format = format;
  frame->width = width;
  frame->height = height;
  EXPECT_GE(av_frame_get_buffer(frame.get(), 0), 0);
  return frame;
}

Picture Packed(const AVFrame& frame, const PictureColour& colour, int outputMatrix) {
  const PackedLayout layout(static_cast<uint32_t>(frame.width), static_cast<uint32_t>(frame.height));
  std::vector<uint8_t> packed(layout.bufferBytes());
  PackAvFrame(frame, colour, outputMatrix, layout, packed.data());
  return UnpackPicture(packed.data(), layout);
}

// Every plane of the frame from seeded random bytes, and the same bytes as
// YUV4MPEG2 planes.
std::vector<uint8_t> FillRandom(AVFrame& frame, int chromaWidth, int chromaHeight, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> planes;
  const int widths[3] = {frame.width, chromaWidth, chromaWidth};
  const int heights[3] = {frame.height, chromaHeight, chromaHeight};
  for (int p = 0; p < 3; ++p) {
    for (int row = 0; row < heights[p]; ++row) {
      for (int x = 0; x < widths[p]; ++x) {
        const uint8_t value = static_cast<uint8_t>(16 + random() % 220);
        frame.data[p][row * frame.linesize[p] + x] = value;
        planes.push_back(value);
      }
    }
  }
  return planes;
}

TEST(AvFrameConversion, Reads420ChromaAtTheSitingItDeclares) {
  const std::pair<AVChromaLocation, Y4mChroma> sitings[] = {{AVCHROMA_LOC_LEFT, Y4mChroma::k420Mpeg2},
                                                            {AVCHROMA_LOC_CENTER, Y4mChroma::k420Jpeg},
                                                            {AVCHROMA_LOC_TOPLEFT, Y4mChroma::k420PalDv}};
  for (const auto& [location, chroma] : sitings) {
    FramePtr frame = MakeFrame(AV_PIX_FMT_YUV420P, 10, 6);
    const std::vector<uint8_t> planes = FillRandom(*frame, 5, 3, 3);
    frame->chroma_location = location;
    Y4mFormat format;
    format.width = 10;
    format.height = 6;
    format.chroma = chroma;
    PictureColour colour;
    EXPECT_EQ(Packed(*frame, colour, AVCOL_SPC_BT709), Y4mPlanesToPicture(format, planes.data()))
        << static_cast<int>(location);
  }
}

TEST(AvFrameConversion, RoundsTenBitSamplesToEight) {
  FramePtr frame = MakeFrame(AV_PIX_FMT_YUV422P10LE, 4, 2);
  const uint16_t luma[4] = {402, 401, 940, 1023}, blue[2] = {514, 513}, red[2] = {448, 64};
  for (int row = 0; row < 2; ++row) {
    auto* y = reinterpret_cast<uint16_t*>(frame->data[0] + row * frame->linesize[0]);
    auto* cb = reinterpret_cast<uint16_t*>(frame->data[1] + row * frame->linesize[1]);
    auto* cr = reinterpret_cast<uint16_t*>(frame->data[2] + row * frame->linesize[2]);
    for (int x = 0; x < 4; ++x) y[x] = luma[x];
    for (int x = 0; x < 2; ++x) {
      cb[x] = blue[x];
      cr[x] = red[x];
    }
  }
  const Picture picture = Packed(*frame, PictureColour(), AVCOL_SPC_BT709);
  EXPECT_EQ(picture.y, (std::vector<uint8_t>{101, 100, 235, 255, 101, 100, 235, 255}));
  EXPECT_EQ(picture.cb, (std::vector<uint8_t>{129, 128, 129, 128}));
  EXPECT_EQ(picture.cr, (std::vector<uint8_t>{112, 16, 112, 16}));
}

// Full-range BT.601 samples of R'G'B' colours come out as the media
// library's BT.709 limited-range samples of the same colours.
TEST(AvFrameConversion, MapsFullRangeBt601ToTheOutputsLimitedRangeMatrix) {
  const int colours[][3] = {{200, 20, 100}, {0, 0, 0}, {255, 255, 255}, {30, 200, 60}, {10, 40, 230}};
  for (const auto& rgb : colours) {
    FramePtr frame = MakeFrame(AV_PIX_FMT_YUV444P, 2, 1);
    const double y = 0.299 * rgb[0] + 0.587 * rgb[1] + 0.114 * rgb[2];
    for (int x = 0; x < 2; ++x) {
      frame->data[0][x] = static_cast<uint8_t>(std::lround(y));
      frame->data[1][x] = static_cast<uint8_t>(std::clamp<long>(std::lround(128 + (rgb[2] - y) / 1.772), 0, 255));
      frame->data[2][x] = static_cast<uint8_t>(std::clamp<long>(std::lround(128 + (rgb[0] - y) / 1.402), 0, 255));
    }
    frame->colorspace = AVCOL_SPC_BT470BG;
    frame->color_range = AVCOL_RANGE_JPEG;
    const Picture picture = Packed(*frame, PictureColour(), AVCOL_SPC_BT709);
    const YCbCr expected = RgbToYCbCr(rgb[0], rgb[1], rgb[2]);
    EXPECT_NEAR(picture.y[0], expected.y, 1) << rgb[0] << " " << rgb[1] << " " << rgb[2];
    EXPECT_NEAR(picture.cb[0], expected.cb, 1) << rgb[0] << " " << rgb[1] << " " << rgb[2];
    EXPECT_NEAR(picture.cr[0], expected.cr, 1) << rgb[0] << " " << rgb[1] << " " << rgb[2];
  }
}

TEST(AvFrameConversion, FillsTheGapsOfAStreamsDescription) {
  AVCodecParameters* parameters = avcodec_parameters_alloc();
  parameters->height = 576;
  parameters->format = AV_PIX_FMT_YUVJ420P;
  PictureColour colour = DescribePictures(*parameters);
  EXPECT_EQ(colour.matrix, AVCOL_SPC_SMPTE170M);
  EXPECT_TRUE(colour.fullRange);
  EXPECT_EQ(colour.chromaLocation, AVCHROMA_LOC_LEFT);
  parameters->height = 1080;
  parameters->format = AV_PIX_FMT_YUV420P;
  parameters->chroma_location = AVCHROMA_LOC_CENTER;
  colour = DescribePictures(*parameters);
  EXPECT_EQ(colour.matrix, AVCOL_SPC_BT709);
  EXPECT_FALSE(colour.fullRange);
  EXPECT_EQ(colour.chromaLocation, AVCHROMA_LOC_CENTER);
  avcodec_parameters_free(&parameters);
}

}  // namespace
