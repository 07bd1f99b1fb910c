// kavro_wipe through the frei0r API, loaded by path as an editor loads it:
// what it says about itself, its parameters, and its frames against the
// plug-in's own mix of the same inputs, at every size, with alpha, on
// several threads, and without its plug-in or its masks.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "ExpectedMix.h"
#include "Frei0rPlugin.h"
#include "hosting/LoadedPlugin.h"
#include "masks/MaskCatalogue.h"
#include "tests/media/ScratchFiles.h"

namespace {

constexpr int kPosition = 0, kMask = 1, kInvert = 2, kReverse = 3, kCrop = 4, kMatte = 5, kSoftness = 6;

Rgba RandomFrame(uint32_t width, uint32_t height, unsigned seed, bool opaque = true) {
  Rgba frame(size_t{width} * height * 4);
  std::mt19937 random(seed);
  for (size_t i = 0; i < frame.size(); ++i) frame[i] = opaque && i % 4 == 3 ? 255 : static_cast<uint8_t>(random());
  return frame;
}

Rgba Mix(const Frei0rPlugin& mixer, f0r_instance_t instance, const Rgba& a, const Rgba& b) {
  Rgba out(a.size(), 0x33);
  mixer.update2(instance, 1.0, reinterpret_cast<const uint32_t*>(a.data()), reinterpret_cast<const uint32_t*>(b.data()),
                nullptr, reinterpret_cast<uint32_t*>(out.data()));
  return out;
}

uint32_t FrameAt(double position, uint32_t mask) {
  return static_cast<uint32_t>(std::lround(position * (maskFrameCounts[mask] - 1)));
}

// Pixels of `out` equal to A's, equal to B's, and neither.
struct Sources {
  size_t fromA = 0, fromB = 0, mixed = 0;
};
Sources CountSources(const Rgba& out, const Rgba& a, const Rgba& b) {
  Sources count;
  for (size_t i = 0; i < out.size(); i += 4) {
    if (std::equal(&out[i], &out[i + 4], &a[i])) {
      ++count.fromA;
    } else if (std::equal(&out[i], &out[i + 4], &b[i])) {
      ++count.fromB;
    } else {
      ++count.mixed;
    }
  }
  return count;
}

// Standard error of this process while it lives, read back by Text().
class StandardErrorCapture {
 public:
  explicit StandardErrorCapture(const std::string& name) : path_(ScratchFolder(name) + "stderr") {
    std::fflush(stderr);
    saved_ = dup(2);
    const int file = open(path_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(file, 2);
    close(file);
  }
  ~StandardErrorCapture() { Restore(); }
  std::string Text() {
    Restore();
    return ReadBytes(path_);
  }

 private:
  void Restore() {
    if (saved_ < 0) return;
    std::fflush(stderr);
    dup2(saved_, 2);
    close(saved_);
    saved_ = -1;
  }
  std::string path_;
  int saved_ = -1;
};

size_t Count(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

class KavroWipe : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    mixer_ = new Frei0rPlugin(MixerPath("complete"));
    plugin_ = new LoadedPlugin(MixerPath("complete").substr(0, MixerPath("complete").rfind('/') + 1) +
                               "KavroVideoTransitionMask_B06.so");
  }
  static void TearDownTestSuite() {
    delete plugin_;
    delete mixer_;
  }
  void SetUp() override {
    ASSERT_EQ(mixer_->error(), "");
    ASSERT_EQ(plugin_->error(), "");
  }

  // One instance, given back at the end of the test.
  f0r_instance_t Make(uint32_t width, uint32_t height) {
    f0r_instance_t instance = mixer_->construct(width, height);
    EXPECT_NE(instance, nullptr) << width << "x" << height;
    if (instance) instances_.emplace_back(instance, mixer_->destruct);
    return instance;
  }

  Rgba Expected(const Rgba& a, const Rgba& b, uint32_t width, uint32_t height, const MixSettings& settings) const {
    return ExpectedMix(plugin_->factory(), a, b, width, height, settings);
  }

  // Two random opaque frames and an instance of their size.
  struct Scene {
    uint32_t width, height;
    Rgba a, b;
    f0r_instance_t instance;
  };
  Scene MakeScene(uint32_t width, uint32_t height, unsigned seed) {
    return {width, height, RandomFrame(width, height, seed), RandomFrame(width, height, seed + 1000),
            Make(width, height)};
  }
  Rgba Render(const Scene& scene) const { return Mix(*mixer_, scene.instance, scene.a, scene.b); }
  Rgba Expected(const Scene& scene, const MixSettings& settings) const {
    return Expected(scene.a, scene.b, scene.width, scene.height, settings);
  }

