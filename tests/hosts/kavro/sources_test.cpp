// Sources as the transition sees them: what they hold, how long they last,
// what their fetches write and report.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "hosts/kavro/BufferPool.h"
#include "hosts/kavro/DefaultClips.h"
#include "hosts/kavro/Drawing.h"
#include "hosts/kavro/FrameClock.h"
#include "hosts/kavro/SourceFetch.h"
#include "hosts/kavro/Sources.h"
#include "media/ColourConversion.h"
#include "tests/media/ScratchFiles.h"

using namespace kavro;

namespace {

// A 4:2:2 clip of `frames` frames whose luma is the frame number everywhere.
std::string NumberedClip(int width, int height, int frames, const std::string& tags = "C422") {
  std::string bytes = "YUV4MPEG2 W" + std::to_string(width) + " H" + std::to_string(height) + " " + tags + "\n";
  for (int f = 0; f < frames; ++f) {
    bytes += "FRAME\n";
    bytes += std::string(static_cast<size_t>(width) * height, static_cast<char>(f));
    bytes += std::string(static_cast<size_t>((width + 1) / 2) * height * 2, static_cast<char>(128));
  }
  return bytes;
}

std::vector<uint8_t> Render(const SourceFrame& frame, uint32_t width, uint32_t height) {
  PackedLayout layout(width, height);
  std::vector<uint8_t> bytes(layout.bufferBytes());
  frame.Render(layout, bytes.data());
  return bytes;
}

TEST(PictureProportions, ComeFromTheSizeAndThePixelAspect) {
  auto terms = [](Proportions p) { return std::vector<uint32_t>{p.width, p.height}; };
  EXPECT_EQ(terms(PictureProportions(1920, 1080, 0, 0)), (std::vector<uint32_t>{16, 9}));
  EXPECT_EQ(terms(PictureProportions(720, 576, 16, 15)), (std::vector<uint32_t>{4, 3}));
  EXPECT_EQ(terms(PictureProportions(720, 480, 32, 27)), (std::vector<uint32_t>{16, 9}));
  EXPECT_EQ(terms(PictureProportions(7, 3, 1, 1)), (std::vector<uint32_t>{7, 3}));
  const Proportions large = PictureProportions(16383, 16381, 0xFFFFFFFFu, 1);
  EXPECT_GT(large.width, large.height);
  EXPECT_GT(large.height, 0u);
}

TEST(OpenSource, KnowsFilesByTheirFirstBytesAndCountsClips) {
  const std::string folder = ScratchFolder("open_source");
  WriteBytes(folder + "clip.dat", NumberedClip(4, 2, 3, "C422 A16:15"));
  std::unique_ptr<Source> clip = OpenSource(folder + "clip.dat");
  EXPECT_EQ(clip->length(), std::optional<uint64_t>(3));
  EXPECT_EQ(clip->width(), 4);
  EXPECT_EQ(clip->proportions().width, 32u);  // 4 * 16 : 2 * 15
  EXPECT_EQ(clip->proportions().height, 15u);
  ASSERT_NE(clip->y4mFormat(), nullptr);

  std::unique_ptr<Source> still = OpenSource(TestImagePath("rgba.png"));
  EXPECT_EQ(still->length(), std::nullopt);
  EXPECT_EQ(still->y4mFormat(), nullptr);
  EXPECT_EQ(still->proportions().width, 3u);  // 6 x 4
  EXPECT_EQ(still->proportions().height, 2u);
}

TEST(OpenSource, NamesFilesItCannotUse) {
  const std::string folder = ScratchFolder("open_source_bad");
  WriteBytes(folder + "text.y4m", std::string("hello, world"));
  WriteBytes(folder + "empty.y4m", NumberedClip(4, 2, 0));
  WriteBytes(folder + "cut.y4m", NumberedClip(4, 2, 2).substr(0, 60));
  const std::pair<std::string, std::string> cases[] = {
      {folder + "missing.y4m", "cannot open " + folder + "missing.y4m"},
      {folder + "text.y4m", folder + "text.y4m: neither a YUV4MPEG2 file nor a PNG image"},
      {folder + "empty.y4m", folder + "empty.y4m: holds no frames"},
      {folder + "cut.y4m", folder + "cut.y4m: frame 1 is cut short"},
      {TestImagePath("truncated.png"), TestImagePath("truncated.png") + ": not a readable PNG"},
  };
  for (const auto& [path, message] : cases) {
    try {
      OpenSource(path);
      ADD_FAILURE() << path << " was opened";
    } catch (const MediaError& error) {
      EXPECT_EQ(std::string(error.what()).rfind(message, 0), 0u) << error.what();
    }
  }
}

TEST(HeldClip, HoldsTheLastFrameOnceTheClipEnds) {
  const std::string folder = ScratchFolder("held_clip");
  WriteBytes(folder + "two.y4m", NumberedClip(2, 1, 2));
  HeldClip clip(OpenSource(folder + "two.y4m"));
  std::vector<int> lumas;
  for (int i = 0; i < 4; ++i) lumas.push_back(Render(*clip.Next(), 2, 1)[0]);
  EXPECT_EQ(lumas, (std::vector<int>{0, 1, 1, 1}));

  HeldClip still(OpenSource(TestImagePath("pattern.png")));
  EXPECT_EQ(still.Next(), still.Next());
}

TEST(FrameClock, PicksTheFrameShownAtEachOutputTimeAndCountsTheTimesWithinAClip) {
  auto frames = [](const FrameClock& clock, int count) {
    std::vector<uint64_t> picked;
    for (int i = 0; i < count; ++i) picked.push_back(clock.ClipFrameAt(static_cast<uint64_t>(i)));
    return picked;
  };
  EXPECT_EQ(frames(FrameClock(25, 1, 50, 1), 4), (std::vector<uint64_t>{0, 2, 4, 6}));
  EXPECT_EQ(frames(FrameClock(50, 1, 25, 1), 5), (std::vector<uint64_t>{0, 0, 1, 1, 2}));
  // 25 fps at 29.97 fps: 25025 / 30000 of a clip frame per output frame.
  EXPECT_EQ(frames(FrameClock(30000, 1001, 25, 1), 8), (std::vector<uint64_t>{0, 0, 1, 2, 3, 4, 5, 5}));
  EXPECT_TRUE(FrameClock(50, 2, 25, 1).SameRate());
  EXPECT_FALSE(FrameClock(25, 1, 50, 1).SameRate());
  // Every output frame that starts before the clip's end, the last one too.
  EXPECT_EQ(FrameClock(25, 1, 50, 1).OutputFramesWithin(40), 20u);
  EXPECT_EQ(FrameClock(25, 1, 50, 1).OutputFramesWithin(41), 21u);
  EXPECT_EQ(FrameClock(50, 1, 25, 1).OutputFramesWithin(10), 20u);
  EXPECT_EQ(FrameClock(30000, 1001, 25, 1).OutputFramesWithin(25), 30u);
  // Rates a header may declare, whose products pass 64 bits.
  const FrameClock odd(30000, 1001, 4294967295u, 4294967294u);
  EXPECT_EQ(odd.ClipFrameAt(1000000000), 33366666u);
  EXPECT_EQ(odd.OutputFramesWithin(1000000000), 29970029964u);
}

struct Sampled {
  std::optional<uint64_t> length;
  uint32_t rateNumerator = 0, rateDenominator = 0;
  std::vector<int> lumas;
};

Sampled Sample(const std::string& path, uint32_t rateNumerator, uint32_t rateDenominator, int frames,
               double startSeconds = 0, bool rateOfAClip = true) {
  SourcePlacement placement;
  placement.startSeconds = startSeconds;
  placement.rateNumerator = rateNumerator;
  placement.rateDenominator = rateDenominator;
  placement.rateOfAClip = rateOfAClip;
  HeldClip clip(OpenSource(path, placement));
  Sampled sampled;
  sampled.length = clip.source().length();
  sampled.rateNumerator = clip.source().y4mFormat()->rateNumerator;
  sampled.rateDenominator = clip.source().y4mFormat()->rateDenominator;
  for (int i = 0; i < frames; ++i) sampled.lumas.push_back(Render(*clip.Next(), 2, 1)[0]);
  return sampled;
}

// Luma = the frame's number: at each output frame time, the frame the clip
// shows then, its last one held.
TEST(OpenSource, SamplesAYuv4mpeg2ClipOfAnotherRateAtTheOutputsFrameTimes) {
  const std::string folder = ScratchFolder("sampled_y4m");
  WriteBytes(folder + "nine.y4m", NumberedClip(2, 1, 9, "C422 F50:1"));
  WriteBytes(folder + "eight.y4m", NumberedClip(2, 1, 8, "C422 F50:1"));
  Sampled s = Sample(folder + "nine.y4m", 25, 1, 6);
  EXPECT_EQ(s.lumas, (std::vector<int>{0, 2, 4, 6, 8, 8}));
  EXPECT_EQ(s.length, std::optional<uint64_t>(5));
  EXPECT_EQ(s.rateNumerator, 25u);
  // The last frame shows even when the time it starts at falls between two output frames.
  EXPECT_EQ(Sample(folder + "eight.y4m", 25, 1, 6).lumas, (std::vector<int>{0, 2, 4, 6, 7, 7}));
  s = Sample(folder + "nine.y4m", 100, 1, 6);
  EXPECT_EQ(s.lumas, (std::vector<int>{0, 0, 1, 1, 2, 2}));
  EXPECT_EQ(s.length, std::optional<uint64_t>(18));
  // The start is counted in the clip's own frames: 0.1 s is five of them.
  s = Sample(folder + "nine.y4m", 25, 1, 4, 0.1);
  EXPECT_EQ(s.lumas, (std::vector<int>{5, 7, 8, 8}));
  EXPECT_EQ(s.length, std::optional<uint64_t>(2));
  // The same rate, or the built-in clips' default rate, reads frame by frame.
  for (const Sampled& own :
       {Sample(folder + "nine.y4m", 100, 2, 10), Sample(folder + "nine.y4m", 25, 1, 10, 0, false)}) {
    EXPECT_EQ(own.lumas, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 8}));
    EXPECT_EQ(own.length, std::optional<uint64_t>(9));
    EXPECT_EQ(own.rateNumerator, 50u);
    EXPECT_EQ(own.rateDenominator, 1u);
  }
}

