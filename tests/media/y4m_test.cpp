// YUV4MPEG2 headers, frames, round trips and damaged streams.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "ScratchFiles.h"
#include "media/Y4mPacked.h"
#include "media/Y4mReader.h"

using namespace kavro;

namespace {

struct Closer {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, Closer>;

File OpenWith(const std::string& folder, const std::string& bytes) {
  const std::string path = folder + "stream.y4m";
  WriteBytes(path, bytes);
  return File(std::fopen(path.c_str(), "rb"));
}

std::string MessageOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const MediaError& error) {
    return error.what();
  }
  return "(no error)";
}

Picture RandomPicture(int width, int height, unsigned seed) {
  std::mt19937 random(seed);
  Picture picture(width, height);
  for (auto* plane : {&picture.y, &picture.cb, &picture.cr}) {
    for (uint8_t& value : *plane) value = static_cast<uint8_t>(random());
  }
  return picture;
}

TEST(Y4mHeader, ReadsEveryTagAndSkipsUnknownOnes) {
  Y4mFormat format = ParseY4mHeader("YUV4MPEG2 W720 H576 F25000:1001 It A16:15 C444 XYSCSS=444 Zfuture", "a.y4m");
  EXPECT_EQ(format.width, 720);
  EXPECT_EQ(format.height, 576);
  EXPECT_EQ(format.rateNumerator, 25000u);
  EXPECT_EQ(format.rateDenominator, 1001u);
  EXPECT_EQ(format.interlace, 't');
  EXPECT_EQ(format.aspectNumerator, 16u);
  EXPECT_EQ(format.aspectDenominator, 15u);
  EXPECT_EQ(format.chroma, Y4mChroma::k444);
}

TEST(Y4mHeader, DefaultsTo420jpegAndReadsEveryChromaName) {
  EXPECT_EQ(ParseY4mHeader("YUV4MPEG2 W2 H2", "a").chroma, Y4mChroma::k420Jpeg);
  EXPECT_EQ(ParseY4mHeader("YUV4MPEG2 W2 H2 C420", "a").chroma, Y4mChroma::k420Jpeg);
  EXPECT_EQ(ParseY4mHeader("YUV4MPEG2 W2 H2 C420jpeg", "a").chroma, Y4mChroma::k420Jpeg);
  EXPECT_EQ(ParseY4mHeader("YUV4MPEG2 W2 H2 C420mpeg2", "a").chroma, Y4mChroma::k420Mpeg2);
  EXPECT_EQ(ParseY4mHeader("YUV4MPEG2 W2 H2 C420paldv", "a").chroma, Y4mChroma::k420PalDv);
  EXPECT_EQ(ParseY4mHeader("YUV4MPEG2 W2 H2 C422", "a").chroma, Y4mChroma::k422);
}

TEST(Y4mHeader, RefusesWhatItCannotReadWithTheReason) {
  const std::pair<const char*, const char*> cases[] = {
      {"YUV4MPEG W2 H2", "a.y4m: not a YUV4MPEG2 stream"},
      {"YUV4MPEG2X W2 H2", "not a YUV4MPEG2 stream"},
      {"YUV4MPEG2 H2 C422", "gives no W"},
      {"YUV4MPEG2 W2 C422", "gives no H"},
      {"YUV4MPEG2 W0 H2", "bad header tag 'W0'"},
      {"YUV4MPEG2 W2x H2", "bad header tag 'W2x'"},
      {"YUV4MPEG2 W99999 H2", "bad header tag 'W99999'"},
      {"YUV4MPEG2 W2 H2 F25", "bad header tag 'F25'"},
      {"YUV4MPEG2 W2 H2 F25:0", "bad header tag 'F25:0'"},
      {"YUV4MPEG2 W2 H2 Iq", "bad header tag 'Iq'"},
      {"YUV4MPEG2 W2 H2 C420p10", "colour space C420p10 is not supported"},
      {"YUV4MPEG2 W2 H2 Cmono", "colour space Cmono is not supported"},
      {"YUV4MPEG2 W16384 H16384", "unsupported picture size 16384x16384"},
  };
  for (const auto& [line, message] : cases) {
    EXPECT_NE(MessageOf([&] { ParseY4mHeader(line, "a.y4m"); }).find(message), std::string::npos) << line;
  }
}

TEST(Y4mHeader, FormatsWhatItParses) {
  Y4mFormat format;
  format.width = 640;
  format.height = 360;
  format.rateNumerator = 30000;
  format.rateDenominator = 1001;
  format.aspectNumerator = 1;
  format.aspectDenominator = 1;
  format.chroma = Y4mChroma::k422;
  const std::string text = FormatY4mHeader(format);
  EXPECT_EQ(text, "YUV4MPEG2 W640 H360 F30000:1001 Ip A1:1 C422\n");
  EXPECT_EQ(ParseY4mHeader(text.substr(0, text.size() - 1), "x"), format);
}