  static Frei0rPlugin* mixer_;
  static LoadedPlugin* plugin_;
  std::vector<std::unique_ptr<void, void (*)(f0r_instance_t)>> instances_;
};

Frei0rPlugin* KavroWipe::mixer_ = nullptr;
LoadedPlugin* KavroWipe::plugin_ = nullptr;

}  // namespace

TEST(KavroWipeInfo, DescribesAnRgbaMixerOfTwoInputsWithSevenParameters) {
  Frei0rPlugin mixer(MixerPath("complete"));
  ASSERT_EQ(mixer.error(), "");
  EXPECT_EQ(mixer.init(), 1);
  f0r_plugin_info_t info = {};
  mixer.getPluginInfo(&info);
  EXPECT_STREQ(info.name, "kavro_wipe");
  EXPECT_EQ(info.plugin_type, F0R_PLUGIN_TYPE_MIXER2);
  EXPECT_EQ(info.color_model, F0R_COLOR_MODEL_RGBA8888);
  EXPECT_EQ(info.frei0r_version, FREI0R_MAJOR_VERSION);
  EXPECT_EQ(info.num_params, 7);
  ASSERT_NE(info.author, nullptr);
  ASSERT_NE(info.explanation, nullptr);
  mixer.deinit();
}

TEST(KavroWipeInfo, NamesEachParameterWithItsTypeAndLeavesOtherIndexesAlone) {
  Frei0rPlugin mixer(MixerPath("complete"));
  ASSERT_EQ(mixer.error(), "");
  const char* names[] = {"position", "mask", "invert mask", "reverse", "crop to output", "matte", "softness"};
  const int types[] = {F0R_PARAM_DOUBLE, F0R_PARAM_DOUBLE, F0R_PARAM_BOOL,  F0R_PARAM_BOOL,
                       F0R_PARAM_BOOL,   F0R_PARAM_STRING, F0R_PARAM_DOUBLE};
  for (int i = 0; i < 7; ++i) {
    f0r_param_info_t info = {};
    mixer.getParamInfo(&info, i);
    EXPECT_STREQ(info.name, names[i]);
    EXPECT_EQ(info.type, types[i]) << names[i];
    ASSERT_NE(info.explanation, nullptr) << names[i];
    EXPECT_GT(std::string(info.explanation).size(), 20u) << names[i];
  }
  f0r_param_info_t mask = {};
  mixer.getParamInfo(&mask, kMask);
  const std::string text = mask.explanation;
  EXPECT_NE(text.find("0 mask_paper (479 frame), 0.5 mask_wafu1 (210 frame), 1 mask_wafu2 (210 frame)"),
            std::string::npos)
      << text;

  const char* untouched = "untouched";
  for (int index : {-1, 7, 1000, std::numeric_limits<int>::min()}) {
    f0r_param_info_t info = {untouched, 77, untouched};
    mixer.getParamInfo(&info, index);
    EXPECT_EQ(info.name, untouched) << index;
    EXPECT_EQ(info.type, 77) << index;
  }
  mixer.getParamInfo(nullptr, 0);
  mixer.getPluginInfo(nullptr);
}

