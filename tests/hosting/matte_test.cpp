// Users' own wipes: mattes from picture files, luma maps, and the wipe that
// mixes with them as the plug-in mixes with its built-in masks.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "MatteTestFiles.h"
#include "hosting/HostingError.h"
#include "hosting/LumaMap.h"
#include "hosting/MaskChoice.h"
#include "hosting/Matte.h"
#include "hosting/MatteWipe.h"
#include "media/GrayPictureFiles.h"
#include "tests/media/ScratchFiles.h"
#include "tests/support/PluginLibrary.h"
#include "tests/support/TestPaths.h"
#include "tests/transition/RenderHost.h"

using namespace kavro;
using mattetest::GrayPng;
using mattetest::Pgm;
using mattetest::Png;

namespace {

std::vector<uint8_t> Weights(const std::vector<uint8_t>& file) {
  return DecodeGrayPicture(file.data(), file.size(), "test").pixels;
}

TEST(MattePictures, EveryPngKindAndPgmGiveTheirLumaAsWeights) {
  // 16 bits round to the nearest level: 0x8101 is just above 128.5 levels, 0x8100 just below.
  EXPECT_EQ(Weights(Png(4, 1, 0, 16, {0, 0x8101, 0x8100, 0xFFFF})), (std::vector<uint8_t>{0, 129, 128, 255}));
  // Low depths scale to the whole range.
  EXPECT_EQ(Weights(Png(4, 1, 0, 2, {0, 1, 2, 3})), (std::vector<uint8_t>{0, 85, 170, 255}));
  EXPECT_EQ(Weights(Png(3, 1, 0, 1, {1, 0, 1})), (std::vector<uint8_t>{255, 0, 255}));
  // Alpha is no weight: gray with alpha is its gray.
  EXPECT_EQ(Weights(Png(2, 1, 4, 8, {200, 0, 7, 255})), (std::vector<uint8_t>{200, 7}));
  // Colour: BT.709 luma in full range, grays exactly their level.
  EXPECT_EQ(Weights(Png(5, 1, 2, 8, {255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255, 77, 77, 77})),
            (std::vector<uint8_t>{54, 182, 18, 255, 77}));
  EXPECT_EQ(Weights(Png(2, 1, 6, 16, {0xFFFF, 0xFFFF, 0xFFFF, 0, 0, 0, 0, 0xFFFF})), (std::vector<uint8_t>{255, 0}));
  // A palette's entries by their luma.
  const std::string palette("\x00\x00\x00\xFF\xFF\xFF\x00\xFF\x00\x40\x40\x40", 12);
  EXPECT_EQ(Weights(Png(4, 1, 3, 4, {1, 0, 2, 3}, palette)), (std::vector<uint8_t>{255, 0, 182, 64}));
  EXPECT_EQ(Weights(Pgm(3, 1, 255, {0, 128, 255})), (std::vector<uint8_t>{0, 128, 255}));
  EXPECT_EQ(Weights(Pgm(3, 1, 65535, {0, 0x8101, 0xFFFF})), (std::vector<uint8_t>{0, 129, 255}));
  EXPECT_EQ(Weights(Pgm(2, 1, 1023, {1023, 512})), (std::vector<uint8_t>{255, 128}));
}

TEST(MattePictures, BrokenFilesAreRefusedWithTheirName) {
  const std::vector<uint8_t> png = GrayPng(4, 4, std::vector<uint8_t>(16, 9));
  const std::vector<uint8_t> cut(png.begin(), png.begin() + static_cast<long>(png.size() / 2));
  EXPECT_THROW(DecodeGrayPicture(cut.data(), cut.size(), "cut.png"), MediaError);
  const std::vector<uint8_t> shortPgm = Pgm(4, 4, 255, std::vector<uint16_t>(10, 1));
  EXPECT_THROW(DecodeGrayPicture(shortPgm.data(), shortPgm.size(), "short.pgm"), MediaError);
  const std::vector<uint8_t> wide = Pgm(20000, 1, 255, {});
  try {
    DecodeGrayPicture(wide.data(), wide.size(), "wide.pgm");
    ADD_FAILURE() << "a picture past the size limits was read";
  } catch (const MediaError& error) {
    EXPECT_NE(std::string(error.what()).find("wide.pgm"), std::string::npos) << error.what();
  }
}

TEST(LumaMap, EveryLevelIsAAtTheStartAndBAtTheEndDarkLevelsGoingFirst) {
  for (double softness : {0.0, 0.25, 1.0}) {
    SCOPED_TRACE(softness);
    const uint32_t edge = SoftnessLevels(softness);
    const WeightTable start = LumaWeights(0, 24, edge), end = LumaWeights(24, 24, edge);
    for (int level = 0; level < 256; ++level) {
      EXPECT_EQ(start[level], 255) << level;
      EXPECT_EQ(end[level], 0) << level;
    }
    WeightTable before = start;
    for (uint32_t step = 1; step <= 24; ++step) {
      const WeightTable now = LumaWeights(step, 24, edge);
      for (int level = 0; level < 256; ++level) {
        EXPECT_LE(now[level], before[level]) << "level " << level << " step " << step;  // B only grows
        if (level > 0) {
          EXPECT_GE(now[level], now[level - 1]) << "level " << level << " step " << step;  // darker first
        }
      }
      before = now;
    }
    // Half way, black shows B (all but a level of A at the widest edge) and white keeps A.
    const WeightTable half = LumaWeights(12, 24, edge);
    EXPECT_LE(half[0], 1);
    EXPECT_EQ(half[255], 255);
  }
  // A wider edge leaves more levels part way.
  auto between = [](const WeightTable& table) {
    int count = 0;
    for (uint8_t weight : table) count += weight != 0 && weight != 255;
    return count;
  };
  EXPECT_LE(between(LumaWeights(12, 24, SoftnessLevels(0))), 1);
  EXPECT_GT(between(LumaWeights(12, 24, SoftnessLevels(1))), 100);
}

// Fetches of fixed frames, the plug-in and the wipe fed alike. Opaque ones
// (alpha 255) come out of a weight of 255 as A and of 0 as B to the byte.
struct Frames {
  uint32_t width, height;
  RenderHost host;
  Frames(uint32_t w, uint32_t h, bool opaque = false) : width(w), height(h) {
    const size_t bytes = static_cast<size_t>(FrameBytes(w, h));
    host.frameA = RandomBytes(bytes, 11);
    host.frameB = RandomBytes(bytes, 12);
    if (opaque) {
      std::fill(host.frameA.begin() + 2 * w * h, host.frameA.end(), 255);
      std::fill(host.frameB.begin() + 2 * w * h, host.frameB.end(), 255);
    }
  }
  size_t bytes() const { return host.frameA.size(); }
};

TransitionSettings Settings(const Frames& frames, uint64_t length, bool crop, MaskParameters mask) {
  TransitionSettings settings;
  settings.width = frames.width;
  settings.height = frames.height;
  settings.totalFrames = length;
  settings.cropToOutput = crop;
  settings.mask = mask;
  return settings;
}

std::string MaskFolder(uint32_t mask) {
  static const char* const kFolders[] = {"mask_paper", "mask_wafu1", "mask_wafu2"};
  return std::string(KIV_MASK_FRAMES_DIR) + "/" + kFolders[mask];
}

TEST(MatteWipe, TheBuiltInMasksAsPngFoldersAndPatternsRenderAsThePlugInDoes) {
  PluginLibrary plugin(SharedLibraryFileName(L"kiv_shipped"));
  ASSERT_TRUE(plugin.loaded()) << plugin.error();
  // B reports 4:3, so the weights are cut before they are scaled, unless cropped to the output.
  Frames frames(96, 54);
  frames.host.reportB = {4, 3, 0};
  const uint32_t length = 6;
  std::vector<uint8_t> expected(frames.bytes()), got(frames.bytes());

  for (uint32_t mask = 0; mask < MaskCount(); ++mask) {
    for (const std::string& path : {MaskFolder(mask), MaskFolder(mask) + "/%03d.png"}) {
      std::unique_ptr<Matte> matte = Matte::Open(path, {});
      ASSERT_FALSE(matte->lumaMap());
      ASSERT_EQ(matte->frames().count(), MaskFrameCount(mask)) << path;
      for (int variant = 0; variant < 5; ++variant) {
        const MaskParameters parameters = {
            mask, static_cast<uint8_t>(variant & 1), static_cast<uint8_t>(variant >> 1 & 1), {0, 0}};
        const bool crop = variant == 4;
        SCOPED_TRACE(path + " variant " + std::to_string(variant));
        TransitionPtr transition(plugin.Create());
        TransitionSetup setup = frames.host.Setup(YuvAlphaFormat(frames.width, frames.height), crop);
        ASSERT_NE(transition->SetSetup(&setup), nullptr);
        SelectMask(*transition, mask, parameters.invert, parameters.reverse);
        MatteWipe wipe(setup.userData, setup.fetchSourceA, setup.fetchSourceB);
        ASSERT_TRUE(wipe.Apply(Settings(frames, length, crop, parameters)));
        for (uint32_t i = 0; i < length; ++i) {
          FrameBuffer output = {};
          output.data = expected.data();
          output.size = expected.size();
          ASSERT_EQ(transition->RenderFrame(MaskFrameAtPosition(i, length, MaskFrameCount(mask)), 0, &output),
                    RESULT_OK);
          ASSERT_EQ(wipe.Render(matte->WeightsAt(i, length, {}, parameters.reverse), i, 0, got.data(), got.size()),
                    RESULT_OK);
          ASSERT_TRUE(got == expected) << "frame " << i;
        }
      }
    }
  }
}

// At the masks' own size nothing is fitted: the weights mix as they are.
TEST(MatteWipe, AMatteOfTheFramesOwnSizeRendersAsThePlugInDoes) {
  PluginLibrary plugin(SharedLibraryFileName(L"kiv_shipped"));
  ASSERT_TRUE(plugin.loaded()) << plugin.error();
  Frames frames(1920, 1080);
  const uint32_t length = 4, mask = 2;
  std::unique_ptr<Matte> matte = Matte::Open(MaskFolder(mask), {});
  std::vector<uint8_t> expected(frames.bytes()), got(frames.bytes());
  for (uint8_t invert : {0, 1}) {
    const MaskParameters parameters = {mask, invert, 0, {0, 0}};
    TransitionPtr transition(plugin.Create());
    TransitionSetup setup = frames.host.Setup(YuvAlphaFormat(frames.width, frames.height));
    ASSERT_NE(transition->SetSetup(&setup), nullptr);
    SelectMask(*transition, mask, invert, 0);
    MatteWipe wipe(setup.userData, setup.fetchSourceA, setup.fetchSourceB);
    ASSERT_TRUE(wipe.Apply(Settings(frames, length, false, parameters)));
    for (uint32_t i = 0; i < length; ++i) {
      FrameBuffer output = {};
      output.data = expected.data();
      output.size = expected.size();
      ASSERT_EQ(transition->RenderFrame(MaskFrameAtPosition(i, length, MaskFrameCount(mask)), 0, &output), RESULT_OK);
      ASSERT_EQ(wipe.Render(matte->WeightsAt(i, length, {}, false), i, 0, got.data(), got.size()), RESULT_OK);
      ASSERT_TRUE(got == expected) << "frame " << i << (invert ? " inverted" : "");
    }
  }
}

// A wipe of `length` frames under the matte; every frame's bytes.
std::vector<std::vector<uint8_t>> RenderWipe(Frames& frames, Matte& matte, uint32_t length, MaskParameters mask = {}) {
  TransitionSetup setup = frames.host.Setup(YuvAlphaFormat(frames.width, frames.height));
  MatteWipe wipe(setup.userData, setup.fetchSourceA, setup.fetchSourceB);
  EXPECT_TRUE(wipe.Apply(Settings(frames, length, false, mask)));
  std::vector<std::vector<uint8_t>> out;
  for (uint32_t i = 0; i < length; ++i) {
    out.emplace_back(frames.bytes());
    EXPECT_EQ(wipe.Render(matte.WeightsAt(i, length, {}, mask.reverse), i, 0, out.back().data(), out.back().size()),
              RESULT_OK);
  }
  return out;
}

TEST(MatteWipe, ALumaMapStartsExactlyAtAAndEndsExactlyAtBForEverySoftness) {
  // A gradient with both extremes, as a 16-bit PGM: a still is a luma map.
  std::vector<uint16_t> gradient;
  for (int i = 0; i < 64 * 36; ++i)
    gradient.push_back(static_cast<uint16_t>(i % 64 == 0 ? 0 : i % 64 == 63 ? 65535 : (i % 64) * 1024));
  const std::string path = ScratchFolder("luma_map") + "map.pgm";
  WriteBytes(path, Pgm(64, 36, 65535, gradient));
  Frames frames(128, 72, true);
  for (double softness : {0.0, 0.5, 1.0}) {
    for (uint8_t reverse : {0, 1}) {
      SCOPED_TRACE(std::to_string(softness) + (reverse ? " reversed" : ""));
      MatteOptions options;
      options.softness = softness;
      std::unique_ptr<Matte> matte = Matte::Open(path, options);
      ASSERT_TRUE(matte->lumaMap());
      const auto out = RenderWipe(frames, *matte, 9, {0, 0, reverse, {0, 0}});
      EXPECT_TRUE(out.front() == (reverse ? frames.host.frameB : frames.host.frameA));
      EXPECT_TRUE(out.back() == (reverse ? frames.host.frameA : frames.host.frameB));
      // Half way, either way, the dark left edge shows B and the bright right edge A.
      const std::vector<uint8_t>& half = out[4];
      const size_t left = 1, right = 2 * (frames.width - 1) + 1;  // luma bytes
      if (softness < 1) {  // the widest edge reaches the scaled map's outer columns
        EXPECT_EQ(half[left], frames.host.frameB[left]);
        EXPECT_EQ(half[right], frames.host.frameA[right]);
      }
    }
  }
}

TEST(MatteOpening, BadMattesAreOneLineNamingThePath) {
  const std::string folder = ScratchFolder("bad_mattes");
  WriteBytes(folder + "text.png", std::string("not a picture at all"));
  std::filesystem::create_directories(folder + "empty");
  WriteBytes(folder + "empty/readme.txt", std::string("no pictures here"));
  for (const std::string& path :
       {folder + "missing.png", folder + "empty", folder + "none_%04d.png", folder + "text.png", folder + "missing/"}) {
    try {
      Matte::Open(path, {});
      ADD_FAILURE() << path << " opened";
    } catch (const HostingError& error) {
      const std::string message = error.what();
      EXPECT_EQ(message.find('\n'), std::string::npos) << message;
      EXPECT_NE(message.find(path.substr(folder.size())), std::string::npos) << message;
    }
  }
}

TEST(MatteOpening, ADamagedFrameMidwayHoldsTheFrameBeforeAndIsSaidOnce) {
  const std::string folder = ScratchFolder("damaged_matte");
  const uint8_t levels[] = {255, 200, 150, 100, 50, 0};
  for (int i = 0; i < 6; ++i) {
    std::vector<uint8_t> png = GrayPng(8, 8, std::vector<uint8_t>(64, levels[i]));
    if (i == 3) png.resize(png.size() - 20);  // cut inside its data
    WriteBytes(folder + "m_" + std::to_string(i) + ".png", png);
  }
  std::vector<std::string> said;
  MatteOptions options;
  options.warn = [&](const std::string& text) { said.push_back(text); };
  std::unique_ptr<Matte> matte = Matte::Open(folder + "m_%d.png", options);
  for (int pass = 0; pass < 2; ++pass) {
    for (uint32_t i = 0; i < 6; ++i) {
      const MatteWeights weights = matte->WeightsAt(i, 6, {}, false);
      EXPECT_EQ(weights.picture->pixels[0], levels[i == 3 ? 2 : i]) << i;
    }
  }
  ASSERT_EQ(said.size(), 1u);
  EXPECT_NE(said[0].find("m_3.png"), std::string::npos) << said[0];
}

TEST(MatteOpening, AOnePixelMatteWeighsTheWholeFrame) {
  const std::string folder = ScratchFolder("one_pixel");
  WriteBytes(folder + "a.png", GrayPng(1, 1, {255}));
  WriteBytes(folder + "b.png", GrayPng(1, 1, {0}));
  std::unique_ptr<Matte> matte = Matte::Open(folder, {});
  ASSERT_FALSE(matte->lumaMap());
  Frames frames(34, 20, true);
  const auto out = RenderWipe(frames, *matte, 2);
  EXPECT_TRUE(out[0] == frames.host.frameA);
  EXPECT_TRUE(out[1] == frames.host.frameB);
}

// Frames of fixed levels at a rate of their own.
class RatedFrames : public GrayFrames {
 public:
  RatedFrames(uint32_t count, FrameRate rate) : count_(count), rate_(rate) {}
  std::string name() const override { return "rated"; }
  uint32_t count() const override { return count_; }
  int width() const override { return 1; }
  int height() const override { return 1; }
  FrameRate rate() const override { return rate_; }
  std::shared_ptr<const GrayImage> Frame(uint32_t index) override {
    auto image = std::make_shared<GrayImage>();
    image->width = image->height = 1;
    image->pixels = {static_cast<uint8_t>(index)};
    return image;
  }

