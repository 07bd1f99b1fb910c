// melt with the MLT module kavro_wipe, from the repository folder this build
// fills, against `kavro render` of the same clips: the same bytes, frame for
// frame, for every mask, inverted and reversed, on one render thread and on
// several; the built-in masks exported as files (mattes of the user's own)
// as the masks themselves; and what melt shows when a part of the install
// or a matte is missing.
// Skipped where melt cannot run.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>

#include "media/PngFile.h"
#include "media/Y4m.h"
#include "tests/media/ScratchFiles.h"
#include "tests/media/Y4mOutput.h"
#include "tests/support/ShellCommand.h"

using namespace kavro;

namespace {

constexpr int kWidth = 160, kHeight = 90, kFrames = 30;
const std::string kLast = std::to_string(kFrames - 1);

// Moving, and over the whole 0..255 range of every plane, so that any
// conversion or range clamp on the way shows.
std::string ClipBytes(bool b, int frames = kFrames) {
  Y4mFormat format;
  format.width = kWidth;
  format.height = kHeight;
  format.aspectNumerator = format.aspectDenominator = 1;
  format.chroma = Y4mChroma::k422;
  std::string bytes = FormatY4mHeader(format);
  for (int t = 0; t < frames; ++t) {
    bytes += "FRAME\n";
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x)
        bytes += static_cast<char>(b ? (x * 255 / (kWidth - 1) + 7 * t) : (y * 3 + t) * 5);
    }
    for (int plane = 0; plane < 2; ++plane) {
      for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth / 2; ++x) {
          bytes += static_cast<char>(b ? (x * 3 + y + plane * 90 - t) * 2
                                       : 255 - (y * 255 / (kHeight - 1) + t + plane * 40));
        }
      }
    }
  }
  return bytes;
}

// Every frame's planes; a failure when the file is missing or unreadable.
std::vector<Picture> ReadFrames(const std::string& path) {
  Y4mOutput output = ReadY4mOutput(path);
  EXPECT_EQ(output.format.chroma, Y4mChroma::k422) << path;
  return output.frames;
}

// The frames where two files differ, as a list a failure can show.
std::string FramesApart(const std::string& path, const std::string& expectedPath) {
  const auto frames = ReadFrames(path), expected = ReadFrames(expectedPath);
  if (frames.size() != expected.size() || frames.empty()) {
    return std::to_string(frames.size()) + " frames against " + std::to_string(expected.size());
  }
  std::string apart;
  for (size_t i = 0; i < frames.size(); ++i) {
    if (!(frames[i] == expected[i])) apart += (apart.empty() ? "frames " : ", ") + std::to_string(i);
  }
  return apart;
}

size_t Occurrences(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

// An RGBA picture of the clips' size, each pixel from `pixel` (R, G, B, A).
std::vector<uint8_t> RgbaPng(const std::function<std::array<uint8_t, 4>(int x, int y)>& pixel) {
  std::vector<uint8_t> pixels;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const std::array<uint8_t, 4> rgba = pixel(x, y);
      pixels.insert(pixels.end(), rgba.begin(), rgba.end());
    }
  }
  return EncodePng(pixels.data(), kWidth, kHeight, 4);
}

bool Inside(int x, int y, int left, int top, int right, int bottom) {
  return x >= left && x < right && y >= top && y < bottom;
}

// The largest difference of any byte of two runs of bytes of one size.
int LargestDifference(const std::vector<uint8_t>& bytes, const std::vector<uint8_t>& expected) {
  if (bytes.size() != expected.size() || bytes.empty()) return 256;
  int largest = 0;
  for (size_t i = 0; i < bytes.size(); ++i) largest = std::max(largest, std::abs(bytes[i] - expected[i]));
  return largest;
}

// Of every plane and the alpha.
template <typename Layered>
int LargestDifference(const Layered& picture, const Layered& expected) {
  return std::max(
      {LargestDifference(picture.planes.y, expected.planes.y), LargestDifference(picture.planes.cb, expected.planes.cb),
       LargestDifference(picture.planes.cr, expected.planes.cr), LargestDifference(picture.alpha, expected.alpha)});
}