TEST_F(KavroWipe, StartsWithItsDefaultsAndClampsWhatItIsGiven) {
  f0r_instance_t instance = Make(16, 8);
  ASSERT_NE(instance, nullptr);
  EXPECT_EQ(mixer_->Get(instance, kPosition), 0.0);
  EXPECT_EQ(mixer_->Get(instance, kMask), 0.0);
  EXPECT_EQ(mixer_->Get(instance, kInvert), 0.0);
  EXPECT_EQ(mixer_->Get(instance, kReverse), 0.0);
  EXPECT_EQ(mixer_->Get(instance, kCrop), 1.0);

  struct Case {
    double given, kept;
  };
  const double infinity = std::numeric_limits<double>::infinity();
  const Case cases[] = {{0.25, 0.25}, {1.0, 1.0}, {-3.0, 0.0}, {7.0, 1.0}, {infinity, 1.0}, {-infinity, 0.0}};
  for (int index = kPosition; index <= kCrop; ++index) {
    for (const Case& c : cases) {
      mixer_->Set(instance, index, c.given);
      EXPECT_EQ(mixer_->Get(instance, index), c.kept) << "parameter " << index << " given " << c.given;
    }
    mixer_->Set(instance, index, 0.75);
    mixer_->Set(instance, index, std::nan(""));
    EXPECT_EQ(mixer_->Get(instance, index), 0.75) << "NaN leaves parameter " << index << " as it was";
  }

  // Indexes that name no parameter, and null pointers, change and write nothing.
  for (int index : {-1, 7, 99}) {
    mixer_->Set(instance, index, 0.5);
    double value = 42;
    mixer_->getParamValue(instance, &value, index);
    EXPECT_EQ(value, 42) << index;
  }
  mixer_->setParamValue(instance, nullptr, kPosition);
  mixer_->getParamValue(instance, nullptr, kPosition);
  double value = 0.5;
  mixer_->setParamValue(nullptr, &value, kPosition);
  mixer_->getParamValue(nullptr, &value, kPosition);
  EXPECT_EQ(value, 0.5);
  for (int index = kPosition; index <= kCrop; ++index) EXPECT_EQ(mixer_->Get(instance, index), 0.75) << index;
}

TEST_F(KavroWipe, ShowsAUnchangedAtTheStartAndBUnchangedAtTheEnd) {
  const Scene s = MakeScene(64, 36, 1);
  ASSERT_NE(s.instance, nullptr);
  for (const double start : {0.0, -2.0, -std::numeric_limits<double>::infinity()}) {
    mixer_->Set(s.instance, kPosition, start);
    EXPECT_EQ(Render(s), s.a) << start;
  }
  for (const double end : {1.0, 5.0}) {
    mixer_->Set(s.instance, kPosition, end);
    EXPECT_EQ(Render(s), s.b) << end;
  }
  // Reversed or inverted, the wipe runs the other way.
  mixer_->Set(s.instance, kPosition, 0);
  mixer_->Set(s.instance, kReverse, 1);
  EXPECT_EQ(Render(s), s.b);
  mixer_->Set(s.instance, kInvert, 1);
  EXPECT_EQ(Render(s), s.a);
}

// Cropped to a very tall frame the 16:9 mask once kept no column, and the
// end still showed A.
TEST_F(KavroWipe, VeryTallFramesEndOnB) {
  for (const uint32_t width : {2u, 8u}) {
    const Scene s = MakeScene(width, width == 2 ? 4096 : 16384, 5);
    ASSERT_NE(s.instance, nullptr);
    mixer_->Set(s.instance, kPosition, 1.0);
    EXPECT_TRUE(Render(s) == s.b) << width;
  }
}

TEST_F(KavroWipe, MidwayTakesEachInputsOwnPixelsWhereTheMaskShowsItWhole) {
  const Scene s = MakeScene(64, 36, 3);
  ASSERT_NE(s.instance, nullptr);
  mixer_->Set(s.instance, kPosition, 0.45);
  const Rgba out = Render(s);
  EXPECT_EQ(out, Expected(s, {0, false, false, true, FrameAt(0.45, 0)}));
  const Sources sources = CountSources(out, s.a, s.b);
  EXPECT_GT(sources.fromA, out.size() / 4 / 10);
  EXPECT_GT(sources.fromB, out.size() / 4 / 10);
  EXPECT_GT(sources.mixed, 0u);
}

TEST_F(KavroWipe, MixesLikeThePlugInForEveryMaskInvertAndReverse) {
  const Scene s = MakeScene(40, 24, 5);
  ASSERT_NE(s.instance, nullptr);
  struct Case {
    double maskValue;
    uint32_t mask;
  };
  // Each mask takes a third of 0..1.
  const Case masks[] = {{0.0, 0}, {0.3, 0}, {0.34, 1}, {0.5, 1}, {0.7, 2}, {1.0, 2}};
  for (const Case& m : masks) {
    for (const bool invert : {false, true}) {
      for (const bool reverse : {false, true}) {
        const double position = 0.3;
        mixer_->Set(s.instance, kMask, m.maskValue);
        mixer_->Set(s.instance, kInvert, invert ? 0.5 : 0.49);
        mixer_->Set(s.instance, kReverse, reverse ? 0.9 : 0.1);
        mixer_->Set(s.instance, kPosition, position);
        EXPECT_EQ(Render(s), Expected(s, {m.mask, invert, reverse, true, FrameAt(position, m.mask)}))
            << "mask " << m.maskValue << " invert " << invert << " reverse " << reverse;
      }
    }
  }
}

