// melt, the renderer under the MLT editors, running a transition through
// kavro_wipe from the folder an editor is pointed at, against `kavro render`
// of the same clips: A first, B last, the same mix midway, and a wipe that
// only ever advances. Skipped where melt cannot run.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "media/Y4m.h"
#include "tests/media/ScratchFiles.h"
#include "tests/media/Y4mOutput.h"
#include "tests/support/ShellCommand.h"

using namespace kavro;

namespace {

constexpr int kWidth = 128, kHeight = 72, kFrames = 60;

// Smooth, moving, well apart: A's luma lies in 40..120 and B's in 140..209,
// the chroma of both near the middle, so no conversion on the way clips.
Picture ClipFrame(bool b, int t) {
  Picture picture(kWidth, kHeight);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      const size_t i = static_cast<size_t>(y) * kWidth + x;
      picture.y[i] =
          static_cast<uint8_t>(b ? 140 + 60 * y / kHeight + t % 10 : 40 + 80 * ((x + 2 * t) % kWidth) / kWidth);
    }
    for (int x = 0; x < kWidth / 2; ++x) {
      const size_t i = static_cast<size_t>(y) * (kWidth / 2) + x;
      picture.cb[i] = static_cast<uint8_t>(b ? 150 - 30 * x / (kWidth / 2) : 110 + 20 * y / kHeight);
      picture.cr[i] = static_cast<uint8_t>(b ? 100 + 20 * y / kHeight : 140 - 20 * x / (kWidth / 2));
    }
  }
  return picture;
}

std::string WriteClip(const std::string& path, bool b) {
  Y4mFormat format;
  format.width = kWidth;
  format.height = kHeight;
  format.aspectNumerator = format.aspectDenominator = 1;
  format.chroma = Y4mChroma::k422;
  std::string bytes = FormatY4mHeader(format);
  std::vector<uint8_t> frame;
  for (int t = 0; t < kFrames; ++t) {
    frame.clear();
    EncodeY4m422Frame(ClipFrame(b, t), frame);
    bytes.append(frame.begin(), frame.end());
  }
  WriteBytes(path, bytes);
  return path;
}

std::vector<Picture> ReadFrames(const std::string& path) { return ReadY4mOutput(path).frames; }

// How far two pictures are apart: the largest luma and chroma differences,
// and the luma samples more than `tolerance` apart.
struct Distance {
  int luma = 0, chroma = 0;
  size_t lumaBeyond = 0;
};
Distance Compare(const Picture& a, const Picture& b, int tolerance) {
  Distance distance;
  for (size_t i = 0; i < a.y.size(); ++i) {
    const int d = std::abs(a.y[i] - b.y[i]);
    distance.luma = std::max(distance.luma, d);
    if (d > tolerance) ++distance.lumaBeyond;
  }
  for (size_t i = 0; i < a.cb.size(); ++i) {
    distance.chroma = std::max({distance.chroma, std::abs(a.cb[i] - b.cb[i]), std::abs(a.cr[i] - b.cr[i])});
  }
  return distance;
}

// The share of luma samples nearer B's than A's.
double ShareOfB(const Picture& frame, const Picture& a, const Picture& b) {
  size_t nearerB = 0;
  for (size_t i = 0; i < frame.y.size(); ++i) {
    nearerB += std::abs(frame.y[i] - b.y[i]) < std::abs(frame.y[i] - a.y[i]);
  }
  return static_cast<double>(nearerB) / static_cast<double>(frame.y.size());
}

// The README's project file, with the settings of the "named" run below.
std::string ProjectFile(const std::string& a, const std::string& b) {
  return R"(<?xml version="1.0" encoding="utf-8"?>
<mlt>
  <producer id="clip_a">
    <property name="resource">)" +
         a + R"(</property>
  </producer>
  <producer id="clip_b">
    <property name="resource">)" +
         b + R"(</property>
  </producer>
  <playlist id="track_a">
    <entry producer="clip_a" in="0" out="59"/>
  </playlist>
  <playlist id="track_b">
    <entry producer="clip_b" in="0" out="59"/>
  </playlist>
  <tractor id="wipe" in="0" out="59">
    <multitrack>
      <track producer="track_a"/>
      <track producer="track_b"/>
    </multitrack>
    <transition id="kavro_wipe" in="0" out="59">
      <property name="mlt_service">frei0r.kavro_wipe</property>
      <property name="a_track">0</property>
      <property name="b_track">1</property>
      <property name="position">0=0;59=1</property>
      <property name="mask">1</property>
      <property name="invert mask">1</property>
      <property name="reverse">1</property>
      <property name="crop to output">0</property>
    </transition>
  </tractor>
</mlt>
)";
}

// melt goes from Y'CbCr to RGBA and back around the mixer, which converts
// the other way and back; kavro converts nothing.
constexpr int kLumaTolerance = 3, kChromaTolerance = 12;

struct Setting {
  const char* name;
  std::string meltProperties;  // beside the keyframed position
  std::string kavroOptions;
};

}  // namespace