TEST(SourceFrame, ScalesToTheRequestedSize) {
  const std::string folder = ScratchFolder("scaled_frame");
  WriteBytes(folder + "small.y4m", NumberedClip(2, 2, 1));
  HeldClip clip(OpenSource(folder + "small.y4m"));
  std::vector<uint8_t> frame = Render(*clip.Next(), 6, 3);
  // Luma 0 everywhere, chroma 128, opaque.
  EXPECT_EQ(std::vector<uint8_t>(frame.begin(), frame.begin() + 4), (std::vector<uint8_t>{0, 128, 0, 128}));
  EXPECT_EQ(frame[36], 255);
  EXPECT_EQ(frame[36 + 17], 255);
}

TEST(DefaultClips, MoveDifferFromEachOtherAndRepeatExactly) {
  RgbaImage a0 = DrawDefaultClipFrame(DefaultClip::kTestPattern, 64, 36, 0);
  RgbaImage a1 = DrawDefaultClipFrame(DefaultClip::kTestPattern, 64, 36, 1);
  RgbaImage b0 = DrawDefaultClipFrame(DefaultClip::kGradient, 64, 36, 0);
  RgbaImage b1 = DrawDefaultClipFrame(DefaultClip::kGradient, 64, 36, 1);
  EXPECT_NE(a0.pixels, a1.pixels);
  EXPECT_NE(b0.pixels, b1.pixels);
  EXPECT_NE(a0.pixels, b0.pixels);
  EXPECT_EQ(a1.pixels, DrawDefaultClipFrame(DefaultClip::kTestPattern, 64, 36, 1).pixels);
  // Colourful: the test pattern's bars hold saturated colours.
  Picture bars = RgbaToPicture(a0);
  EXPECT_LT(*std::min_element(bars.cb.begin(), bars.cb.end()), 80);
  EXPECT_GT(*std::max_element(bars.cr.begin(), bars.cr.end()), 180);
  for (uint32_t frame : {0u, 5000u}) {
    EXPECT_EQ(DrawDefaultClipFrame(DefaultClip::kGradient, 3, 1, frame).pixels.size(), 12u);
    EXPECT_EQ(DrawDefaultClipFrame(DefaultClip::kTestPattern, 2, 1, frame).pixels.size(), 8u);
  }
}