TEST_F(KavroWipe, PositionPicksTheNearestMaskFrame) {
  const Scene s = MakeScene(32, 18, 7);
  ASSERT_NE(s.instance, nullptr);
  mixer_->Set(s.instance, kMask, 1);
  // 0.3 of mask_wafu2's 209 steps is frame 62.7: 63, not 62 or 64.
  mixer_->Set(s.instance, kPosition, 0.3);
  const Rgba out = Render(s);
  EXPECT_EQ(out, Expected(s, {2, false, false, true, 63}));
  EXPECT_NE(out, Expected(s, {2, false, false, true, 62}));
  EXPECT_NE(out, Expected(s, {2, false, false, true, 64}));
}

TEST_F(KavroWipe, CropToOutputFitsTheMaskToTheFrameOtherwiseStretchesIt) {
  // Portrait: cropped, the 16:9 mask keeps only a narrow middle.
  const Scene s = MakeScene(24, 48, 9);
  ASSERT_NE(s.instance, nullptr);
  mixer_->Set(s.instance, kMask, 0.5);
  mixer_->Set(s.instance, kPosition, 0.5);
  const Rgba cropped = Render(s);
  mixer_->Set(s.instance, kCrop, 0);
  const Rgba stretched = Render(s);
  EXPECT_EQ(cropped, Expected(s, {1, false, false, true, FrameAt(0.5, 1)}));
  EXPECT_EQ(stretched, Expected(s, {1, false, false, false, FrameAt(0.5, 1)}));
  EXPECT_NE(cropped, stretched);
}

TEST_F(KavroWipe, RendersEverySizeFromOnePixelUp) {
  struct Size {
    uint32_t width, height;
  };
  const Size sizes[] = {{1, 1},   {2, 2},   {8, 8},   {16, 8}, {64, 36},  {48, 64},
                        {200, 8}, {8, 200}, {33, 17}, {7, 41}, {720, 576}};
  unsigned seed = 20;
  for (const Size size : sizes) {
    const Rgba a = RandomFrame(size.width, size.height, ++seed), b = RandomFrame(size.width, size.height, ++seed);
    f0r_instance_t instance = Make(size.width, size.height);
    ASSERT_NE(instance, nullptr);
    for (const double crop : {1.0, 0.0}) {
      mixer_->Set(instance, kCrop, crop);
      mixer_->Set(instance, kPosition, 0.6);
      EXPECT_EQ(Mix(*mixer_, instance, a, b),
                Expected(a, b, size.width, size.height, {0, false, false, crop > 0, FrameAt(0.6, 0)}))
          << size.width << "x" << size.height << " crop " << crop;
    }
  }
}

TEST_F(KavroWipe, CarriesAlphaFromBothInputsIntoTheMixAndBack) {
  const uint32_t width = 24, height = 16;
  // Translucent A over translucent B: (128 x 128 + 200 x 127) / 255 = 163 at
  // every position, whatever the mask shows.
  Rgba a = RandomFrame(width, height, 30), b = RandomFrame(width, height, 31);
  for (size_t i = 3; i < a.size(); i += 4) {
    a[i] = 128;
    b[i] = 200;
  }
  f0r_instance_t instance = Make(width, height);
  ASSERT_NE(instance, nullptr);
  for (const double position : {0.0, 0.5, 1.0}) {
    mixer_->Set(instance, kPosition, position);
    const Rgba out = Mix(*mixer_, instance, a, b);
    for (size_t i = 3; i < out.size(); i += 4) ASSERT_EQ(out[i], 163) << "position " << position << " pixel " << i / 4;
  }
  // A transparent: B shows through it from the start, pixel for pixel.
  for (size_t i = 3; i < a.size(); i += 4) a[i] = 0;
  mixer_->Set(instance, kPosition, 0);
  EXPECT_EQ(Mix(*mixer_, instance, a, b), b);
  // Any alphas: what the plug-in makes of them.
  const Rgba c = RandomFrame(width, height, 32, false), d = RandomFrame(width, height, 33, false);
  mixer_->Set(instance, kPosition, 0.4);
  EXPECT_EQ(Mix(*mixer_, instance, c, d), Expected(c, d, width, height, {0, false, false, true, FrameAt(0.4, 0)}));
}