class KavroWipeMltModule : public testing::Test {
 protected:
  void SetUp() override {
    folder_ = ScratchFolder(testing::UnitTest::GetInstance()->current_test_info()->name());
    if (RunLogged("melt -version", folder_ + "melt_version.log") != 0) {
      GTEST_SKIP() << "melt cannot run here (`melt -version` failed: " << ReadBytes(folder_ + "melt_version.log")
                   << "); install Debian's melt (tools/setup/install-deps.sh) to run this test";
    }
    a_ = folder_ + "a.y4m";
    b_ = folder_ + "b.y4m";
    WriteBytes(a_, ClipBytes(false));
    WriteBytes(b_, ClipBytes(true));
  }

  // melt over the whole of both clips, the transition given `transition`
  // (service and properties), 4:2:2 out; run-melt starts melt again when it
  // never starts its output. The output's path.
  std::string Melt(const std::string& name, const std::string& transition, const std::string& consumer = "",
                   const std::string& repository = KAVRO_MLT_REPOSITORY) {
    const std::string output = folder_ + name + "_melt.y4m";
    const std::string clips = Quote(a_) + " in=0 out=" + kLast + " -track " + Quote(b_) + " in=0 out=" + kLast;
    EXPECT_EQ(RunLogged("env MLT_REPOSITORY=" + Quote(repository) + " " + Quote(KAVRO_RUN_MELT) + " -quiet " + clips +
                            " -transition " + transition + " in=0 out=" + kLast + " a_track=0 b_track=1 -consumer " +
                            Quote("avformat:" + output) + " pix_fmt=yuv422p " + consumer,
                        MeltLog(name)),
              0)
        << ReadBytes(MeltLog(name));
    return output;
  }
  std::string MeltLog(const std::string& name) const { return folder_ + name + "_melt.log"; }

  // The first frame melt makes of clips `a` and `b` (resources) under
  // `transition`: its 4:2:2 planes, and its alpha as the alpha bytes of an
  // RGBA picture (MLT's conversion to RGB would blur the planes' bytes).
  struct Layered {
    Picture planes;
    std::vector<uint8_t> alpha;
  };
  Layered MeltLayered(const std::string& name, const std::string& a, const std::string& b,
                      const std::string& transition) {
    const std::string run = "env MLT_REPOSITORY=" + Quote(KAVRO_MLT_REPOSITORY) + " " + Quote(KAVRO_RUN_MELT) +
                            " -quiet " + Quote(a) + " in=0 out=4 -track " + Quote(b) + " in=0 out=4 -transition " +
                            transition + " in=0 out=4 a_track=0 b_track=1 -consumer ";
    const std::string planes = folder_ + name + ".y4m", rgba = folder_ + name + "_%02d.png";
    EXPECT_EQ(RunLogged(run + Quote("avformat:" + planes) + " pix_fmt=yuv422p", MeltLog(name)), 0)
        << ReadBytes(MeltLog(name));
    EXPECT_EQ(RunLogged(run + Quote("avformat:" + rgba) + " vcodec=png pix_fmt=rgba", MeltLog(name + "_rgba")), 0)
        << ReadBytes(MeltLog(name + "_rgba"));
    Layered layered;
    const std::vector<Picture> frames = ReadFrames(planes);
    if (!frames.empty()) layered.planes = frames[0];
    const std::string first = ReadBytes(folder_ + name + "_01.png");
    if (first.empty()) return layered;
    const RgbaImage image = DecodePng(reinterpret_cast<const uint8_t*>(first.data()), first.size(), name);
    for (size_t i = 3; i < image.pixels.size(); i += 4) layered.alpha.push_back(image.pixels[i]);
    return layered;
  }