TEST(Drawing, DrawsDigitsFromTheBuiltInFont) {
  RgbaImage image(13, 9);
  DrawNumber(image, 1, 1, 17, 1, {255, 255, 255});
  EXPECT_EQ(NumberWidth(17, 1), 11);
  EXPECT_EQ(NumberWidth(17, 3), 33);
  std::string rows;
  for (int y = 0; y < 9; ++y) {
    for (int x = 0; x < 13; ++x) rows += image.pixels[(static_cast<size_t>(y) * 13 + x) * 4] ? '#' : '.';
    rows += '\n';
  }
  EXPECT_EQ(rows,
            ".............\n"
            "...#...#####.\n"
            "..##.......#.\n"
            "...#......#..\n"
            "...#.....#...\n"
            "...#....#....\n"
            "...#....#....\n"
            "..###...#....\n"
            ".............\n");
}

class Fetch : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = ScratchFolder("fetch");
    WriteBytes(folder + "a.y4m", NumberedClip(4, 2, 1, "C422 A4:3"));
    clip = std::make_unique<HeldClip>(OpenSource(folder + "a.y4m"));
    frame = clip->Next();
    context.a = {frame.get(), clip->source().proportions()};
    std::memset(&request, 0, sizeof request);
    request.width = 4;
    request.height = 2;
    request.colorFormat = COLOR_FORMAT_YUV422_ALPHA;
    request.aspectMode = VALUE_SOURCE_OWN;
    request.auxMode = VALUE_SOURCE_OWN;
    memory.assign(64, 0xEE);
    buffer = {};
    buffer.data = memory.data();
    buffer.size = 24;
  }

  std::string folder;
  std::unique_ptr<HeldClip> clip;
  std::shared_ptr<const SourceFrame> frame;
  FetchContext context;
  FrameFormat request;
  std::vector<uint8_t> memory;
  FrameBuffer buffer;
};

