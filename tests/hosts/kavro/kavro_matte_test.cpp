// kavro with a matte of the user's own (--mask PATH): the built-in masks
// exported as files render as the built-in masks do, luma maps wipe from A
// to B, and a matte that cannot be read stops kavro before it writes.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "KavroProgram.h"
#include "tests/media/ScratchFiles.h"
#include "tests/media/Y4mOutput.h"
#include "tests/support/ShellCommand.h"

namespace {

std::string MaskFolder(int mask) {
  static const char* const kFolders[] = {"mask_paper", "mask_wafu1", "mask_wafu2"};
  return std::string(KIV_MASK_FRAMES_DIR) + "/" + kFolders[mask];
}

// A short, small wipe between the built-in clips into `out`, with the mask and options given.
ProgramRun Wipe(const std::string& out, const std::string& mask, const std::vector<std::string>& more = {}) {
  std::vector<std::string> arguments = {
      "render", "--frames", "8", "--size", "160x90", "--mask", mask, "--plugin", PluginCopy("kiv_shipped"),
      "-q",     "-o",       out};
  arguments.insert(arguments.end(), more.begin(), more.end());
  return RunKavro(arguments);
}

TEST(KavroMatte, TheBuiltInMasksAsPngFilesRenderByteForByteAsTheMasksThemselves) {
  const std::string folder = ScratchFolder("matte_exact");
  const std::vector<std::vector<std::string>> variants = {{}, {"--invert"}, {"--reverse", "--crop-to-output"}};
  for (int mask = 0; mask < 3; ++mask) {
    for (size_t v = 0; v < variants.size(); ++v) {
      SCOPED_TRACE("mask " + std::to_string(mask) + " variant " + std::to_string(v));
      const std::string builtIn = folder + "builtin.y4m";
      ASSERT_EQ(Wipe(builtIn, std::to_string(mask), variants[v]).exitCode, 0);
      const std::string expected = ReadBytes(builtIn);
      // The folder on one thread and on three, the pattern on the machine's count.
      std::vector<std::pair<std::string, std::vector<std::string>>> runs = {{MaskFolder(mask), {"--threads", "1"}},
                                                                            {MaskFolder(mask) + "/%03d.png", {}}};
      if (v == 0) runs.push_back({MaskFolder(mask), {"--threads", "3"}});
      for (auto& [matte, threads] : runs) {
        std::vector<std::string> more = variants[v];
        more.insert(more.end(), threads.begin(), threads.end());
        const ProgramRun run = Wipe(folder + "matte.y4m", matte, more);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_TRUE(ReadBytes(folder + "matte.y4m") == expected) << matte;
      }
    }
  }
}

#if !defined(_WIN32)
// The masks as lossless full-range gray video (FFV1), made by the ffmpeg program.
TEST(KavroMatte, TheBuiltInMasksAsGrayFfv1VideoRenderAsTheMasks) {
#ifndef KAVRO_HAVE_AV
  GTEST_SKIP() << "this build reads no video";
#endif
  const std::string folder = ScratchFolder("matte_ffv1");
  if (RunLogged("ffmpeg -version", folder + "which.log") != 0) GTEST_SKIP() << "no ffmpeg program here";
  for (int mask = 0; mask < 3; ++mask) {
    const std::string video = folder + "mask" + std::to_string(mask) + ".mkv";
    ASSERT_EQ(RunLogged("ffmpeg -nostdin -loglevel error -framerate 25 -i " + Quote(MaskFolder(mask) + "/%03d.png") +
                            " -c:v ffv1 -pix_fmt gray " + Quote(video),
                        folder + "ffmpeg.log"),
              0)
        << ReadBytes(folder + "ffmpeg.log");
    for (const std::vector<std::string>& variant : {std::vector<std::string>{}, {"--invert", "--reverse"}}) {
      ASSERT_EQ(Wipe(folder + "builtin.y4m", std::to_string(mask), variant).exitCode, 0);
      const ProgramRun run = Wipe(folder + "matte.y4m", video, variant);
      ASSERT_EQ(run.exitCode, 0) << run.err;
      EXPECT_TRUE(ReadBytes(folder + "matte.y4m") == ReadBytes(folder + "builtin.y4m")) << video;
    }
  }
}
#endif

// A C422 clip whose every frame is Y `luma`, chroma 128.
std::string Uniform422(int frames, uint8_t luma) {
  std::string bytes = "YUV4MPEG2 W32 H16 F25:1 C422\n";
  for (int f = 0; f < frames; ++f)
    bytes += "FRAME\n" + std::string(32 * 16, static_cast<char>(luma)) + std::string(32 * 16, '\x80');
  return bytes;
}

TEST(KavroMatte, ALumaMapWipesFromAToBDarkPartsFirst) {
  const std::string folder = ScratchFolder("matte_luma");
  WriteBytes(folder + "a.y4m", Uniform422(9, 16));
  WriteBytes(folder + "b.y4m", Uniform422(9, 235));
  // Black on the left, white on the right, as a 16-bit PGM.
  std::string pgm = "P5 32 16 65535\n";
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 32; ++x) {
      const int level = x * 65535 / 31;
      pgm += static_cast<char>(level >> 8);
      pgm += static_cast<char>(level & 255);
    }
  }
  WriteBytes(folder + "map.pgm", pgm);
  for (const char* softness : {"0", "1"}) {
    const ProgramRun run =
        RunKavro({"render", folder + "a.y4m", folder + "b.y4m", "--mask", folder + "map.pgm", "--softness", softness,
                  "--plugin", PluginCopy("kiv_shipped"), "-q", "-o", folder + "out.y4m"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const Y4mOutput out = ReadY4mOutput(folder + "out.y4m");
    ASSERT_EQ(out.frames.size(), 9u);
    EXPECT_EQ(out.frames[0].y, std::vector<uint8_t>(32 * 16, 16)) << softness;
    EXPECT_EQ(out.frames[8].y, std::vector<uint8_t>(32 * 16, 235)) << softness;
    // Half way: B on the dark left, A on the bright right.
    EXPECT_GT(out.frames[4].y[0], 200) << softness;
    EXPECT_LT(out.frames[4].y[31], 50) << softness;
  }
}

TEST(KavroMatte, AMatteThatCannotBeReadIsOneLineAndNothingIsWritten) {
  const std::string folder = ScratchFolder("matte_bad");
  std::filesystem::create_directories(folder + "empty");
  WriteBytes(folder + "words.png", std::string("these are words, not a picture"));
  WriteBytes(folder + "wide.pgm", std::string("P5 17000 1 255\n") + std::string(17000, '\x10'));
  for (const std::string& matte :
       {folder + "missing.png", folder + "empty", folder + "m_%04d.png", folder + "words.png", folder + "wide.pgm"}) {
    const std::string out = folder + "out.y4m";
    const ProgramRun run = Wipe(out, matte, {"--png", folder + "frames", "--sheet", folder + "sheet.png"});
    EXPECT_EQ(run.exitCode, 1) << matte;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    EXPECT_NE(run.err.find(matte.substr(folder.size())), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(out)) << matte;
    EXPECT_FALSE(std::filesystem::exists(folder + "frames")) << matte;
    EXPECT_FALSE(std::filesystem::exists(folder + "sheet.png")) << matte;
  }
  // Matte options without a matte are a usage error.
  EXPECT_EQ(Wipe(folder + "out.y4m", "1", {"--softness", "0.5"}).exitCode, 2);
  EXPECT_EQ(Wipe(folder + "out.y4m", folder + "map.pgm", {"--softness", "2"}).exitCode, 2);
  EXPECT_EQ(Wipe(folder + "out.y4m", folder + "map.pgm", {"--mask-timing", "sometimes"}).exitCode, 2);
}

TEST(KavroMatte, AFrameThatFailsMidwayHoldsTheOneBeforeAndIsSaidOnce) {
  const std::string folder = ScratchFolder("matte_damaged");
  WriteBytes(folder + "a.y4m", Uniform422(8, 16));
  WriteBytes(folder + "b.y4m", Uniform422(8, 235));
  // Every 29th frame of a built-in mask, the sixth cut in half.
  for (int i = 0; i < 8; ++i) {
    char name[16];
    std::snprintf(name, sizeof name, "/%03d.png", i * 29);
    std::string bytes = ReadBytes(MaskFolder(1) + name);
    if (i == 5) bytes.resize(bytes.size() / 2);
    WriteBytes(folder + "m_" + std::to_string(i) + ".png", bytes);
  }
  const ProgramRun run =
      RunKavro({"render", folder + "a.y4m", folder + "b.y4m", "--mask", folder + "m_%d.png", "--threads", "3",
                "--plugin", PluginCopy("kiv_shipped"), "-q", "-o", folder + "out.y4m"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.err.find("m_5.png"), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
  const Y4mOutput out = ReadY4mOutput(folder + "out.y4m");
  ASSERT_EQ(out.frames.size(), 8u);
  EXPECT_TRUE(out.frames[5] == out.frames[4]);
  EXPECT_FALSE(out.frames[6] == out.frames[4]);
}

}  // namespace