  std::string Kavro(const std::string& name, const std::string& options) {
    const std::string output = folder_ + name + "_kavro.y4m";
    EXPECT_EQ(RunLogged(Quote(KAVRO_PROGRAM) + " render " + Quote(a_) + " " + Quote(b_) + " --quiet " + options +
                            " -o " + Quote(output),
                        folder_ + name + "_kavro.log"),
              0)
        << ReadBytes(folder_ + name + "_kavro.log");
    return output;
  }

  std::string folder_, a_, b_;
};

TEST_F(KavroWipeMltModule, MeltWritesWhatKavroWritesForEveryMaskInvertedAndReversed) {
  struct Setting {
    const char* name;
    std::string melt, kavro;
  };
  const Setting settings[] = {
      {"paper", "kavro_wipe mask=0", "--mask 0"},
      {"paper_inverted_reversed", "kavro_wipe mask=0 invert_mask=1 reverse=1", "--mask 0 --invert --reverse"},
      {"wafu1", "kavro_wipe:wafu1", "--mask 1"},
      // Kdenlive's default: keyframed from the first frame to the last, which MLT counts from the end.
      {"wafu1_keyframed_to_the_end", "kavro_wipe mask=1 'progress=0=0;-1=1'", "--mask 1"},
      {"wafu1_inverted", "kavro_wipe mask=1 invert_mask=1", "--mask 1 --invert"},
      {"wafu2_reversed", "kavro_wipe mask=mask_wafu2 reverse=1", "--mask 2 --reverse"},
      {"wafu2_inverted_reversed_cropped", "kavro_wipe mask=2 invert_mask=1 reverse=1 crop_to_output=1",
       "--mask 2 --invert --reverse --crop-to-output"},
  };
  const std::string passedA = Kavro("a_alone", "--mask 0 --frames 1");
  for (const Setting& setting : settings) {
    SCOPED_TRACE(setting.name);
    const std::string melted = Melt(setting.name, setting.melt);
    EXPECT_EQ(FramesApart(melted, Kavro(setting.name, setting.kavro)), "");
    // A wipe that does something: neither clip throughout.
    EXPECT_NE(FramesApart(melted, a_), "");
    EXPECT_EQ(Occurrences(ReadBytes(MeltLog(setting.name)), "kavro_wipe:"), 0u) << ReadBytes(MeltLog(setting.name));
  }
}

// MLT hands frames to its render threads out of order; each takes a
// transition object of its own.
TEST_F(KavroWipeMltModule, SeveralRenderThreadsWriteWhatOneWrites) {
  const std::string one = Melt("one_thread", "kavro_wipe mask=1 invert_mask=1", "real_time=-1");
  const std::string four = Melt("four_threads", "kavro_wipe mask=1 invert_mask=1", "real_time=-4");
  EXPECT_EQ(FramesApart(four, one), "");
  EXPECT_EQ(FramesApart(one, Kavro("kavro", "--mask 1 --invert --threads 1")), "");
}

// The README's project file: the progress keyframed over the transition, the
// mask by name.
TEST_F(KavroWipeMltModule, ProjectFileWithKeyframedProgressRendersAsKavro) {
  const std::string project = folder_ + "wipe.mlt";
  WriteBytes(project, R"(<?xml version="1.0" encoding="utf-8"?>
<mlt>
  <producer id="clip_a"><property name="resource">)" +
                          a_ + R"(</property></producer>
  <producer id="clip_b"><property name="resource">)" +
                          b_ + R"(</property></producer>
  <playlist id="track_a"><entry producer="clip_a" in="0" out=")" +
                          kLast + R"("/></playlist>
  <playlist id="track_b"><entry producer="clip_b" in="0" out=")" +
                          kLast + R"("/></playlist>
  <tractor id="wipe" in="0" out=")" +
                          kLast + R"(">
    <multitrack>
      <track producer="track_a"/>
      <track producer="track_b"/>
    </multitrack>
    <transition id="kavro_wipe" in="0" out=")" +
                          kLast + R"(">
      <property name="mlt_service">kavro_wipe</property>
      <property name="a_track">0</property>
      <property name="b_track">1</property>
      <property name="progress">0=0;)" +
                          kLast + R"(=1</property>
      <property name="mask">wafu2</property>
      <property name="invert_mask">1</property>
      <property name="reverse">0</property>
      <property name="crop_to_output">0</property>
    </transition>
  </tractor>