TEST_F(KavroWipe, RefusesSizesItCannotHoldAndPassesAThroughWithoutB) {
  EXPECT_EQ(mixer_->construct(0, 8), nullptr);
  EXPECT_EQ(mixer_->construct(8, 0), nullptr);
  EXPECT_EQ(mixer_->construct(16385, 8), nullptr);
  EXPECT_EQ(mixer_->construct(16384, 16384), nullptr);

  const uint32_t width = 16, height = 8;
  const Rgba a = RandomFrame(width, height, 40), b = RandomFrame(width, height, 41);
  f0r_instance_t instance = Make(width, height);
  ASSERT_NE(instance, nullptr);
  mixer_->Set(instance, kPosition, 0.5);
  Rgba out(a.size(), 0);
  mixer_->update2(instance, 0, reinterpret_cast<const uint32_t*>(a.data()), nullptr, nullptr,
                  reinterpret_cast<uint32_t*>(out.data()));
  EXPECT_EQ(out, a);
  std::fill(out.begin(), out.end(), 0);
  mixer_->update(instance, 0, reinterpret_cast<const uint32_t*>(a.data()), reinterpret_cast<uint32_t*>(out.data()));
  EXPECT_EQ(out, a);
  // Nothing to read or nowhere to write: nothing happens.
  mixer_->update2(instance, 0, nullptr, reinterpret_cast<const uint32_t*>(b.data()), nullptr,
                  reinterpret_cast<uint32_t*>(out.data()));
  EXPECT_EQ(out, a);
  mixer_->update2(instance, 0, reinterpret_cast<const uint32_t*>(a.data()), reinterpret_cast<const uint32_t*>(b.data()),
                  nullptr, nullptr);
  mixer_->update2(nullptr, 0, reinterpret_cast<const uint32_t*>(a.data()), reinterpret_cast<const uint32_t*>(b.data()),
                  nullptr, reinterpret_cast<uint32_t*>(out.data()));
  mixer_->destruct(nullptr);
}

