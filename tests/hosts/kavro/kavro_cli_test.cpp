// The kavro program end to end: command lines, every input kind, the
// outputs, the threads, and what it says when something is wrong.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "KavroProgram.h"
#include "media/ColourConversion.h"
#include "media/FileBytes.h"
#include "media/PngFile.h"
#include "media/Scaling.h"
#include "media/Y4mReader.h"
#include "tests/media/ScratchFiles.h"
#include "tests/media/Y4mOutput.h"

using namespace kavro;

namespace {

// A YUV4MPEG2 clip of seeded random planes, written as bytes by hand.
struct Clip {
  std::string header;  // without "YUV4MPEG2 " and the newline
  std::vector<std::vector<uint8_t>> frames;

  std::string Bytes() const {
    std::string bytes = "YUV4MPEG2 " + header + "\n";
    for (const auto& planes : frames) bytes += "FRAME\n" + std::string(planes.begin(), planes.end());
    return bytes;
  }
  Y4mFormat Format() const { return ParseY4mHeader("YUV4MPEG2 " + header, "clip"); }
  Picture Frame(size_t index) const { return Y4mPlanesToPicture(Format(), frames[index].data()); }
};

Clip RandomClip(const std::string& header, int frames, unsigned seed) {
  Clip clip{header, {}};
  std::mt19937 random(seed);
  const size_t bytes = Y4mFrameBytes(clip.Format());
  for (int f = 0; f < frames; ++f) {
    std::vector<uint8_t> planes(bytes);
    for (uint8_t& value : planes) value = static_cast<uint8_t>(random());
    clip.frames.push_back(planes);
  }
  return clip;
}

Clip UniformClip(const std::string& header, int frames, uint8_t luma) {
  Clip clip{header, {}};
  const Y4mFormat format = clip.Format();
  const size_t lumaBytes = static_cast<size_t>(format.width) * format.height;
  for (int f = 0; f < frames; ++f) {
    std::vector<uint8_t> planes(Y4mFrameBytes(format), 128);
    std::fill(planes.begin(), planes.begin() + static_cast<long>(lumaBytes), luma);
    clip.frames.push_back(planes);
  }
  return clip;
}

std::string Write(const std::string& path, const Clip& clip) {
  WriteBytes(path, clip.Bytes());
  return path;
}

Picture Opaque(Picture picture) {
  std::fill(picture.alpha.begin(), picture.alpha.end(), 255);
  return picture;
}

// The plug-in copies beside the tests: no resource module, every frame a
// uniform level-128 mask, and the shipped masks.
std::string NoMasks() { return PluginCopy("kiv_none"); }
std::string FlatMasks() { return PluginCopy("kiv_complete"); }
std::string ShippedMasks() { return PluginCopy("kiv_shipped"); }

TEST(KavroProgram, PrintsHelpAndVersion) {
  ProgramRun help = RunKavro({"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.out.find("usage: kavro render [A] [B] -o OUT.y4m"), std::string::npos);
  EXPECT_NE(help.out.find("mask_wafu2 (210 frame)"), std::string::npos);
  ProgramRun version = RunKavro({"--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.out.rfind("kavro 1.", 0), 0u) << version.out;
}

TEST(KavroProgram, RejectsBadCommandLinesWithOneLine) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{}, "kavro: no command given"},
      {{"render", "-o", "x.y4m", "--speed", "2"}, "kavro: unknown option --speed"},
      {{"render", "-o", "x.y4m", "--frames"}, "kavro: --frames needs a value"},
      {{"render", "-o", "x.y4m", "--size", "7x7"}, "kavro: bad --size '7x7': the width must be even"},
      {{"render", "-o", "x.y4m", "--mask", "leopard"}, "kavro: unknown mask 'leopard'"},
      {{"render", "-o", "x.y4m", "--mask", "two\nlines"}, "kavro: unknown mask 'two\\x0alines'"},
      {{"render"}, "kavro: nothing to write"},
  };
  for (const auto& [arguments, message] : cases) {
    ProgramRun run = RunKavro(arguments);
    EXPECT_EQ(run.exitCode, 2) << message;
    EXPECT_EQ(run.err.rfind(message, 0), 0u) << run.err;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
  }
}

TEST(KavroProgram, RefusesFilesAndPlugInsItCannotUse) {
  const std::string folder = ScratchFolder("cli_bad_files");
  WriteBytes(folder + "notes.txt", std::string("not a clip"));
  Clip clip = RandomClip("W4 H2 C422", 2, 1);
  WriteBytes(folder + "cut.y4m", clip.Bytes().substr(0, clip.Bytes().size() - 3));
  WriteBytes(folder + "bad.y4m", std::string("YUV4MPEG2 W4 H2 C411\nFRAME\n"));
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"render", folder + "absent.y4m", "-o", folder + "o.y4m", "--plugin", NoMasks()},
       "kavro: cannot open " + folder + "absent.y4m"},
      {{"render", folder + "notes.txt", "-o", folder + "o.y4m", "--plugin", NoMasks()},
#ifdef KAVRO_HAVE_AV
       "kavro: " + folder + "notes.txt: not a file FFmpeg's libraries read"},
#else
       "kavro: " + folder + "notes.txt: neither a YUV4MPEG2 file nor a PNG image"},