 private:
  uint32_t count_;
  FrameRate rate_;
};

TEST(MatteTiming, SpreadAsTheBuiltInMasksOrPlayedAtItsOwnRateTheLastFrameHeld) {
  Matte spread(std::make_unique<RatedFrames>(10, FrameRate{25, 1}), {});
  for (int64_t i = 0; i < 30; ++i) {
    EXPECT_EQ(spread.FrameIndexAt(i, 30, {25, 1}, false), MaskFrameAtPosition(i, 30, 10));
    EXPECT_EQ(spread.FrameIndexAt(i, 30, {25, 1}, true), 9 - MaskFrameAtPosition(i, 30, 10));
  }
  MatteOptions ownRate;
  ownRate.timing = MatteTiming::kOwnRate;
  // A 50 fps matte under a 25 fps wipe: every second frame; 30000/1001 under 25: frame floor(i x 1.1988).
  Matte fast(std::make_unique<RatedFrames>(10, FrameRate{50, 1}), ownRate);
  Matte ntsc(std::make_unique<RatedFrames>(100, FrameRate{30000, 1001}), ownRate);
  for (int64_t i = 0; i < 30; ++i) {
    EXPECT_EQ(fast.FrameIndexAt(i, 30, {25, 1}, false), std::min<int64_t>(2 * i, 9));
    EXPECT_EQ(ntsc.FrameIndexAt(i, 30, {25, 1}, false), i * 30000 / (1001 * 25));
  }
  // Without a rate of its own (an image sequence): one frame an output frame.
  Matte sequence(std::make_unique<RatedFrames>(10, FrameRate{}), ownRate);
  EXPECT_EQ(sequence.FrameIndexAt(4, 30, {25, 1}, false), 4u);
  EXPECT_EQ(sequence.FrameIndexAt(29, 30, {25, 1}, false), 9u);
  EXPECT_EQ(sequence.FrameIndexAt(29, 30, {25, 1}, true), 0u);
}

}  // namespace