TEST_F(Fetch, WritesTheFrameAndReportsTheSourcesOwnProportions) {
  ASSERT_EQ(FetchSourceA(reinterpret_cast<uintptr_t>(&context), &request, 0, 0, &buffer), 1);
  EXPECT_EQ(std::vector<uint8_t>(memory.begin(), memory.begin() + 25),
            (std::vector<uint8_t>{0,   128, 0,   128, 0,   128, 0,   128, 0,   128, 0, 128, 0, 128, 0, 128,  // YUY2
                                  255, 255, 255, 255, 255, 255, 255, 255, 0xEE}));                           // alpha
  EXPECT_EQ(buffer.aspectWidth, 8u);  // 4 * 4 : 2 * 3
  EXPECT_EQ(buffer.aspectHeight, 3u);
  EXPECT_EQ(buffer.auxValue, 0u);
}

TEST_F(Fetch, ReportsTheRequestsValuesWhenTheyAreGiven) {
  request.aspectMode = VALUE_SOURCE_GIVEN;
  request.aspectWidth = 21;
  request.aspectHeight = 9;
  request.auxMode = VALUE_SOURCE_GIVEN;
  request.auxValue = 77;
  ASSERT_EQ(FetchSourceA(reinterpret_cast<uintptr_t>(&context), &request, 0, 0, &buffer), 1);
  EXPECT_EQ(buffer.aspectWidth, 21u);
  EXPECT_EQ(buffer.aspectHeight, 9u);
  EXPECT_EQ(buffer.auxValue, 77u);
}

TEST_F(Fetch, RefusesRequestsItCannotFillWithoutWriting) {
  const uintptr_t user = reinterpret_cast<uintptr_t>(&context);
  buffer.size = 23;
  EXPECT_EQ(FetchSourceA(user, &request, 0, 0, &buffer), 0);
  buffer.size = 64;
  request.width = 3;
  EXPECT_EQ(FetchSourceA(user, &request, 0, 0, &buffer), 0);
  request.width = 4;
  request.stride = 6;
  EXPECT_EQ(FetchSourceA(user, &request, 0, 0, &buffer), 0);
  request.stride = 0;
  request.colorFormat = static_cast<KIV_COLOR_FORMAT>(5);
  EXPECT_EQ(FetchSourceA(user, &request, 0, 0, &buffer), 0);
  request.colorFormat = COLOR_FORMAT_YUV422_ALPHA;
  EXPECT_EQ(FetchSourceB(user, &request, 0, 0, &buffer), 0);  // no frame of B in the context
  EXPECT_EQ(memory, std::vector<uint8_t>(64, 0xEE));
  EXPECT_FALSE(context.error.empty());
}

}  // namespace

TEST(BufferPool, HandsBuffersLetGoOutAgainAtTheSizeAsked) {
  BufferPool pool;
  std::vector<uint8_t> first = pool.Take(1000);
  ASSERT_EQ(first.size(), 1000u);
  first[999] = 7;
  const uint8_t* storage = first.data();
  pool.Give(std::move(first));
  std::vector<uint8_t> again = pool.Take(1000);
  EXPECT_EQ(again.data(), storage);
  EXPECT_EQ(again.size(), 1000u);
  // A second buffer while the first is out is a new one.
  std::vector<uint8_t> second = pool.Take(500);
  EXPECT_NE(second.data(), storage);
  EXPECT_EQ(second.size(), 500u);
  pool.Give(std::move(again));
  EXPECT_EQ(pool.Take(2000).size(), 2000u);
}

// Frames let go lend their buffers to later frames; a frame still held
// keeps its own.
TEST(OpenSource, AFrameStillHeldKeepsItsPixelsWhileLaterOnesReuseBuffers) {
  const std::string folder = ScratchFolder("source_buffers");
  WriteBytes(folder + "clip.y4m", NumberedClip(6, 2, 6));
  std::unique_ptr<Source> source = OpenSource(folder + "clip.y4m");
  const std::shared_ptr<const SourceFrame> held = source->Next();
  for (uint8_t f = 1; f < 6; ++f) {
    const std::shared_ptr<const SourceFrame> frame = source->Next();
    ASSERT_TRUE(frame);
    EXPECT_EQ(Render(*frame, 6, 2)[0], f);
  }
  EXPECT_FALSE(source->Next());
  EXPECT_EQ(Render(*held, 6, 2)[0], 0);
}