#endif
      {{"render", folder + "cut.y4m", "-o", folder + "o.y4m", "--plugin", NoMasks()},
       "kavro: " + folder + "cut.y4m: frame 1 is cut short (13 of 16 bytes)"},
      {{"render", folder + "bad.y4m", "-o", folder + "o.y4m", "--plugin", NoMasks()},
       "kavro: " + folder + "bad.y4m: colour space C411 is not supported"},
      {{"render", TestImagePath("corrupt.png"), "-o", folder + "o.y4m", "--plugin", NoMasks()},
       "kavro: " + TestImagePath("corrupt.png") + ": not a readable PNG"},
      {{"render", "-o", folder + "o.y4m", "--plugin", folder + "absent.so"}, "kavro: cannot load " + folder},
      {{"info", "--plugin", folder + "notes.txt"}, "kavro: cannot load " + folder + "notes.txt"},
  };
  for (const auto& [arguments, message] : cases) {
    ProgramRun run = RunKavro(arguments);
    EXPECT_EQ(run.exitCode, 1) << message;
    EXPECT_EQ(run.err.rfind(message, 0), 0u) << run.err;
  }
}

TEST(KavroProgram, InfoListsTheMasksAndTheirFrames) {
  ProgramRun found = RunKavro({"info", "--plugin", FlatMasks()});
  EXPECT_EQ(found.exitCode, 0) << found.err;
  EXPECT_NE(found.out.find("supported formats  1: YUV422 + alpha (12)"), std::string::npos) << found.out;
  EXPECT_NE(found.out.find("1  mask_wafu1 (210 frame)   ids 10480-10689, 210 of 210 frames present"), std::string::npos)
      << found.out;
  ProgramRun missing = RunKavro({"info", "--plugin", NoMasks()});
  EXPECT_EQ(missing.exitCode, 0);
  EXPECT_NE(missing.out.find("(not found: no mask frames)"), std::string::npos) << missing.out;
  EXPECT_NE(missing.out.find("0 of 479 frames present"), std::string::npos) << missing.out;
}