TEST(Y4mFrames, PlaneSizesFollowTheSubsampling) {
  Y4mFormat format = ParseY4mHeader("YUV4MPEG2 W5 H3", "a");
  EXPECT_EQ(Y4mFrameBytes(format), 15u + 2 * 3 * 2);
  format.chroma = Y4mChroma::k422;
  EXPECT_EQ(Y4mFrameBytes(format), 15u + 2 * 3 * 3);
  format.chroma = Y4mChroma::k444;
  EXPECT_EQ(Y4mFrameBytes(format), 15u * 3);
}

TEST(Y4mFrames, Planes422AreTakenAsTheyAreWithOpaqueAlpha) {
  Y4mFormat format = ParseY4mHeader("YUV4MPEG2 W4 H1 C422", "a");
  const uint8_t planes[8] = {1, 2, 3, 4, 10, 11, 20, 21};
  Picture picture = Y4mPlanesToPicture(format, planes);
  EXPECT_EQ(picture.y, (std::vector<uint8_t>{1, 2, 3, 4}));
  EXPECT_EQ(picture.cb, (std::vector<uint8_t>{10, 11}));
  EXPECT_EQ(picture.cr, (std::vector<uint8_t>{20, 21}));
  EXPECT_EQ(picture.alpha, (std::vector<uint8_t>(4, 255)));
}

TEST(Y4mFrames, Planes444AreFilteredOntoTheEvenColumns) {
  Y4mFormat format = ParseY4mHeader("YUV4MPEG2 W4 H1 C444", "a");
  const uint8_t planes[12] = {1, 2, 3, 4, 0, 80, 160, 240, 240, 160, 80, 0};
  Picture picture = Y4mPlanesToPicture(format, planes);
  // (0 + 0 + 80) / 4 and (80 + 320 + 240) / 4; (240 + 480 + 160) / 4 and (160 + 160 + 0) / 4.
  EXPECT_EQ(picture.cb, (std::vector<uint8_t>{20, 160}));
  EXPECT_EQ(picture.cr, (std::vector<uint8_t>{220, 80}));
}

TEST(Y4mFrames, Planes420AreUpsampledAtTheirSiting) {
  Y4mFormat format = ParseY4mHeader("YUV4MPEG2 W4 H4 C420mpeg2", "a");
  std::vector<uint8_t> planes(16, 50);
  const uint8_t chroma[8] = {0, 100, 200, 40, 9, 9, 9, 9};
  planes.insert(planes.end(), chroma, chroma + 8);
  Picture picture = Y4mPlanesToPicture(format, planes.data());
  EXPECT_EQ(picture.cb, (std::vector<uint8_t>{0, 100, 50, 85, 150, 55, 200, 40}));
  EXPECT_EQ(picture.cr, (std::vector<uint8_t>(8, 9)));
}

TEST(Y4mReader, RoundTripsFramesWrittenAs422) {
  const std::string folder = ScratchFolder("y4m_round_trip");
  Y4mFormat format = ParseY4mHeader("YUV4MPEG2 W6 H3 F24:1 A1:1 C422", "a");
  std::string bytes = FormatY4mHeader(format);
  std::vector<Picture> pictures;
  for (unsigned seed = 0; seed < 3; ++seed) {
    pictures.push_back(RandomPicture(6, 3, seed));
    std::vector<uint8_t> frame;
    EncodeY4m422Frame(pictures.back(), frame);
    bytes.append(frame.begin(), frame.end());
  }
  File file = OpenWith(folder, bytes);
  Y4mReader reader(file.get(), "round trip");
  EXPECT_EQ(reader.format(), format);
  EXPECT_EQ(reader.CountRemainingFrames(), std::optional<uint64_t>(3));
  std::vector<uint8_t> planes;
  for (const Picture& expected : pictures) {
    ASSERT_TRUE(reader.ReadFrame(planes));
    EXPECT_EQ(Y4mPlanesToPicture(reader.format(), planes.data()), expected);
  }
  EXPECT_FALSE(reader.ReadFrame(planes));
}

TEST(Y4mReader, AcceptsFrameParameters) {
  const std::string folder = ScratchFolder("y4m_frame_parameters");
  File file = OpenWith(folder, "YUV4MPEG2 W2 H1 C444\nFRAME Ixyz\nabcdef");
  Y4mReader reader(file.get(), "a");
  std::vector<uint8_t> planes;
  ASSERT_TRUE(reader.ReadFrame(planes));
  EXPECT_EQ(std::string(planes.begin(), planes.end()), "abcdef");
}