</mlt>
)");
  const std::string melted = folder_ + "project_melt.y4m";
  ASSERT_EQ(RunLogged("env MLT_REPOSITORY=" + Quote(KAVRO_MLT_REPOSITORY) + " " + Quote(KAVRO_RUN_MELT) + " -quiet " +
                          Quote(project) + " -consumer " + Quote("avformat:" + melted) + " pix_fmt=yuv422p",
                      folder_ + "project_melt.log"),
            0)
      << ReadBytes(folder_ + "project_melt.log");
  EXPECT_EQ(FramesApart(melted, Kavro("kavro", "--mask 2 --invert")), "");
}

TEST_F(KavroWipeMltModule, ValuesOutOfRangeAreClampedAndAnUnknownMaskIsSaidOnce) {
  EXPECT_EQ(FramesApart(Melt("mask_beyond", "kavro_wipe mask=9"), Kavro("last_mask", "--mask 2")), "");
  EXPECT_EQ(FramesApart(Melt("mask_below", "kavro_wipe mask=-3"), Kavro("first_mask", "--mask 0")), "");
  // A progress below 0 holds the mask's first frame, above 1 its last.
  const std::string first = Melt("progress_0", "kavro_wipe mask=1 progress=0");
  const std::string last = Melt("progress_1", "kavro_wipe mask=1 progress=1");
  EXPECT_NE(FramesApart(first, last), "");
  EXPECT_EQ(FramesApart(Melt("progress_below", "kavro_wipe mask=1 progress=-5"), first), "");
  EXPECT_EQ(FramesApart(Melt("progress_beyond", "kavro_wipe mask=1 progress=7.5"), last), "");

  const std::string unknown = Melt("mask_unknown", "kavro_wipe mask=origami");
  EXPECT_EQ(FramesApart(unknown, folder_ + "first_mask_kavro.y4m"), "");
  const std::string log = ReadBytes(MeltLog("mask_unknown"));
  EXPECT_EQ(Occurrences(log, "kavro_wipe: no mask 'origami'"), 1u) << log;
}

