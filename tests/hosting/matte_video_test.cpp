// Video files as mattes: luma to weights by the range they declare, and any
// frame in any order, from several threads, as MLT asks for them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "hosting/HostingError.h"
#include "hosting/Matte.h"
#include "tests/hosts/kavro/AvTestClips.h"
#include "tests/media/ScratchFiles.h"

using namespace kavro;

namespace {

// Frame i of a clip whose luma is levels[i] everywhere.
ClipSpec LevelClip(const std::string& path, const std::vector<uint8_t>& levels) {
  ClipSpec clip;
  clip.path = path;
  clip.frames = static_cast<int>(levels.size());
  clip.picture = [levels](int i) { return FlatPicture(64, 48, levels[static_cast<size_t>(i)], 128, 128); };
  return clip;
}

uint8_t Level(Matte& matte, uint32_t frame) {
  const MatteWeights weights = matte.WeightsAt(frame, matte.frames().count(), {}, false);
  const std::vector<uint8_t>& pixels = weights.picture->pixels;
  EXPECT_TRUE(std::all_of(pixels.begin(), pixels.end(), [&](uint8_t p) { return p == pixels[0]; }));
  return pixels[0];
}

TEST(VideoMatte, LimitedRangeLumaIsStretchedFullRangeTakenAsItIs) {
  const std::string folder = ScratchFolder("video_matte_range");
  const std::vector<uint8_t> levels = {16, 235, 10, 240, 126, 0, 255};
  ClipSpec limited = LevelClip(folder + "limited.mkv", levels);
  ASSERT_TRUE(WriteClip(limited));
  ClipSpec full = LevelClip(folder + "full.mkv", levels);
  full.fullRange = true;
  ASSERT_TRUE(WriteClip(full));

  std::unique_ptr<Matte> matte = Matte::Open(limited.path, {});
  ASSERT_EQ(matte->frames().count(), levels.size());
  // Black (16 and below) shows B exactly, white (235 and above) keeps A exactly.
  const std::vector<uint8_t> stretched = {0, 255, 0, 255, 128, 0, 255};
  std::unique_ptr<Matte> asIs = Matte::Open(full.path, {});
  for (uint32_t i = 0; i < levels.size(); ++i) {
    EXPECT_EQ(Level(*matte, i), stretched[i]) << "limited frame " << i;
    EXPECT_EQ(Level(*asIs, i), levels[i]) << "full frame " << i;
  }
}

TEST(VideoMatte, AnyFrameInAnyOrderFromSeveralThreadsIsTheFrameAtThatPlace) {
  const std::string folder = ScratchFolder("video_matte_seek");
  std::vector<uint8_t> levels;
  for (int i = 0; i < 60; ++i) levels.push_back(static_cast<uint8_t>(20 + 3 * i));
  // Intra-only and with keyframes every 7 frames (H.264, flat pictures it keeps within a level).
  ClipSpec intra = LevelClip(folder + "intra.mkv", levels);
  ClipSpec gop = LevelClip(folder + "gop.mp4", levels);
  gop.codec = "libx264";
  gop.pixelFormat = AV_PIX_FMT_YUV420P;
  gop.gop = 7;
  gop.codecOptions = {{"crf", "0"}, {"bf", "2"}};
  ASSERT_TRUE(WriteClip(intra));
  ASSERT_TRUE(WriteClip(gop));
  auto expected = [&](uint32_t i) { return static_cast<int>((levels[i] - 16) * 255 * 2 + 219) / (2 * 219); };

  for (const std::string& path : {intra.path, gop.path}) {
    SCOPED_TRACE(path);
    std::unique_ptr<Matte> matte = Matte::Open(path, {});
    ASSERT_EQ(matte->frames().count(), levels.size());
    std::vector<uint32_t> order;
    std::srand(5);
    for (int i = 0; i < 80; ++i) order.push_back(static_cast<uint32_t>(std::rand() % 60));
    order.insert(order.end(), {59, 0, 58, 1, 30, 29, 31, 31});
    for (uint32_t i : order) EXPECT_NEAR(Level(*matte, i), expected(i), 1) << "frame " << i;

    std::vector<std::thread> threads;
    for (uint32_t t = 0; t < 4; ++t) {
      threads.emplace_back([&, t] {
        for (uint32_t i = t; i < 60; i += 3) EXPECT_NEAR(Level(*matte, 59 - i), expected(59 - i), 1);
      });
    }
    for (std::thread& thread : threads) thread.join();
  }
}

TEST(VideoMatte, AFileThatIsNoVideoIsOneLine) {
  const std::string folder = ScratchFolder("video_matte_bad");
  WriteBytes(folder + "noise.mkv", std::string(4096, '\x5A'));
  WriteBytes(folder + "empty.mp4", std::string());
  for (const std::string& path : {folder + "noise.mkv", folder + "empty.mp4"}) {
    try {
      Matte::Open(path, {});
      ADD_FAILURE() << path << " opened";
    } catch (const HostingError& error) {
      EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
      EXPECT_EQ(std::string(error.what()).find('\n'), std::string::npos) << error.what();
    }
  }
}

}  // namespace