TEST(KavroProgram, WithoutTheResourceModuleTheOutputIsSourceA) {
  const std::string folder = ScratchFolder("cli_no_masks");
  Clip a = RandomClip("W8 H4 F30:1 A1:1 C422", 3, 2);
  Clip b = RandomClip("W8 H4 C444", 3, 3);
  ProgramRun run = RunKavro({"render", Write(folder + "a.y4m", a), Write(folder + "b.y4m", b), "-o", folder + "out.y4m",
                             "--plugin", NoMasks(), "--threads", "2"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.err.find("kavro: masks not found"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("the output is source A"), std::string::npos) << run.err;
  EXPECT_NE(run.err.find("kavro: 3 frames in"), std::string::npos) << run.err;
  Y4mOutput out = ReadY4mOutput(folder + "out.y4m");
  EXPECT_EQ(FormatY4mHeader(out.format), "YUV4MPEG2 W8 H4 F30:1 Ip A1:1 C422 XCOLORRANGE=LIMITED\n");
  ASSERT_EQ(out.frames.size(), 3u);
  for (size_t f = 0; f < 3; ++f) EXPECT_EQ(out.frames[f], a.Frame(f)) << f;
  // Every byte of the file is the source's: header aside, the planes are copied.
  std::string written = ReadBytes(folder + "out.y4m");
  EXPECT_EQ(written.substr(written.find('\n') + 1), a.Bytes().substr(a.Bytes().find('\n') + 1));
}

TEST(KavroProgram, ReadsEveryInputKindAsSourceA) {
  const std::string folder = ScratchFolder("cli_input_kinds");
  const char* headers[] = {
      "W6 H4 C420jpeg", "W6 H4 C420mpeg2", "W6 H4 C420paldv", "W6 H4 C420", "W6 H4 C444", "W6 H4 C422", "W6 H4"};
  unsigned seed = 10;
  for (const char* header : headers) {
    Clip a = RandomClip(header, 1, ++seed);
    ProgramRun run =
        RunKavro({"render", Write(folder + "a.y4m", a), "-o", folder + "out.y4m", "--plugin", NoMasks(), "--quiet"});
    EXPECT_EQ(run.exitCode, 0) << header << ": " << run.err;
    Y4mOutput out = ReadY4mOutput(folder + "out.y4m");
    ASSERT_EQ(out.frames.size(), 1u) << header;
    EXPECT_EQ(out.frames[0], a.Frame(0)) << header;
  }
  for (const char* still : {"pattern.png", "rgb.png", "rgba.png"}) {
    ProgramRun run = RunKavro({"render", TestImagePath(still), "-o", folder + "out.y4m", "--png", folder + "frames",
                               "--frames", "2", "--plugin", NoMasks(), "--quiet"});
    EXPECT_EQ(run.exitCode, 0) << still << ": " << run.err;
    std::vector<uint8_t> png = ReadFileBytes(TestImagePath(still));
    const Picture expected = RgbaToPicture(DecodePng(png.data(), png.size(), still));
    Y4mOutput out = ReadY4mOutput(folder + "out.y4m");
    ASSERT_EQ(out.frames.size(), 2u) << still;
    EXPECT_EQ(out.frames[1], Opaque(expected)) << still;
    // The alpha plane reaches the PNG frames.
    std::vector<uint8_t> frame = ReadFileBytes(folder + "frames/frame_00001.png");
    RgbaImage written = DecodePng(frame.data(), frame.size(), "frame");
    for (size_t i = 0; i < expected.alpha.size(); ++i) EXPECT_EQ(written.pixels[i * 4 + 3], expected.alpha[i]) << i;
  }
}

TEST(KavroProgram, ScalesSourcesAndHoldsTheShorterClipsLastFrame) {
  const std::string folder = ScratchFolder("cli_scale_hold");
  Clip a = RandomClip("W4 H2 C422", 2, 30);
  Clip b = RandomClip("W8 H4 C422", 5, 31);
  const std::string pathA = Write(folder + "a.y4m", a), pathB = Write(folder + "b.y4m", b);
  // The shorter clip sets the length; the output has A's size.
  ProgramRun run = RunKavro({"render", pathA, pathB, "-o", folder + "short.y4m", "--plugin", NoMasks()});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(ReadY4mOutput(folder + "short.y4m").frames.size(), 2u);
  run = RunKavro(
      {"render", pathA, pathB, "-o", folder + "long.y4m", "--frames", "4", "--size", "10x6", "--plugin", NoMasks()});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  Y4mOutput out = ReadY4mOutput(folder + "long.y4m");
  ASSERT_EQ(out.frames.size(), 4u);
  EXPECT_EQ(out.frames[0], ScalePicture(a.Frame(0), 10, 6));
  EXPECT_EQ(out.frames[1], ScalePicture(a.Frame(1), 10, 6));
  EXPECT_EQ(out.frames[3], out.frames[1]);
  // 10x6 pixels shown at A's 2:1: pixel aspect 6:5.
  EXPECT_EQ(out.format.aspectNumerator, 6u);
  EXPECT_EQ(out.format.aspectDenominator, 5u);
}

TEST(KavroProgram, PipesFromStandardInputToStandardOutput) {
  const std::string folder = ScratchFolder("cli_pipes");
  Clip a = RandomClip("W8 H2 C420mpeg2", 3, 40);
  const std::string pathA = Write(folder + "a.y4m", a);
  ProgramRun file = RunKavro({"render", pathA, "-o", folder + "file.y4m", "--plugin", NoMasks(), "--frames", "3"});
  ProgramRun pipe =
      RunKavro({"render", "-", "-o", "-", "--plugin", NoMasks(), "--frames", "3"}, pathA, folder + "pipe.y4m");
  EXPECT_EQ(file.exitCode, 0) << file.err;
  EXPECT_EQ(pipe.exitCode, 0) << pipe.err;
  EXPECT_EQ(ReadBytes(folder + "pipe.y4m"), ReadBytes(folder + "file.y4m"));
  EXPECT_EQ(ReadY4mOutput(folder + "pipe.y4m").frames.size(), 3u);
}

TEST(KavroProgram, ACutStreamStopsWithTheValidFramesWritten) {
  const std::string folder = ScratchFolder("cli_cut_stream");
  Clip a = RandomClip("W4 H2 C422", 4, 50);
  std::string bytes = a.Bytes();
  WriteBytes(folder + "cut.y4m", bytes.substr(0, bytes.size() - 5));
  ProgramRun run =
      RunKavro({"render", "-", "-o", folder + "out.y4m", "--plugin", NoMasks(), "--frames", "6", "--threads", "3"},
               folder + "cut.y4m");
  EXPECT_EQ(run.exitCode, 1);
  // The warning about the masks, then the reason for stopping.
  const std::string reason = "kavro: standard input: frame 3 is cut short (11 of 16 bytes) (3 of 6 frames written)\n";
  EXPECT_EQ(run.err.rfind("kavro: masks not found", 0), 0u) << run.err;
  EXPECT_EQ(run.err.substr(run.err.find('\n') + 1), reason);
  Y4mOutput out = ReadY4mOutput(folder + "out.y4m");
  ASSERT_EQ(out.frames.size(), 3u);
  for (size_t f = 0; f < 3; ++f) EXPECT_EQ(out.frames[f], a.Frame(f));
}

// Every mask frame of the flat fixture is 128: with opaque sources each
// output byte is (B m + A (255 - m)) / 255, m = 127 as stored is
// complemented, 128 when the mask is inverted.
TEST(KavroProgram, MixesBIntoAThroughThePlugIn) {
  const std::string folder = ScratchFolder("cli_mix");
  const std::string pathA = Write(folder + "a.y4m", UniformClip("W8 H2 C422", 2, 200));
  const std::string pathB = Write(folder + "b.y4m", UniformClip("W8 H2 C422", 2, 50));
  ProgramRun run = RunKavro({"render", pathA, pathB, "-o", folder + "mix.y4m", "--plugin", FlatMasks()});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err.find("masks not found"), std::string::npos) << run.err;
  Y4mOutput mix = ReadY4mOutput(folder + "mix.y4m");
  ASSERT_EQ(mix.frames.size(), 2u);
  EXPECT_EQ(mix.frames[1].y, std::vector<uint8_t>(16, 125));  // (50 * 127 + 200 * 128) / 255 = 125.3
  EXPECT_EQ(mix.frames[1].cb, std::vector<uint8_t>(8, 128));
  run = RunKavro({"render", pathA, pathB, "-o", folder + "inverted.y4m", "--invert", "--plugin", FlatMasks()});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(ReadY4mOutput(folder + "inverted.y4m").frames[0].y, std::vector<uint8_t>(16, 124));  // 124.7
}

// The render fixture's mask 0 is a 640 x 360 frame whose level follows its
// column, so how it is cropped shows in every output row.
TEST(KavroProgram, FitsTheMaskToTheProportionsSourceBReports) {
  const std::string folder = ScratchFolder("cli_proportions");
  const std::string pathA = Write(folder + "a.y4m", UniformClip("W32 H18 C422", 1, 16));
  auto render = [&](const std::string& headerB, bool cropToOutput) {
    const std::string pathB = Write(folder + "b.y4m", UniformClip(headerB, 1, 235));
    std::vector<std::string> arguments = {
        "render", pathA, pathB, "-o", folder + "out.y4m", "--frames", "1", "--plugin", PluginCopy("kiv_render")};
    if (cropToOutput) arguments.push_back("--crop-to-output");
    ProgramRun run = RunKavro(arguments);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    Y4mOutput out = ReadY4mOutput(folder + "out.y4m");
    return out.frames.empty() ? std::vector<uint8_t>() : out.frames[0].y;
  };
  const std::vector<uint8_t> toOutput = render("W8 H6 C422", true);
  ASSERT_FALSE(toOutput.empty());
  // A 4:3 source B narrows the mask more than the 16:9 output does.
  EXPECT_NE(render("W8 H6 C422", false), toOutput);
  // The same picture with wide pixels is 16:9, like the output, and so is a 16 x 9 one.
  EXPECT_EQ(render("W8 H6 A4:3 C422", false), toOutput);
  EXPECT_EQ(render("W16 H9 C422", false), toOutput);
}

TEST(KavroProgram, ThreadsDoNotChangeABit) {
  const std::string folder = ScratchFolder("cli_threads");
  std::vector<std::string> common = {"render",    "--size",   "64x36",        "--frames",      "9", "--mask", "wafu2",
                                     "--reverse", "--plugin", ShippedMasks(), "--sheet-every", "2"};
  for (const char* threads : {"1", "4"}) {
    std::vector<std::string> arguments = common;
    const std::string name = std::string("t") + threads;
    for (const std::string& extra :
         {std::string("--threads"), std::string(threads), std::string("-o"), folder + name + ".y4m",
          std::string("--png"), folder + name, std::string("--sheet"), folder + name + ".png"}) {
      arguments.push_back(extra);
    }
    ProgramRun run = RunKavro(arguments);
    ASSERT_EQ(run.exitCode, 0) << run.err;
  }
  const std::string one = ReadBytes(folder + "t1.y4m");
  EXPECT_EQ(one.size(),
            std::string("YUV4MPEG2 W64 H36 F25:1 Ip A1:1 C422 XCOLORRANGE=LIMITED\n").size() + 9 * (6 + 64 * 36 * 2));
  EXPECT_EQ(one, ReadBytes(folder + "t4.y4m"));
  EXPECT_EQ(ReadBytes(folder + "t1.png"), ReadBytes(folder + "t4.png"));
  for (int f = 0; f < 9; ++f) {
    const std::string frame = "frame_0000" + std::to_string(f) + ".png";
    EXPECT_EQ(ReadBytes(folder + "t1/" + frame), ReadBytes(folder + "t4/" + frame)) << frame;
  }
  // The wipe runs: the built-in clips move by themselves, so it shows only
  // against the same render without masks, which is source A throughout.
  std::vector<std::string> plain = {"render",   "--size",  "64x36", "--frames",          "9",
                                    "--plugin", NoMasks(), "-o",    folder + "plain.y4m"};
  ASSERT_EQ(RunKavro(plain).exitCode, 0);
  Y4mOutput out = ReadY4mOutput(folder + "t1.y4m");
  const Y4mOutput sourceA = ReadY4mOutput(folder + "plain.y4m");
  ASSERT_EQ(sourceA.frames.size(), out.frames.size());
  size_t wiped = 0;
  for (size_t f = 0; f < out.frames.size(); ++f) wiped += out.frames[f].y != sourceA.frames[f].y;
  EXPECT_GE(wiped, 7u);  // reversed, all but the last frame or two show some of B
  std::vector<uint8_t> sheet = ReadFileBytes(folder + "t1.png");
  EXPECT_EQ(DecodePng(sheet.data(), sheet.size(), "sheet").width, 8 + 5 * (64 + 8));  // frames 0 2 4 6 8
}

}  // namespace