TEST(Y4mReader, NamesTheDamage) {
  const std::string folder = ScratchFolder("y4m_damage");
  const std::string header = "YUV4MPEG2 W2 H1 C444\n";
  const std::pair<std::string, std::string> cases[] = {
      {header + "FRAME\nabcdefFRAME\nabc", "a.y4m: frame 1 is cut short (3 of 6 bytes)"},
      {header + "FRAME\nabcdefFRAMX\nabcdef", "a.y4m: frame 1 does not start with FRAME"},
      {header + "FRAME\nabcdefFRA", "a.y4m: the frame 1 header is cut short"},
  };
  for (const auto& [bytes, message] : cases) {
    File file = OpenWith(folder, bytes);
    Y4mReader reader(file.get(), "a.y4m");
    EXPECT_EQ(MessageOf([&] { reader.CountRemainingFrames(); }), message);
    std::vector<uint8_t> planes;
    EXPECT_TRUE(reader.ReadFrame(planes));
    EXPECT_EQ(MessageOf([&] { reader.ReadFrame(planes); }), message);
  }
  for (const auto& [bytes, message] :
       {std::pair<std::string, std::string>{"", "a.y4m: empty input"},
        {"YUV4MPEG2 W2 H1", "a.y4m: the stream header is cut short"},
        {std::string(5000, 'Y'), "a.y4m: the stream header is longer than 4096 bytes"}}) {
    File file = OpenWith(folder, bytes);
    EXPECT_EQ(MessageOf([&] { Y4mReader(file.get(), "a.y4m"); }), message);
  }
}

std::vector<uint8_t> PlanesOf(const Picture& picture) {
  std::vector<uint8_t> planes(picture.y);
  planes.insert(planes.end(), picture.cb.begin(), picture.cb.end());
  planes.insert(planes.end(), picture.cr.begin(), picture.cr.end());
  return planes;
}

// Widths below, at and past the row loops' steps, with and without row padding.
TEST(Y4mPacked, C422FramesPackAsThroughAPicture) {
  unsigned seed = 40;
  for (const int width : {2, 6, 64, 66, 130}) {
    for (const uint32_t padding : {0u, 6u}) {
      const Picture picture = RandomPicture(width, 3, ++seed);
      const Y4mFormat format = ParseY4mHeader("YUV4MPEG2 W" + std::to_string(width) + " H3 C422", "a");
      const PackedLayout layout(static_cast<uint32_t>(width), 3, padding ? 2 * width + padding : 0);
      ASSERT_TRUE(PacksAsItIs(format, layout));
      std::vector<uint8_t> direct(layout.bufferBytes() + 8, 0xEE), throughPicture(direct);
      PackY4m422Planes(format, PlanesOf(picture).data(), layout, direct.data());
      PackPicture(Y4mPlanesToPicture(format, PlanesOf(picture).data()), layout, throughPicture.data());
      EXPECT_EQ(direct, throughPicture) << width << " wide, padding " << padding;
    }
  }
}

TEST(Y4mPacked, OnlyC422AtTheLayoutsSizePacksAsItIs) {
  const PackedLayout layout(6, 2);
  EXPECT_TRUE(PacksAsItIs(ParseY4mHeader("YUV4MPEG2 W6 H2 C422", "a"), layout));
  EXPECT_FALSE(PacksAsItIs(ParseY4mHeader("YUV4MPEG2 W6 H2 C420", "a"), layout));
  EXPECT_FALSE(PacksAsItIs(ParseY4mHeader("YUV4MPEG2 W6 H2 C444", "a"), layout));
  EXPECT_FALSE(PacksAsItIs(ParseY4mHeader("YUV4MPEG2 W8 H2 C422", "a"), layout));
  EXPECT_FALSE(PacksAsItIs(ParseY4mHeader("YUV4MPEG2 W6 H3 C422", "a"), layout));
  EXPECT_FALSE(PacksAsItIs(ParseY4mHeader("YUV4MPEG2 W5 H2 C422", "a"), PackedLayout(5, 2)));
  EXPECT_FALSE(PacksAsItIs(ParseY4mHeader("YUV4MPEG2 W6 H2 C422", "a"), PackedLayout(6, 2, 10)));
  std::vector<uint8_t> planes(64), frame(64, 0xEE);
  EXPECT_THROW(PackY4m422Planes(ParseY4mHeader("YUV4MPEG2 W8 H2 C422", "a"), planes.data(), layout, frame.data()),
               MediaError);
  EXPECT_EQ(frame, std::vector<uint8_t>(64, 0xEE));
}

// One output buffer from frame to frame, growing and shrinking.
TEST(Y4mPacked, FramesEncodeAsThroughAPicture) {
  std::vector<uint8_t> direct;
  unsigned seed = 60;
  for (const int width : {130, 2, 64, 66}) {
    for (const uint32_t padding : {0u, 6u}) {
      const PackedLayout layout(static_cast<uint32_t>(width), 3, padding ? 2 * width + padding : 0);
      std::vector<uint8_t> frame(layout.bufferBytes());
      std::mt19937 random(++seed);
      for (uint8_t& value : frame) value = static_cast<uint8_t>(random());
      std::vector<uint8_t> throughPicture;
      EncodeY4m422Frame(UnpackPicture(frame.data(), layout), throughPicture);
      EncodeY4m422Packed(frame.data(), layout, direct);
      EXPECT_EQ(direct, throughPicture) << width << " wide, padding " << padding;
    }
  }
}

}  // namespace