// MLT lays the upper track (B) over the lower one (A) by B's alpha: at
// progress 0 the result is A as it is, at 1 B laid over A, as MLT's luma
// gives them (at its first frame, and reversed); in between the alpha too is
// mixed by the mask's weight. Transparent B, transparent A, and a box of
// alpha that moves from frame to frame.
TEST_F(KavroWipeMltModule, TransparentClipsCompositeAsMltsOwnTransitionsAtBothEnds) {
  const std::string holesB = folder_ + "holes_b.png", transparentA = folder_ + "transparent_a.png";
  WriteBytes(holesB, RgbaPng([](int x, int y) -> std::array<uint8_t, 4> {
               if (Inside(x, y, 20, 20, 80, 60)) return {230, 20, 10, 255};
               if (Inside(x, y, 90, 10, 150, 80)) return {10, 40, 240, static_cast<uint8_t>(x + y)};
               return {0, 200, 30, 0};
             }));
  WriteBytes(transparentA, RgbaPng([](int x, int y) -> std::array<uint8_t, 4> {
               return {static_cast<uint8_t>(x), 180, static_cast<uint8_t>(y), static_cast<uint8_t>(x < 80 ? 128 : 0)};
             }));
  for (int t = 0; t < 5; ++t) {
    char name[32];
    std::snprintf(name, sizeof name, "box_%02d.png", t);
    WriteBytes(folder_ + name, RgbaPng([t](int x, int y) -> std::array<uint8_t, 4> {
                 return {250, 250, 250, static_cast<uint8_t>(Inside(x, y, 10 + 25 * t, 30, 40 + 25 * t, 60) ? 255 : 0)};
               }));
  }
  struct Case {
    const char* name;
    std::string a, b;
  };
  const Case cases[] = {{"transparent_b", a_, holesB},
                        {"transparent_a", transparentA, b_},
                        {"moving_alpha_box", a_, folder_ + "box_%02d.png"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string name = c.name;
    const Layered atStart = MeltLayered(name + "_0", c.a, c.b, "kavro_wipe mask=1 progress=0");
    const Layered atEnd = MeltLayered(name + "_1", c.a, c.b, "kavro_wipe mask=1 progress=1");
    EXPECT_LE(LargestDifference(atStart, MeltLayered(name + "_luma_0", c.a, c.b, "luma")), 1);
    EXPECT_LE(LargestDifference(atEnd, MeltLayered(name + "_luma_1", c.a, c.b, "luma reverse=1")), 1);
    EXPECT_GT(LargestDifference(atStart, atEnd), 1);
    // Half way each pixel's alpha lies between its two ends.
    const Layered halfway = MeltLayered(name + "_half", c.a, c.b, "kavro_wipe mask=1 progress=0.5");
    ASSERT_EQ(halfway.alpha.size(), atStart.alpha.size());
    ASSERT_EQ(halfway.alpha.size(), atEnd.alpha.size());
    for (size_t i = 0; i < halfway.alpha.size(); ++i) {
      const int low = std::min(atStart.alpha[i], atEnd.alpha[i]), high = std::max(atStart.alpha[i], atEnd.alpha[i]);
      ASSERT_TRUE(halfway.alpha[i] >= low && halfway.alpha[i] <= high) << "pixel " << i;
    }
  }
}

// A project in the very form Kdenlive 22.12 saved it after the composition
// was dropped on two clips and left as it was (its progress cut down to
// "0=0"): the composition wipes over its whole length, as with no progress
// at all.
TEST_F(KavroWipeMltModule, KdenlivesFreshlyDroppedCompositionWipesOverItsLength) {
  // The clips the project names; MLT reads them by their content.
  WriteBytes(folder_ + "a.mp4", ClipBytes(false, 100));
  WriteBytes(folder_ + "b.mp4", ClipBytes(true, 100));
  std::string project = ReadBytes(KAVRO_KDENLIVE_DROPPED_PROJECT);
  ASSERT_NE(project.find("<property name=\"progress\">0=0</property>"), std::string::npos);
  const std::string root = folder_.substr(0, folder_.size() - 1);
  project.replace(project.find("@CLIPS@"), 7, root);
  const auto render = [&](const std::string& name, const std::string& text) {
    WriteBytes(folder_ + name + ".kdenlive", text);
    const std::string output = folder_ + name + ".y4m";
    // The composition runs from frame 75 to 149.
    EXPECT_EQ(RunLogged("env MLT_REPOSITORY=" + Quote(KAVRO_MLT_REPOSITORY) + " " + Quote(KAVRO_RUN_MELT) + " -quiet " +
                            Quote(folder_ + name + ".kdenlive") + " in=70 out=125 -consumer " +
                            Quote("avformat:" + output) + " pix_fmt=yuv422p",
                        MeltLog(name)),
              0)
        << ReadBytes(MeltLog(name));
    EXPECT_EQ(Occurrences(ReadBytes(MeltLog(name)), "kavro_wipe:"), 0u) << ReadBytes(MeltLog(name));
    return output;
  };
  const std::string asSaved = render("as_saved", project);
  std::string unset = project, heldAtA = project;
  unset.replace(unset.find("<property name=\"progress\">0=0</property>"), 39, "");
  heldAtA.replace(heldAtA.find("<property name=\"progress\">0=0</property>"), 39,
                  "<property name=\"progress\">0</property>");
  EXPECT_EQ(FramesApart(asSaved, render("progress_unset", unset)), "");
  // A plain 0 is still a progress held at 0; the dropped one moves on.
  const auto saved = ReadFrames(asSaved), held = ReadFrames(render("progress_0", heldAtA));
  ASSERT_EQ(saved.size(), 56u);
  ASSERT_EQ(held.size(), 56u);
  EXPECT_TRUE(saved[5] == held[5]);  // the composition's first frame
  EXPECT_FALSE(saved[50] == held[50]);
}

// Pixels that are not square: cropping to the output keeps the proportions a
// viewer sees, the same crop as fitting to B's proportions, which MLT reports
// as shown.
TEST_F(KavroWipeMltModule, CroppingToTheOutputKeepsTheShownProportionsOfNonSquarePixels) {
  for (const char* profile : {"hdv_1080_25p", "dv_pal_wide"}) {
    SCOPED_TRACE(profile);
    const std::string name = profile;
    const std::string consumer = std::string("mlt_profile=") + profile;
    const std::string cropped = Melt(name + "_cropped", "kavro_wipe mask=1 crop_to_output=1 progress=0.5", consumer);
    const std::string fitted = Melt(name + "_fitted", "kavro_wipe mask=1 crop_to_output=0 progress=0.5", consumer);
    EXPECT_EQ(FramesApart(cropped, fitted), "");
    ASSERT_FALSE(ReadFrames(cropped).empty());
    EXPECT_NE(ReadFrames(cropped)[0].width, kWidth);
  }
}

// Each transition says its own bad values, once for each property.
TEST_F(KavroWipeMltModule, EachTransitionSaysItsOwnBadValuesOnce) {
  const std::string c = folder_ + "c.y4m";
  WriteBytes(c, ClipBytes(true));
  const std::string output = folder_ + "two.y4m";
  ASSERT_EQ(
      RunLogged("env MLT_REPOSITORY=" + Quote(KAVRO_MLT_REPOSITORY) + " " + Quote(KAVRO_RUN_MELT) + " -quiet " +
                    Quote(a_) + " in=0 out=" + kLast + " -track " + Quote(b_) + " in=0 out=" + kLast + " -track " +
                    Quote(c) + " in=0 out=" + kLast + " -transition kavro_wipe mask=-1 progress=abc in=0 out=" + kLast +
                    " a_track=0 b_track=1 -transition kavro_wipe mask=0x2 reverse=yes in=0 out=" + kLast +
                    " a_track=0 b_track=2 -consumer " + Quote("avformat:" + output) + " pix_fmt=yuv422p",
                MeltLog("two")),
      0)
      << ReadBytes(MeltLog("two"));
  const std::string log = ReadBytes(MeltLog("two"));
  for (const char* line : {"kavro_wipe: mask=-1 is no mask index (0 to 2): mask 0 (mask_paper (479 frame)) is used\n",
                           "kavro_wipe: progress=abc: abc is not a progress from 0 to 1: 0 is used\n",
                           "kavro_wipe: mask=0x2 is no mask index (0 to 2): mask 2 (mask_wafu2 (210 frame)) is used\n",
                           "kavro_wipe: reverse=yes: yes is not 0 or 1: 0 is used\n"}) {
    EXPECT_EQ(Occurrences(log, line), 1u) << line << " in:\n" << log;
  }
  EXPECT_EQ(Occurrences(log, "kavro_wipe:"), 4u) << log;
}

// The limits kavro holds every picture to: a wider one is passed through, once said.
TEST_F(KavroWipeMltModule, PicturesBeyondTheLimitsShowAAndTheReasonIsSaidOnce) {
  Melt("beyond_limits", "kavro_wipe mask=1", "width=16386 height=2");
  const std::string log = ReadBytes(MeltLog("beyond_limits"));
  EXPECT_EQ(Occurrences(log, "kavro_wipe: pictures of 16386x2 (at most 16384 a side, 8192x4608 in all) show source A"),
            1u)
      << log;
}

// The built-in masks' frames as PNG files, a folder or a printf pattern, and
// as gray FFV1 video where the ffmpeg program is: the bytes of mask=N,
// inverted and reversed, on one render thread and on four (MLT asks for the
// matte's frames out of order and from several threads).
TEST_F(KavroWipeMltModule, TheBuiltInMasksAsMattesWriteWhatTheMasksWrite) {
  const std::string frames = KAVRO_MASK_FRAMES;
  struct Setting {
    const char* name;
    std::string melt, kavro;
  };
  std::vector<Setting> settings = {
      {"folder", "kavro_wipe mask=" + Quote(frames + "/mask_wafu1"), "--mask 1"},
      {"folder_four_threads", "kavro_wipe mask=" + Quote(frames + "/mask_wafu1") + " invert_mask=1",
       "--mask 1 --invert"},
      {"pattern_inverted_reversed",
       "kavro_wipe mask=" + Quote(frames + "/mask_wafu2/%03d.png") + " invert_mask=1 reverse=1",
       "--mask 2 --invert --reverse"},
      // Kdenlive's panel: the matte property in place of the mask.
      {"matte_property_reversed_keyframed",
       "kavro_wipe mask=1 matte=" + Quote(frames + "/mask_paper") + " reverse=1 'progress=0=0;-1=1'",
       "--mask 0 --reverse"},
  };
  // Played at its own rate (a sequence: one frame an output frame), as kavro plays it.
  const std::string wafu1 = frames + "/mask_wafu1";
  settings.push_back({"folder_at_own_rate", "kavro_wipe mask=" + Quote(wafu1) + " mask_timing=own_rate",
                      "--mask " + Quote(wafu1) + " --mask-timing own-rate"});
  if (RunLogged("ffmpeg -version", folder_ + "ffmpeg_version.log") == 0) {
    const std::string video = folder_ + "wafu2.mkv";
    ASSERT_EQ(RunLogged("ffmpeg -nostdin -loglevel error -framerate 25 -i " + Quote(frames + "/mask_wafu2/%03d.png") +
                            " -c:v ffv1 -pix_fmt gray " + Quote(video),
                        folder_ + "ffmpeg.log"),
              0)
        << ReadBytes(folder_ + "ffmpeg.log");
    settings.push_back(
        {"ffv1_reversed_four_threads", "kavro_wipe mask=" + Quote(video) + " reverse=1", "--mask 2 --reverse"});
  }
  for (const Setting& setting : settings) {
    SCOPED_TRACE(setting.name);
    const std::string name = setting.name;
    const bool four = name.find("four_threads") != std::string::npos;
    const std::string melted = Melt(name, setting.melt, four ? "real_time=-4" : "real_time=-1");
    EXPECT_EQ(FramesApart(melted, Kavro(name, setting.kavro)), "");
    EXPECT_EQ(Occurrences(ReadBytes(MeltLog(name)), "kavro_wipe:"), 0u) << ReadBytes(MeltLog(name));
  }
}

// A luma map: A at the transition's first frame, B at its last, softness or
// not; a matte that cannot be read is one line, and its frames show A.
TEST_F(KavroWipeMltModule, ALumaMapWipesFromAToBAndAMatteThatCannotBeReadShowsA) {
  const std::string map = folder_ + "ramp.png";
  const std::vector<uint8_t> png = RgbaPng([](int x, int) -> std::array<uint8_t, 4> {
    const auto level = static_cast<uint8_t>(x * 255 / (kWidth - 1));
    return {level, level, level, 255};
  });
  WriteBytes(map, std::string(png.begin(), png.end()));
  const std::vector<Picture> a = ReadFrames(a_), b = ReadFrames(b_);
  ASSERT_EQ(a.size(), static_cast<size_t>(kFrames));
  for (const char* softness : {"0", "0.6"}) {
    SCOPED_TRACE(softness);
    const std::string name = std::string("luma_") + softness;
    const std::vector<Picture> wiped =
        ReadFrames(Melt(name, "kavro_wipe mask=" + Quote(map) + " softness=" + softness));
    ASSERT_EQ(wiped.size(), static_cast<size_t>(kFrames));
    EXPECT_TRUE(wiped[0] == a[0]);
    EXPECT_TRUE(wiped[kFrames - 1] == b[kFrames - 1]);
    EXPECT_FALSE(wiped[kFrames / 2] == a[kFrames / 2]);
    EXPECT_FALSE(wiped[kFrames / 2] == b[kFrames / 2]);
    EXPECT_EQ(Occurrences(ReadBytes(MeltLog(name)), "kavro_wipe:"), 0u) << ReadBytes(MeltLog(name));
  }

  const std::string missing = folder_ + "no_such_wipe/m_%03d.png";
  const std::string melted = Melt("missing", "kavro_wipe mask=" + Quote(missing), "real_time=-2");
  EXPECT_EQ(FramesApart(melted, a_), "");
  const std::string log = ReadBytes(MeltLog("missing"));
  EXPECT_EQ(Occurrences(log, "kavro_wipe:"), 1u) << log;
  EXPECT_EQ(Occurrences(log, missing + ": no files match the pattern"), 1u) << log;
}

// Folders made by kavro_mlt_test_folders: the module and the system's
// modules, with the plug-in's folder lacking the plug-in or its masks.
TEST_F(KavroWipeMltModule, WithoutThePluginOrItsMasksAPassesThroughAndTheReasonIsSaidOnce) {
  struct Install {
    const char* folder;
    const char* reason;
  };
  const Install installs[] = {{"no_plugin", "cannot load"}, {"no_masks", "masks not found"}};
  for (const Install& install : installs) {
    SCOPED_TRACE(install.folder);
    const std::string melted = Melt(install.folder, "kavro_wipe mask=1", "real_time=-2",
                                    std::string(KAVRO_MLT_TEST_FOLDERS) + "/" + install.folder);
    EXPECT_EQ(FramesApart(melted, a_), "");
    const std::string log = ReadBytes(MeltLog(install.folder));
    EXPECT_EQ(Occurrences(log, "kavro_wipe:"), 1u) << log;
    EXPECT_EQ(Occurrences(log, install.reason), 1u) << log;
  }
}

// What melt and the editors read: the metadata, and the Kdenlive description
// naming only parameters the module has.
TEST_F(KavroWipeMltModule, MeltDescribesTheTransitionAndKdenlivesDescriptionMatchesIt) {
  const std::string log = folder_ + "query.log";
  ASSERT_EQ(RunLogged("env MLT_REPOSITORY=" + Quote(KAVRO_MLT_REPOSITORY) + " melt -query transition=kavro_wipe", log),
            0)
      << ReadBytes(log);
  const std::string query = ReadBytes(log);
  EXPECT_NE(query.find("identifier: kavro_wipe"), std::string::npos) << query;
  const std::string kdenlive = ReadBytes(KAVRO_KDENLIVE_TRANSITION);
  EXPECT_NE(kdenlive.find("<transition tag=\"kavro_wipe\""), std::string::npos);
  size_t parameters = 0;
  for (size_t at = kdenlive.find("<parameter "); at != std::string::npos; at = kdenlive.find("<parameter ", at + 1)) {
    const size_t name = kdenlive.find(" name=\"", at) + 7;
    const std::string parameter = kdenlive.substr(name, kdenlive.find('"', name) - name);
    EXPECT_NE(query.find("identifier: " + parameter + "\n"), std::string::npos) << parameter << " in " << query;
    ++parameters;
  }
  EXPECT_EQ(parameters, 8u);
  for (const char* parameter : {"progress", "mask", "matte", "softness", "mask_timing", "mask_kind", "invert_mask",
                                "reverse", "crop_to_output"}) {
    EXPECT_NE(query.find(std::string("identifier: ") + parameter + "\n"), std::string::npos) << parameter;
  }
}

}  // namespace