TEST_F(KavroWipe, InstancesOnSeveralThreadsEachMixTheirOwn) {
  const uint32_t width = 48, height = 24;
  const Rgba a = RandomFrame(width, height, 50), b = RandomFrame(width, height, 51);
  struct Job {
    double mask, position;
    f0r_instance_t instance = nullptr;
    std::vector<Rgba> results;
  };
  std::vector<Job> jobs = {
      {0.0, 0.2, nullptr, {}}, {0.5, 0.5, nullptr, {}}, {1.0, 0.8, nullptr, {}}, {0.5, 0.1, nullptr, {}}};
  for (Job& job : jobs) {
    job.instance = Make(width, height);
    ASSERT_NE(job.instance, nullptr);
    mixer_->Set(job.instance, kMask, job.mask);
    mixer_->Set(job.instance, kPosition, job.position);
  }
  std::vector<std::thread> threads;
  for (Job& job : jobs) {
    threads.emplace_back([&, this] {
      for (int i = 0; i < 3; ++i) job.results.push_back(Mix(*mixer_, job.instance, a, b));
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (const Job& job : jobs) {
    const uint32_t mask = job.mask < 0.34 ? 0 : job.mask < 0.67 ? 1 : 2;
    const Rgba expected = Expected(a, b, width, height, {mask, false, false, true, FrameAt(job.position, mask)});
    for (const Rgba& result : job.results) EXPECT_EQ(result, expected) << job.mask << " " << job.position;
  }
}

TEST_F(KavroWipe, KeepsWorkingAfterTheHostCallsDeinit) {
  const Scene s = MakeScene(16, 16, 60);
  ASSERT_NE(s.instance, nullptr);
  mixer_->Set(s.instance, kPosition, 0.5);
  mixer_->deinit();
  EXPECT_EQ(Render(s), Expected(s, {0, false, false, true, FrameAt(0.5, 0)}));
}

// The matte parameter: the built-in masks' frames as a folder or a pattern
// mix as the masks themselves, inverted and reversed; set back to empty, the
// built-in choice is used again; a path that cannot be read passes A through
// and is said once.
TEST_F(KavroWipe, AMattePathMixesAsTheBuiltInMaskItsFramesCameFrom) {
  const Scene s = MakeScene(40, 24, 80);
  ASSERT_NE(s.instance, nullptr);
  const auto setMatte = [&](const std::string& path) {
    const char* text = path.c_str();
    mixer_->setParamValue(s.instance, &text, kMatte);
  };
  const std::string frames = KAVRO_MASK_FRAMES;
  struct Case {
    std::string matte;
    uint32_t mask;
    bool invert, reverse;
  };
  const Case cases[] = {{frames + "/mask_wafu1", 1, false, false},
                        {frames + "/mask_wafu2/%03d.png", 2, true, true},
                        {frames + "/mask_paper", 0, false, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.matte);
    setMatte(c.matte);
    char* back = nullptr;
    mixer_->getParamValue(s.instance, &back, kMatte);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(std::string(back), c.matte);
    mixer_->Set(s.instance, kMask, 0.5);  // the matte takes its place
    mixer_->Set(s.instance, kInvert, c.invert ? 1 : 0);
    mixer_->Set(s.instance, kReverse, c.reverse ? 1 : 0);
    for (const double position : {0.0, 0.37, 1.0}) {
      mixer_->Set(s.instance, kPosition, position);
      EXPECT_EQ(Render(s), Expected(s, {c.mask, c.invert, c.reverse, true, FrameAt(position, c.mask)})) << position;
    }
  }
  setMatte("");
  mixer_->Set(s.instance, kPosition, 0.37);
  EXPECT_EQ(Render(s), Expected(s, {1, false, true, true, FrameAt(0.37, 1)}));

  const std::string missing = ScratchFolder("kavro_wipe_matte") + "no_such_matte.png";
  StandardErrorCapture capture("kavro_wipe_matte_said");
  setMatte(missing);
  for (const double position : {0.2, 0.8}) {
    mixer_->Set(s.instance, kPosition, position);
    EXPECT_EQ(Render(s), s.a) << position;
  }
  const std::string text = capture.Text();
  EXPECT_EQ(Count(text, "\n"), 1u) << text;
  EXPECT_EQ(Count(text, "kavro_wipe: no matte " + missing), 1u) << text;
}

namespace {

// Two instances of the mixer in <folder>, each rendering a few positions,
// must give A every time; returns what the mixer said on standard error.
// Each folder's mixer is a library of its own, so each says its piece once.
std::string StandardErrorWhilePassingAThrough(const std::string& folder) {
  StandardErrorCapture capture("kavro_wipe_" + folder);
  Frei0rPlugin mixer(MixerPath(folder));
  EXPECT_EQ(mixer.error(), "");
  if (!mixer.error().empty()) return "";
  const Rgba a = RandomFrame(24, 16, 70), b = RandomFrame(24, 16, 71);
  for (int i = 0; i < 2; ++i) {
    f0r_instance_t instance = mixer.construct(24, 16);
    EXPECT_NE(instance, nullptr);
    if (!instance) break;
    for (const double position : {0.0, 0.5, 1.0}) {
      mixer.Set(instance, kPosition, position);
      EXPECT_EQ(Mix(mixer, instance, a, b), a) << folder << " position " << position;
    }
    mixer.destruct(instance);
  }
  return capture.Text();
}

}  // namespace

TEST(KavroWipeMissingFiles, WithoutThePlugInItPassesAThroughAndSaysSoOnce) {
  const std::string text = StandardErrorWhilePassingAThrough("no_plugin");
  EXPECT_EQ(Count(text, "\n"), 1u) << text;
  EXPECT_EQ(Count(text, "kavro_wipe: cannot load "), 1u) << text;
  EXPECT_NE(text.find("no_plugin/KavroVideoTransitionMask_B06.so"), std::string::npos) << text;
  EXPECT_NE(text.find("every frame shows source A"), std::string::npos) << text;
}

TEST(KavroWipeMissingFiles, WithoutTheMasksItPassesAThroughAndSaysSoOnce) {
  const std::string text = StandardErrorWhilePassingAThrough("no_masks");
  EXPECT_EQ(Count(text, "\n"), 1u) << text;
  EXPECT_EQ(Count(text, "kavro_wipe: masks not found (no "), 1u) << text;
  EXPECT_NE(text.find("no_masks/OldKavroVideoTransitionMask_B06.so"), std::string::npos) << text;
}