TEST(KavroWipeInMelt, WipesFromAToBAsKavroRendersIt) {
  const std::string folder = ScratchFolder("kavro_wipe_melt");
  if (RunLogged("melt -version", folder + "melt_version.log") != 0) {
    GTEST_SKIP() << "melt cannot run here (`melt -version` failed: " << ReadBytes(folder + "melt_version.log")
                 << "); install Debian's melt (tools/setup/install-deps.sh) to run this test";
  }
  const std::string a = WriteClip(folder + "a.y4m", false), b = WriteClip(folder + "b.y4m", true);
  std::vector<Picture> clipA, clipB;
  for (int t = 0; t < kFrames; ++t) {
    clipA.push_back(ClipFrame(false, t));
    clipB.push_back(ClipFrame(true, t));
  }

  const Setting settings[] = {
      {"defaults", "", "--crop-to-output"},
      // By name, as a project file sets them; inverted and reversed, the wipe still starts on A.
      {"named", "mask=1 'invert mask=1' reverse=1 'crop to output=0'", "--mask wafu2 --invert --reverse"},
  };
  for (const Setting& setting : settings) {
    SCOPED_TRACE(setting.name);
    // The command line of the README, quiet, and 4:2:2 out; run-melt starts
    // melt again when it never starts its output.
    const std::string melted = folder + setting.name + "_melt.y4m";
    ASSERT_EQ(RunLogged("env FREI0R_PATH=" + Quote(KAVRO_FREI0R_DIR) + " " + Quote(KAVRO_RUN_MELT) + " -quiet " +
                            Quote(a) + " in=0 out=59 -track " + Quote(b) +
                            " in=0 out=59 -transition frei0r.kavro_wipe in=0 out=59 a_track=0 b_track=1 '0=0=0;59=1' " +
                            setting.meltProperties + " -consumer " + Quote("avformat:" + melted) + " pix_fmt=yuv422p",
                        folder + setting.name + "_melt.log"),
              0)
        << ReadBytes(folder + setting.name + "_melt.log");
    const std::string rendered = folder + setting.name + "_kavro.y4m";
    ASSERT_EQ(RunLogged(Quote(KAVRO_PROGRAM) + " render " + Quote(a) + " " + Quote(b) + " --frames 60 --quiet " +
                            setting.kavroOptions + " -o " + Quote(rendered),
                        folder + setting.name + "_kavro.log"),
              0)
        << ReadBytes(folder + setting.name + "_kavro.log");

    const std::vector<Picture> melt = ReadFrames(melted), kavro = ReadFrames(rendered);
    ASSERT_EQ(melt.size(), static_cast<size_t>(kFrames));
    ASSERT_EQ(kavro.size(), static_cast<size_t>(kFrames));
    ASSERT_EQ(melt[0].width, kWidth);
    ASSERT_EQ(melt[0].height, kHeight);

    // A first, B last.
    const Distance first = Compare(melt[0], clipA[0], kLumaTolerance);
    EXPECT_LE(first.luma, kLumaTolerance);
    EXPECT_LE(first.chroma, kChromaTolerance);
    const Distance last = Compare(melt[kFrames - 1], clipB[kFrames - 1], kLumaTolerance);
    EXPECT_LE(last.luma, kLumaTolerance);
    EXPECT_LE(last.chroma, kChromaTolerance);

    // Every frame is kavro's mix of the same mask frame.
    for (int t = 0; t < kFrames; ++t) {
      const Distance d = Compare(melt[t], kavro[t], kLumaTolerance);
      EXPECT_LE(d.luma, kLumaTolerance) << "frame " << t;
      EXPECT_LE(d.chroma, kChromaTolerance) << "frame " << t;
    }

    // The wipe only advances, from all A to all B.
    double before = -1;
    for (int t = 0; t < kFrames; ++t) {
      const double share = ShareOfB(melt[t], clipA[t], clipB[t]);
      EXPECT_GE(share, before) << "frame " << t;
      before = share;
    }
    EXPECT_EQ(ShareOfB(melt[0], clipA[0], clipB[0]), 0.0);
    EXPECT_EQ(ShareOfB(melt[kFrames / 2], clipA[kFrames / 2], clipB[kFrames / 2]) > 0.2, true);
    EXPECT_EQ(ShareOfB(melt[kFrames - 1], clipA[kFrames - 1], clipB[kFrames - 1]), 1.0);
  }

  // The transition as a project file holds it gives the same frames as the
  // command line with the same settings.
  WriteBytes(folder + "wipe.mlt", ProjectFile(a, b));
  const std::string fromProject = folder + "project_melt.y4m";
  ASSERT_EQ(
      RunLogged("env FREI0R_PATH=" + Quote(KAVRO_FREI0R_DIR) + " " + Quote(KAVRO_RUN_MELT) + " -quiet " +
                    Quote(folder + "wipe.mlt") + " -consumer " + Quote("avformat:" + fromProject) + " pix_fmt=yuv422p",
                folder + "project_melt.log"),
      0)
      << ReadBytes(folder + "project_melt.log");
  EXPECT_TRUE(ReadBytes(fromProject) == ReadBytes(folder + "named_melt.y4m"));
}
