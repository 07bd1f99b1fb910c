// kavro with FFmpeg's libraries: clips of other containers and codecs in,
// encoded files out, seeking, sampling on A's clock, colour conversion, the
// audio crossfade, and what it says about files it cannot use.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "AvTestClips.h"
#include "KavroProgram.h"
#include "media/ColourConversion.h"
#include "media/PngFile.h"
#include "media/Y4m.h"
#include "media/Y4mReader.h"
#include "tests/media/ScratchFiles.h"

using namespace kavro;

namespace {

std::string NoMasks() { return PluginCopy("kiv_none"); }
std::string ShippedMasks() { return PluginCopy("kiv_shipped"); }

Picture RandomPicture(int width, int height, unsigned seed) {
  Picture picture(width, height);
  std::mt19937 random(seed);
  for (auto* plane : {&picture.y, &picture.cb, &picture.cr}) {
    for (uint8_t& value : *plane) value = static_cast<uint8_t>(16 + random() % 220);
  }
  return picture;
}

std::string WriteY4m(const std::string& path, const std::vector<Picture>& pictures, uint32_t rate = 25) {
  Y4mFormat format;
  format.width = pictures[0].width;
  format.height = pictures[0].height;
  format.rateNumerator = rate;
  format.chroma = Y4mChroma::k422;
  std::string header = FormatY4mHeader(format);
  std::vector<uint8_t> bytes(header.begin(), header.end());
  for (const Picture& picture : pictures) {
    std::vector<uint8_t> frame;
    EncodeY4m422Frame(picture, frame);
    bytes.insert(bytes.end(), frame.begin(), frame.end());
  }
  WriteBytes(path, bytes);
  return path;
}

std::vector<Picture> ReadY4m(const std::string& path) {
  std::vector<Picture> pictures;
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return pictures;
  Y4mReader reader(file, path);
  std::vector<uint8_t> planes;
  while (reader.ReadFrame(planes)) pictures.push_back(Y4mPlanesToPicture(reader.format(), planes.data()));
  std::fclose(file);
  return pictures;
}

// Samples equal within a step of rounding.
bool Near(const std::vector<uint8_t>& samples, int expected, int within) {
  for (uint8_t value : samples) {
    if (std::abs(value - expected) > within) return false;
  }
  return !samples.empty();
}

bool OneLine(const std::string& text) { return !text.empty() && text.find('\n') == text.size() - 1; }

TEST(KavroAv, TheLosslessRouteGivesTheBytesOfTheYuv4mpeg2Route) {
  const std::string folder = ScratchFolder("av_lossless");
  std::vector<Picture> a, b;
  for (int i = 0; i < 6; ++i) {
    a.push_back(RandomPicture(64, 48, 100 + i));
    b.push_back(RandomPicture(64, 48, 200 + i));
  }
  for (const char* name : {"a", "b"}) {
    ClipSpec wanted;
    wanted.path = folder + name + ".mkv";
    wanted.frames = 6;
    const std::vector<Picture>& pictures = name[0] == 'a' ? a : b;
    wanted.picture = [&](int i) { return pictures[size_t(i)]; };
    ASSERT_TRUE(WriteClip(wanted));
  }
  WriteY4m(folder + "a.y4m", a);
  WriteY4m(folder + "b.y4m", b);
  const std::vector<std::string> common = {"--plugin", ShippedMasks(), "--frames", "6", "--mask", "1", "--quiet"};
  auto render = [&](const std::string& in, const std::string& out) {
    std::vector<std::string> arguments = {"render", folder + "a." + in, folder + "b." + in, "-o", folder + out};
    arguments.insert(arguments.end(), common.begin(), common.end());
    ProgramRun run = RunKavro(arguments);
    EXPECT_EQ(run.exitCode, 0) << run.err;
  };
  render("y4m", "y4m_route.y4m");
  render("mkv", "from_mkv.y4m");
  render("mkv", "mkv_route.mkv");
  const std::string expected = ReadBytes(folder + "y4m_route.y4m");
  EXPECT_EQ(ReadBytes(folder + "from_mkv.y4m"), expected);
  const std::vector<Picture> pictures = ReadY4m(folder + "y4m_route.y4m");
  ClipReading out = ReadClip(folder + "mkv_route.mkv");
  EXPECT_EQ(out.videoCodec, "ffv1");
  EXPECT_EQ(out.pixelFormat, "yuv422p");
  ASSERT_EQ(out.pictures.size(), pictures.size());
  for (size_t i = 0; i < pictures.size(); ++i) EXPECT_EQ(out.pictures[i], pictures[i]) << "frame " << i;
  // The mix is not one of the sources.
  EXPECT_FALSE(pictures[3] == a[3]);
  EXPECT_FALSE(pictures[3] == b[3]);
}

TEST(KavroAv, Mp4WithH264InAndOutHasTheFramesSizeRateAndDurationOfA) {
  const std::string folder = ScratchFolder("av_mp4");
  ClipSpec a = H264Clip(folder + "a.mp4", 20);
  a.width = 96;
  a.height = 64;
  ClipSpec b = a;
  b.path = folder + "b.mp4";
  b.width = 80;
  b.height = 60;
  b.frames = 30;
  ASSERT_TRUE(WriteClip(a));
  ASSERT_TRUE(WriteClip(b));
  ProgramRun run = RunKavro({"render", a.path, b.path, "-o", folder + "out.mp4", "--plugin", ShippedMasks(), "-q"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  ClipReading out = ReadClip(folder + "out.mp4");
  EXPECT_EQ(out.videoCodec, "h264");
  EXPECT_EQ(out.pixelFormat, "yuv420p");
  EXPECT_EQ(out.pictures.size(), 20u);
  EXPECT_EQ(out.width, 96);
  EXPECT_EQ(out.height, 64);
  EXPECT_EQ(av_cmp_q(out.rate, AVRational{25, 1}), 0) << out.rate.num << "/" << out.rate.den;
  EXPECT_NEAR(out.duration, 0.8, 0.05);
  // --duration counts in A's frames; the gray pictures stay gray through H.264.
  run = RunKavro(
      {"render", a.path, b.path, "-o", folder + "short.mp4", "--duration", "0.4", "--plugin", NoMasks(), "-q"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  out = ReadClip(folder + "short.mp4");
  ASSERT_EQ(out.pictures.size(), 10u);
  EXPECT_TRUE(Near(out.pictures[5].y, 128, 2));
}

// B: full-range BT.601 4:4:4 at a quarter of A's size and twice its rate,
// each frame a flat colour whose green counts the frames. Sampled on A's
// clock, output frame k shows B's frame 2k, in A's BT.709 limited range.
TEST(KavroAv, SourcesOfOtherSizesRatesAndColourSpacesMeetAsA) {
  const std::string folder = ScratchFolder("av_mixed_sources");
  ClipSpec a;
  a.path = folder + "a.mkv";
  a.frames = 30;
  ClipSpec b;
  b.path = folder + "b.mkv";
  b.width = 32;
  b.height = 24;
  b.rate = {50, 1};
  b.frames = 40;
  b.pixelFormat = AV_PIX_FMT_YUV444P;
  b.matrix = AVCOL_SPC_BT470BG;
  b.fullRange = true;
  auto rgbOf = [](int i) { return std::array<int, 3>{200, 20 + 5 * i, 100}; };
  b.picture = [&](int i) {
    const auto [r, g, bl] = rgbOf(i);
    const double y = 0.299 * r + 0.587 * g + 0.114 * bl;
    return FlatPicture(32, 24, static_cast<uint8_t>(std::lround(y)),
                       static_cast<uint8_t>(std::lround(128 + (bl - y) / 1.772)),
                       static_cast<uint8_t>(std::lround(128 + (r - y) / 1.402)));
  };
  ASSERT_TRUE(WriteClip(a));
  ASSERT_TRUE(WriteClip(b));
  for (bool inverted : {false, true}) {
    std::vector<std::string> arguments = {"render",           a.path,     b.path,         "-o",
                                          folder + "out.y4m", "--plugin", ShippedMasks(), "-q"};
    if (inverted) arguments.push_back("--invert");
    ProgramRun run = RunKavro(arguments);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    std::vector<Picture> out = ReadY4m(folder + "out.y4m");
    ASSERT_EQ(out.size(), 20u);  // B's 0.8 s
    EXPECT_EQ(out[0].width, 64);
    EXPECT_EQ(out[0].height, 48);
    // Inverted, the first frame is all B; otherwise the last one.
    const size_t k = inverted ? 0 : 19;
    const auto [r, g, bl] = rgbOf(int(2 * k));
    const YCbCr expected = RgbToYCbCr(r, g, bl);
    EXPECT_TRUE(Near(out[k].y, expected.y, 1)) << int(out[k].y[0]) << " for " << int(expected.y);
    EXPECT_TRUE(Near(out[k].cb, expected.cb, 1)) << int(out[k].cb[0]) << " for " << int(expected.cb);
    EXPECT_TRUE(Near(out[k].cr, expected.cr, 1)) << int(out[k].cr[0]) << " for " << int(expected.cr);
  }
}

// A full-range A, of FFmpeg's or YUV4MPEG2: mixed in limited range, written
// back in full range and tagged so. ProRes holds limited range only: there
// the samples are limited and tagged so, and kavro says it once.
TEST(KavroAv, TheEncodedOutputHasTheRangeOfA) {
  const std::string folder = ScratchFolder("av_output_range");
  ClipSpec a;
  a.path = folder + "a.mkv";
  a.frames = 3;
  a.fullRange = true;
  a.picture = [](int) { return FlatPicture(64, 48, 200, 60, 250); };
  ASSERT_TRUE(WriteClip(a));
  Y4mFormat format;
  format.width = 64;
  format.height = 48;
  format.chroma = Y4mChroma::k422;
  format.range = Y4mRange::kFull;
  std::string y4m = FormatY4mHeader(format);
  for (int f = 0; f < 3; ++f) {
    std::vector<uint8_t> frame;
    EncodeY4m422Frame(FlatPicture(64, 48, 200, 60, 250), frame);
    y4m.append(frame.begin(), frame.end());
  }
  WriteBytes(folder + "a.y4m", y4m);
  struct Case {
    std::string source, output;
    bool fullRange;
  };
  for (const Case& c : {Case{a.path, "out.mkv", true}, Case{a.path, "out.mp4", true}, Case{a.path, "out.webm", true},
                        Case{folder + "a.y4m", "y4m.mkv", true}, Case{a.path, "out.mov", false}}) {
    const std::string& name = c.output;
    ProgramRun run = RunKavro({"render", c.source, "-o", folder + name, "--plugin", NoMasks(), "-q"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err.find("limited range") != std::string::npos, !c.fullRange) << run.err;
    ClipReading out = ReadClip(folder + name);
    EXPECT_EQ(out.fullRange, c.fullRange) << name;
    ASSERT_EQ(out.pictures.size(), 3u) << name;
    const int y = c.fullRange ? 200 : 188, cb = c.fullRange ? 60 : 68, cr = c.fullRange ? 250 : 235;
    EXPECT_TRUE(Near(out.pictures[1].y, y, 1)) << name << ": " << int(out.pictures[1].y[0]);
    EXPECT_TRUE(Near(out.pictures[1].cb, cb, 2)) << name << ": " << int(out.pictures[1].cb[0]);
    EXPECT_TRUE(Near(out.pictures[1].cr, cr, 2)) << name << ": " << int(out.pictures[1].cr[0]);
  }
}

// A's matrix, primaries and transfer (BT.2020, PQ) in the container and in
// the stream itself, every frame's header, so kavro reads its output back
// as it read A.
TEST(KavroAv, TheEncodedOutputCarriesTheColourOfA) {
  const std::string folder = ScratchFolder("av_output_colour");
  ClipSpec a;
  a.path = folder + "a.mkv";
  a.frames = 3;
  a.matrix = AVCOL_SPC_BT2020_NCL;
  a.primaries = AVCOL_PRI_BT2020;
  a.transfer = AVCOL_TRC_SMPTE2084;
  ASSERT_TRUE(WriteClip(a));
  const ClipReading::Colour wanted = {AVCOL_SPC_BT2020_NCL, AVCOL_PRI_BT2020, AVCOL_TRC_SMPTE2084, AVCOL_RANGE_MPEG};
  auto expectColour = [&](const ClipReading::Colour& colour, const std::string& what) {
    EXPECT_EQ(colour.matrix, wanted.matrix) << what;
    EXPECT_EQ(colour.primaries, wanted.primaries) << what;
    EXPECT_EQ(colour.transfer, wanted.transfer) << what;
    EXPECT_EQ(colour.range, wanted.range) << what;
  };
  for (const char* name : {"out.mov", "out.mp4", "out.mkv", "out.webm"}) {
    ProgramRun run = RunKavro({"render", a.path, "-o", folder + name, "--plugin", NoMasks(), "-q"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const ClipReading out = ReadClip(folder + name);
    expectColour(out.streamColour, std::string(name) + " stream");
    expectColour(out.frameColour, std::string(name) + " frames");
    // Read back by kavro: A's colour again.
    const std::string again = folder + "again_" + name + ".mkv";
    run = RunKavro({"render", folder + name, "-o", again, "--plugin", NoMasks(), "-q"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    expectColour(ReadClip(again).streamColour, std::string(name) + " read back");
  }
}

// A white flash and a click, both at 2 s: the same time in every container,
// the first picture at 0 (H.264 holds frames back, AAC and Opus prime).
TEST(KavroAv, PictureAndSoundStayInSyncInEveryContainer) {
  const std::string folder = ScratchFolder("av_sync");
  ClipSpec a;
  a.path = folder + "a.mkv";
  a.frames = 60;
  a.picture = [](int i) { return FlatPicture(64, 48, i == 50 ? 235 : 16, 128, 128); };
  a.toneLevel = 0.9;
  a.clickSeconds = 2;
  ASSERT_TRUE(WriteClip(a));
  for (const char* name : {"sy.mp4", "sy.mov", "sy.mkv", "sy.webm"}) {
    const ProgramRun run = RunKavro({"render", a.path, "-o", folder + name, "--plugin", NoMasks(), "-q"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const ClipReading out = ReadClip(folder + name);
    ASSERT_FALSE(out.pictureSeconds.empty()) << name;
    EXPECT_NEAR(out.pictureSeconds[0], 0, 0.0005) << name;
    const FlashAndClick found = FindFlashAndClick(out);
    EXPECT_NEAR(found.flash, 2, 0.001) << name;
    EXPECT_NEAR(found.click, 2, 0.001) << name;
  }
}

// B's frames at irregular times, each at level 20 + 10 i: on A's 25 fps
// clock the output is that of a YUV4MPEG2 B holding, in each frame, the
// picture shown at that time. The flat fixture mask mixes half of each.
TEST(KavroAv, ClipsOfVariableRateAreSampledAtAsFrameTimes) {
  const std::string folder = ScratchFolder("av_variable_rate");
  const int64_t shownAt[] = {0, 30, 50, 130, 170, 250, 290, 400};
  ClipSpec b;
  b.path = folder + "b.mkv";
  b.frames = 8;
  b.millisecond = [&](int i) { return shownAt[i]; };
  b.picture = [](int i) { return FlatPicture(64, 48, static_cast<uint8_t>(20 + 10 * i), 128, 128); };
  ASSERT_TRUE(WriteClip(b));
  std::vector<Picture> a(12, FlatPicture(64, 48, 16, 128, 128)), held;
  for (int k = 0; k < 12; ++k) {
    int shown = 0;
    while (shown + 1 < 8 && shownAt[shown + 1] <= 40 * k) ++shown;
    held.push_back(FlatPicture(64, 48, static_cast<uint8_t>(20 + 10 * shown), 128, 128));
  }
  WriteY4m(folder + "a.y4m", a);
  WriteY4m(folder + "held.y4m", held);
  const std::string flat = PluginCopy("kiv_complete");
  ProgramRun run = RunKavro(
      {"render", folder + "a.y4m", b.path, "-o", folder + "out.y4m", "--frames", "12", "--plugin", flat, "-q"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  run = RunKavro({"render", folder + "a.y4m", folder + "held.y4m", "-o", folder + "expected.y4m", "--frames", "12",
                  "--plugin", flat, "-q"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const std::vector<Picture> out = ReadY4m(folder + "out.y4m"), expected = ReadY4m(folder + "expected.y4m");
  ASSERT_EQ(out.size(), 12u);
  ASSERT_EQ(expected.size(), 12u);
  for (size_t k = 0; k < 12; ++k) {
    EXPECT_TRUE(out[k] == expected[k]) << "frame " << k << ": " << int(out[k].y[0]) << " for " << int(expected[k].y[0]);
  }
  // B shows through: its level climbs from frame to frame.
  EXPECT_LT(out[0].y[0], out[10].y[0]);
}

// A 25 fps A read by FFmpeg's libraries, a 50 fps YUV4MPEG2 B of luma
// 20 + 10 i, as a file and on standard input: B is sampled on A's clock,
// B's even frames and then its last one, as a 25 fps B of those frames.
TEST(KavroAv, AYuv4mpeg2BOfAnotherRateIsSampledAtAsFrameTimes) {
  const std::string folder = ScratchFolder("av_y4m_other_rate");
  ClipSpec a;
  a.path = folder + "a.mkv";
  a.frames = 8;
  ASSERT_TRUE(WriteClip(a));
  std::vector<Picture> b, held;
  for (int i = 0; i < 10; ++i) b.push_back(FlatPicture(64, 48, static_cast<uint8_t>(20 + 10 * i), 128, 128));
  for (int k = 0; k < 6; ++k) held.push_back(b[size_t(std::min(2 * k, 9))]);
  WriteY4m(folder + "b50.y4m", b, 50);
  WriteY4m(folder + "held.y4m", held);
  const std::string flat = PluginCopy("kiv_complete");
  auto render = [&](const std::string& source, const std::string& out, const std::string& input) {
    ProgramRun run =
        RunKavro({"render", a.path, source, "-o", folder + out, "--frames", "6", "--plugin", flat, "-q"}, input);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return ReadBytes(folder + out);
  };
  const std::string expected = render(folder + "held.y4m", "expected.y4m", "");
  EXPECT_EQ(ReadY4m(folder + "expected.y4m").size(), 6u);
  EXPECT_TRUE(render(folder + "b50.y4m", "file.y4m", "") == expected);
  EXPECT_TRUE(render("-", "stream.y4m", folder + "b50.y4m") == expected);
  // --b-start 0.06 s skips three of B's frames: then frames 3, 5, 7, 9.
  held = {b[3], b[5], b[7], b[9]};
  WriteY4m(folder + "held_late.y4m", held);
  ProgramRun run = RunKavro(
      {"render", a.path, folder + "b50.y4m", "-o", folder + "late.y4m", "--b-start", "0.06", "--plugin", flat, "-q"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  run = RunKavro(
      {"render", a.path, folder + "held_late.y4m", "-o", folder + "expected_late.y4m", "--plugin", flat, "-q"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(ReadY4m(folder + "late.y4m").size(), 4u);  // B's 0.14 s from its start
  EXPECT_TRUE(ReadBytes(folder + "late.y4m") == ReadBytes(folder + "expected_late.y4m"));
}

// Luma 30 + 6 i in frame i, H.264 lossless, a keyframe every ten frames.
TEST(KavroAv, SeeksToTheFrameAtTheStartNotTheKeyframeBefore) {
  const std::string folder = ScratchFolder("av_seek");
  ClipSpec clip = H264Clip(folder + "clip.mp4", 30);
  clip.gop = 10;
  clip.codecOptions = {{"qp", "0"}, {"bf", "2"}};
  clip.picture = [](int i) { return FlatPicture(64, 48, static_cast<uint8_t>(30 + 6 * i), 128, 128); };
  ASSERT_TRUE(WriteClip(clip));
  // 0.52 s and 0:00.28 are frames 13 and 7 at 25 fps.
  ProgramRun run = RunKavro({"render", clip.path, clip.path, "-o", folder + "a.y4m", "--a-start", "0.52", "--b-start",
                             "0:00.28", "--frames", "3", "--plugin", NoMasks(), "-q"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  std::vector<Picture> out = ReadY4m(folder + "a.y4m");
  ASSERT_EQ(out.size(), 3u);
  EXPECT_TRUE(Near(out[0].y, 30 + 6 * 13, 1)) << int(out[0].y[0]);
  EXPECT_TRUE(Near(out[2].y, 30 + 6 * 15, 1)) << int(out[2].y[0]);
  run = RunKavro({"render", clip.path, clip.path, "-o", folder + "b.y4m", "--a-start", "0.52", "--b-start", "0:00.28",
                  "--frames", "3", "--invert", "--plugin", ShippedMasks(), "-q"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  out = ReadY4m(folder + "b.y4m");
  ASSERT_EQ(out.size(), 3u);
  EXPECT_TRUE(Near(out[0].y, 30 + 6 * 7, 1)) << int(out[0].y[0]);
  // The default length is what is left of the shorter clip after its start.
  run = RunKavro(
      {"render", clip.path, clip.path, "-o", folder + "rest.y4m", "--a-start", "0.52", "--plugin", NoMasks(), "-q"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(ReadY4m(folder + "rest.y4m").size(), 17u);
}

// A clip gives the frames it holds: those left after a start near its end,
// a sequence up to its first missing picture, a cut file the pictures that
// decode (its claimed length shortens a default-length render; an asked
// length holds its last frame, and says so once). A still is held at any
// start, whatever its format.
TEST(KavroAv, ClipsGiveTheFramesTheyHold) {
  const std::string folder = ScratchFolder("av_clip_ends");
  ClipSpec ten;
  ten.path = folder + "ten.mkv";
  ten.frames = 50;
  ten.picture = [](int i) { return FlatPicture(64, 48, static_cast<uint8_t>(20 + 4 * i), 128, 128); };
  ASSERT_TRUE(WriteClip(ten));
  auto frames = [&](std::vector<std::string> arguments, std::string* err = nullptr) {
    arguments.insert(arguments.end(), {"-o", folder + "out.y4m", "--plugin", NoMasks(), "-q"});
    const ProgramRun run = RunKavro(arguments);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    if (err) *err = run.err;
    return ReadY4m(folder + "out.y4m");
  };
  // 1.96 s and 1.99 s are within the last frame, 1.92 s the one before it.
  for (const auto& [start, left] : {std::pair<const char*, size_t>{"1.96", 1}, {"1.99", 1}, {"1.92", 2}}) {
    const std::vector<Picture> out = frames({"render", ten.path, ten.path, "--a-start", start});
    ASSERT_EQ(out.size(), left) << start;
    EXPECT_TRUE(Near(out.back().y, 20 + 4 * 49, 1)) << start;
  }

  ClipSpec still;
  still.path = folder + "still.jpg";
  still.codec = "mjpeg";
  still.pixelFormat = AV_PIX_FMT_YUVJ444P;
  still.fullRange = true;
  still.frames = 1;
  ASSERT_TRUE(WriteClip(still));
  EXPECT_EQ(frames({"render", ten.path, still.path, "--b-start", "1"}).size(), 50u);

  std::filesystem::create_directories(folder + "seq");
  const std::vector<uint8_t> gray(16 * 8 * 4, 128);
  for (int i = 1; i <= 12; ++i) {
    if (i == 8) continue;
    char name[32];
    std::snprintf(name, sizeof name, "seq/p_%03d.png", i);
    WriteBytes(folder + name, EncodePng(gray.data(), 16, 8, 4));
  }
  const std::string pattern = folder + "seq/p_%03d.png";
  EXPECT_EQ(frames({"render", pattern, ten.path}).size(), 7u);

  const std::string whole = ReadBytes(ten.path);
  WriteBytes(folder + "cut.mkv", whole.substr(0, whole.size() / 3));
  const size_t decoded = ReadClip(folder + "cut.mkv").pictures.size();
  ASSERT_GT(decoded, 2u);
  ASSERT_LT(decoded, 50u);
  std::string err;
  EXPECT_EQ(frames({"render", folder + "cut.mkv", ten.path}, &err).size(), decoded);
  EXPECT_EQ(err.find("ended"), std::string::npos) << err;
  const std::vector<Picture> held = frames({"render", folder + "cut.mkv", ten.path, "--frames", "50"}, &err);
  ASSERT_EQ(held.size(), 50u);
  EXPECT_EQ(held[49].y, held[decoded - 1].y);
  const std::string said =
      "kavro: A ended after " + std::to_string(decoded) + " of 50 frames: its last frame is held\n";
  EXPECT_NE(err.find(said), std::string::npos) << err;
  EXPECT_EQ(err.find(said), err.rfind("ended after") - 9) << err;
}

// Pictures that declare no matrix follow one rule in every container
// (BT.601 below 720 lines): the same pictures as YUV4MPEG2 and as untagged
// Matroska meet without a conversion, and a full-range YUV4MPEG2 A gives a
// full-range output.
TEST(KavroAv, UntaggedPicturesFollowOneRuleInEveryContainer) {
  const std::string folder = ScratchFolder("av_untagged");
  std::vector<Picture> a, b;
  for (int i = 0; i < 4; ++i) {
    a.push_back(RandomPicture(64, 48, 10 + i));
    b.push_back(RandomPicture(64, 48, 20 + i));
  }
  WriteY4m(folder + "a.y4m", a);
  WriteY4m(folder + "b.y4m", b);
  ClipSpec clip;
  clip.path = folder + "b.mkv";
  clip.frames = 4;
  clip.matrix = AVCOL_SPC_UNSPECIFIED;
  clip.picture = [&](int i) { return b[i]; };
  ASSERT_TRUE(WriteClip(clip));
  for (const char* second : {"b.y4m", "b.mkv"}) {
    const ProgramRun run = RunKavro({"render", folder + "a.y4m", folder + second, "-o", folder + second + ".y4m",
                                     "--plugin", ShippedMasks(), "-q"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
  }
  EXPECT_EQ(ReadBytes(folder + "b.mkv.y4m"), ReadBytes(folder + "b.y4m.y4m"));

  std::string full = ReadBytes(folder + "a.y4m");
  full.insert(full.find('\n'), " XCOLORRANGE=FULL");
  WriteBytes(folder + "full.y4m", full);
  const ProgramRun run =
      RunKavro({"render", folder + "full.y4m", "-o", folder + "full.mkv", "--no-audio", "--plugin", NoMasks(), "-q"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_TRUE(ReadClip(folder + "full.mkv").fullRange);
}

// A pipe is read once, by its source, whatever the output: an encoded output
// takes no sound from it, and what FFmpeg's libraries read comes through a
// pipe as well as a YUV4MPEG2 stream.
TEST(KavroAv, APipeIsReadOnceWhateverTheOutput) {
  const std::string folder = ScratchFolder("inputs_pipe_once");
  // More than a pipe's buffer holds, so that a second reader would take frames.
  WriteY4m(folder + "clip.y4m", std::vector<Picture>(30, FlatPicture(64, 48, 90, 128, 128)));
  ASSERT_EQ(mkfifo((folder + "clip.fifo").c_str(), 0600), 0);
  const std::string kavro = std::filesystem::path(PluginCopy("kavro")).replace_extension().string();
  const std::string render = "'" + kavro + "' render '" + folder + "clip.fifo' --frames 30 --plugin '" + NoMasks() +
                             "' -q 2> '" + folder + "stderr' -o '" + folder;
  const std::string feed = "cat '" + folder + "clip.y4m' > '" + folder + "clip.fifo' 2> /dev/null & ";
  ASSERT_EQ(std::system((feed + render + "out.mkv'").c_str()), 0) << ReadBytes(folder + "stderr");
  EXPECT_EQ(ReadClip(folder + "out.mkv").pictures.size(), 30u);
  ASSERT_EQ(std::system(("'" + kavro + "' render '" + folder + "clip.y4m' --frames 30 --plugin '" + NoMasks() +
                         "' -q -o '" + folder + "made.mkv'")
                            .c_str()),
            0);
  const std::string matroska = "cat '" + folder + "made.mkv' > '" + folder + "clip.fifo' 2> /dev/null & ";
  ASSERT_EQ(std::system((matroska + render + "again.y4m'").c_str()), 0) << ReadBytes(folder + "stderr");
  const std::vector<Picture> out = ReadY4m(folder + "again.y4m");
  ASSERT_EQ(out.size(), 30u);
  EXPECT_TRUE(Near(out[29].y, 90, 0));
}

// A 440 Hz tone in A, 1000 Hz in B, both at level 0.5, two seconds.
TEST(KavroAv, AudioCrossfadesWithEqualPowerAndKeepsTheVideosLength) {
  const std::string folder = ScratchFolder("av_audio");
  ClipSpec a;
  a.path = folder + "a.mkv";
  a.frames = 50;
  a.toneHz = 440;
  a.toneLevel = 0.5;
  ClipSpec b = a;
  b.path = folder + "b.mkv";
  b.toneHz = 1000;
  b.sampleRate = 44100;  // resampled to A's rate
  ClipSpec silent = a;
  silent.path = folder + "silent.mkv";
  silent.toneLevel = 0;
  ASSERT_TRUE(WriteClip(a));
  ASSERT_TRUE(WriteClip(b));
  ASSERT_TRUE(WriteClip(silent));
  ProgramRun run = RunKavro({"render", a.path, b.path, "-o", folder + "out.mkv", "--plugin", NoMasks(), "-q"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  ClipReading out = ReadClip(folder + "out.mkv");
  ASSERT_TRUE(out.hasAudio);
  EXPECT_EQ(out.sampleRate, 48000);
  EXPECT_EQ(out.pictures.size(), 50u);
  EXPECT_NEAR(double(out.audio.size()), 96000, 48);  // two seconds, as the video
  const size_t window = 4800;
  struct Expected {
    size_t from;
    double a, b;
  };
  const double half = 0.5 * std::sqrt(0.5);
  for (const Expected& e :
       {Expected{0, 0.5, 0.0}, Expected{48000 - window / 2, half, half}, Expected{96000 - window, 0.0, 0.5}}) {
    EXPECT_NEAR(ToneLevel(out.audio, e.from, window, 440, 48000), e.a, 0.03) << "A from sample " << e.from;
    EXPECT_NEAR(ToneLevel(out.audio, e.from, window, 1000, 48000), e.b, 0.03) << "B from sample " << e.from;
  }
  // One clip with sound: that sound as it is. --no-audio: none.
  run = RunKavro({"render", silent.path, b.path, "-o", folder + "one.mkv", "--plugin", NoMasks(), "-q"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  out = ReadClip(folder + "one.mkv");
  ASSERT_TRUE(out.hasAudio);
  EXPECT_EQ(out.sampleRate, 44100);
  EXPECT_NEAR(ToneLevel(out.audio, 0, 4410, 1000, 44100), 0.5, 0.03);
  run = RunKavro({"render", a.path, b.path, "-o", folder + "none.mkv", "--no-audio", "--plugin", NoMasks(), "-q"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_FALSE(ReadClip(folder + "none.mkv").hasAudio);
}

// Both tones stop at 1 s of their clips: started half a second into each,
// both sound for the first half second of the output and neither after it.
TEST(KavroAv, SoundStartsWhereEachClipStarts) {
  const std::string folder = ScratchFolder("av_audio_start");
  ClipSpec a;
  a.path = folder + "a.mkv";
  a.frames = 50;
  a.toneHz = 440;
  a.toneLevel = 0.5;
  a.toneSeconds = 1;
  ASSERT_TRUE(WriteClip(a));
  ClipSpec b = a;
  b.path = folder + "b.mkv";
  b.toneHz = 1000;

  ASSERT_TRUE(WriteClip(b));
  ProgramRun run = RunKavro({"render", a.path, b.path, "-o", folder + "out.mkv", "--a-start", "0.5", "--b-start", "0.5",
                             "--duration", "1", "--plugin", NoMasks(), "-q"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  ClipReading out = ReadClip(folder + "out.mkv");
  ASSERT_NEAR(double(out.audio.size()), 48000, 48);
  // 20 ms windows 10 ms either side of the half second.
  for (double hz : {440.0, 1000.0}) {
    EXPECT_GT(ToneLevel(out.audio, 23000, 960, hz, 48000), 0.2) << hz;
    EXPECT_LT(ToneLevel(out.audio, 24520, 960, hz, 48000), 0.01) << hz;
  }
}

TEST(KavroAv, NamesTheFileAndTheReasonForWhatItCannotUse) {
  const std::string folder = ScratchFolder("av_bad_input");
  ClipSpec good;
  good.path = folder + "good.mkv";
  good.frames = 25;
  ASSERT_TRUE(WriteClip(good));
  WriteBytes(folder + "text.mp4", std::string("just some words, not a video\n"));
  ClipSpec sound;
  sound.path = folder + "sound.wav";
  sound.video = false;
  sound.toneHz = 440;
  sound.toneLevel = 0.5;
  sound.audioSeconds = 0.5;
  sound.audioCodec = "pcm_s16le";
  ASSERT_TRUE(WriteClip(sound));
  std::filesystem::create_symlink("/dev/full", folder + "full.mkv");
  const std::string undecodable = WriteUndecodableClip(folder + "avs.ts");
  struct Case {
    std::vector<std::string> arguments;
    std::string message;
  };
  const Case cases[] = {
      {{"render", folder + "text.mp4", "-o", folder + "o.mkv"},
       folder + "text.mp4: not a file FFmpeg's libraries read"},
      {{"render", sound.path, "-o", folder + "o.mkv"}, sound.path + ": has no video stream"},
      {{"render", folder + "missing.mp4", "-o", folder + "o.mkv"}, "cannot open " + folder + "missing.mp4"},
      {{"render", good.path, "--a-start", "2", "-o", folder + "o.mkv"},
       good.path + ": lasts 1.000 s, not beyond the start asked for (2.000 s)"},
      {{"render", good.path, "-o", folder + "full.mkv"},
       "cannot write " + folder + "full.mkv: no space left on device"},
      {{"render", good.path, "-o", folder + "o.unknown"}, folder + "o.unknown: no container"},
      {{"render", good.path, "-o", folder + "o.mkv", "--codec", "nonesuch"},
       "--codec nonesuch: this build's libavcodec has no such video encoder"},
      {{"render", good.path, "-o", folder + "o.mp4", "--codec", "ffv1"},
       folder + "o.mp4: ffv1 video does not go into a mp4 file"},
  };
  std::vector<Case> all(std::begin(cases), std::end(cases));
  if (!undecodable.empty()) {
    all.push_back({{"render", folder + "avs.ts", "-o", folder + "o.mkv"},
                   folder + "avs.ts: this build's libavcodec has no decoder for its video codec " + undecodable});
  } else {
    ADD_FAILURE() << "this build decodes AVS2 and AVS3: find another codec it lacks";
  }
  for (const Case& c : all) {
    std::vector<std::string> arguments = c.arguments;
    arguments.insert(arguments.end(), {"--plugin", ShippedMasks(), "-q"});
    ProgramRun run = RunKavro(arguments);
    EXPECT_EQ(run.exitCode, 1) << c.message << "\n" << run.err;
    EXPECT_EQ(run.err.rfind("kavro: " + c.message, 0), 0u) << run.err;
    EXPECT_TRUE(OneLine(run.err)) << run.err;
  }
}

// What the container or the encoder cannot take is said before the render,
// in kavro's words, naming what works, and no file is made; what an option
// or the sound comes to is said once.
TEST(KavroAv, RefusesWhatTheContainerOrEncoderCannotTakeBeforeTheRender) {
  const std::string folder = ScratchFolder("av_refused_outputs");
  ClipSpec a;
  a.path = folder + "a.mkv";
  a.frames = 5;
  a.toneHz = 440;
  a.toneLevel = 0.5;
  ASSERT_TRUE(WriteClip(a));
  struct Case {
    std::vector<std::string> arguments;
    std::string message;
  };
  const Case cases[] = {
      {{"--size", "640x359", "-o", folder + "h.mp4"},
       folder + "h.mp4: libx264 in yuv420p takes heights in steps of 2, not 640x359: try --size 640x358 or 640x360"},
      {{"--size", "2x2", "-o", folder + "s.mkv"}, folder + "s.mkv: ffv1 does not encode 2x2 frames: try --size "},
      {{"-o", folder + "out.png"}, folder + "out.png: -o writes a video; for pictures use --png FOLDER"},
      {{"-o", folder + "out.jpg"}, folder + "out.jpg: -o writes a video; for pictures use --png FOLDER"},
      {{"-o", folder + "out.bmp"}, folder + "out.bmp: -o writes a video; for pictures use --png FOLDER"},
      {{"-o", folder + "out.mp3"}, folder + "out.mp3: a mp3 file holds sound only (try .mp4, .mov, .mkv or .webm)"},
      {{"-o", folder + "out.wav"}, folder + "out.wav: a wav file holds sound only"},
      {{"-o", folder + "seg.m3u8"}, folder + "seg.m3u8: the hls muxer writes files of its own beside it"},
      {{"-o", folder + "out.mpd"}, folder + "out.mpd: the dash muxer writes files of its own beside it"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> arguments = {"render", a.path, "--frames", "2", "--plugin", NoMasks(), "-q"};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    const ProgramRun run = RunKavro(arguments);
    EXPECT_EQ(run.exitCode, 1) << c.message << "\n" << run.err;
    EXPECT_EQ(run.err.rfind("kavro: " + c.message, 0), 0u) << run.err;
    EXPECT_TRUE(OneLine(run.err)) << run.err;
    size_t files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) files += entry.is_regular_file();
    EXPECT_EQ(files, 1u) << c.message << ": only the source";
  }
  // Notes, once each, and the file written.
  const Case noted[] = {
      {{"-o", folder + "out.gif"}, folder + "out.gif: a gif file holds no sound; the video is written without it"},
      {{"-o", folder + "q.mkv", "--quality", "5"}, "--quality 5 does nothing for ffv1, which is lossless"},
  };
  for (const Case& c : noted) {
    std::vector<std::string> arguments = {"render", a.path, "--frames", "2", "--plugin", ShippedMasks(), "-q"};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    const ProgramRun run = RunKavro(arguments);
    const std::string name = c.arguments[1];
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err.rfind("kavro: " + c.message, 0), 0u) << run.err;
    EXPECT_TRUE(OneLine(run.err)) << run.err;
    EXPECT_EQ(ReadClip(name).pictures.size(), 2u) << name;
  }
}

// B a YUV4MPEG2 stream cut in its fourth frame: the render stops there, and
// the MP4 written so far is finished, its three frames readable.
TEST(KavroAv, AFailedRenderLeavesAFinishedFile) {
  const std::string folder = ScratchFolder("av_failed_render");
  ClipSpec a;
  a.path = folder + "a.mkv";
  a.frames = 10;
  ASSERT_TRUE(WriteClip(a));
  std::vector<Picture> b(4, FlatPicture(64, 48, 60, 128, 128));
  const std::string bytes = ReadBytes(WriteY4m(folder + "b.y4m", b));
  WriteBytes(folder + "cut.y4m", bytes.substr(0, bytes.size() - 100));
  ProgramRun run =
      RunKavro({"render", a.path, "-", "-o", folder + "out.mp4", "--threads", "1", "--plugin", NoMasks(), "-q"},
               folder + "cut.y4m");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("standard input: frame 3 is cut short"), std::string::npos) << run.err;
  ClipReading out = ReadClip(folder + "out.mp4");
  ASSERT_TRUE(out.opened);
  EXPECT_EQ(out.pictures.size(), 3u);
  EXPECT_NEAR(out.duration, 0.12, 0.01);
}

// Files limited to 400 KB, as a disk that fills up: the figure counts the
// frames that reached the file, as many as it reads back with, whether the
// muxer or the encoder still held the rest (Matroska's clusters, H.264's
// lookahead). Unmixed, the clips compress so well that the Matroska file
// fills up only as it is finished.
TEST(KavroAv, AFullDiskCountsTheFramesThatReachedTheFile) {
  const std::string folder = ScratchFolder("av_full_disk");
  const std::pair<std::string, std::string> cases[] = {{"out.mkv", ShippedMasks()},
                                                       {"out.mp4", ShippedMasks()},
                                                       {"out.mov", ShippedMasks()},
                                                       {"out.avi", ShippedMasks()},
                                                       {"unmixed.mkv", NoMasks()}};
  for (const auto& [name, plugin] : cases) {
    const ProgramRun run = RunKavroWithFileLimit(
        800, {"render", "--size", "320x180", "--frames", "300", "--plugin", plugin, "-q", "-o", folder + name}, folder);
    EXPECT_EQ(run.exitCode, 1) << name;
    const std::string failure = "kavro: cannot write " + folder + name + ": file too large";
    EXPECT_NE(run.err.find(failure), std::string::npos) << run.err;
    const size_t pictures = ReadClip(folder + name).pictures.size();
    // What reached the disk plays (ProRes in .mov fills 800 KB in a few frames),
    // without a frame cut short at the end.
    EXPECT_GT(pictures, 2u) << name;
    EXPECT_EQ(ReadClip(folder + name).damagedPackets, 0) << name;
    EXPECT_FALSE(ReadClip(folder + name).endedEarly) << name << ": cut back to whole clusters or fragments";
    EXPECT_NE(run.err.find(failure + " (" + std::to_string(pictures) + " of 300 frames written)\n"), std::string::npos)
        << name << ": " << run.err;
    if (plugin == ShippedMasks()) {
      EXPECT_TRUE(OneLine(run.err)) << run.err;
    }
  }
  // A device that takes nothing holds no frame.
  std::filesystem::create_symlink("/dev/full", folder + "full.mkv");
  const ProgramRun run = RunKavro(
      {"render", "--size", "320x180", "--frames", "30", "--plugin", NoMasks(), "-q", "-o", folder + "full.mkv"});
  EXPECT_NE(run.err.find("no space left on device (0 of 30 frames written)"), std::string::npos) << run.err;
}

// SIGINT or SIGTERM mid-render: the frame being written finishes, the file
// is closed as after the last frame, and kavro says how many frames it holds.
TEST(KavroAv, AnInterruptedRenderClosesItsFileAndSaysSo) {
  const std::string folder = ScratchFolder("av_interrupted");
  struct Case {
    int signal;
    std::string name;
    int exitCode;
  };
  for (const Case& c : {Case{SIGINT, "i.mp4", 130}, Case{SIGTERM, "t.mkv", 143}, Case{SIGTERM, "t.mov", 143}}) {
    const std::string path = folder + c.name;
    const ProgramRun run = RunKavroInterrupted(
        c.signal, {"render", "--size", "128x72", "--frames", "100000", "--plugin", ShippedMasks(), "-q", "-o", path},
        path, 0, folder);
    EXPECT_EQ(run.exitCode, c.exitCode) << c.name << ": " << run.err;
    const std::string said = "kavro: interrupted: ";
    ASSERT_EQ(run.err.rfind(said, 0), 0u) << run.err;
    EXPECT_TRUE(OneLine(run.err)) << run.err;
    const unsigned long frames = std::stoul(run.err.substr(said.size()));
    EXPECT_NE(run.err.find(" of 100000 frames written\n"), std::string::npos) << run.err;
    const ClipReading out = ReadClip(path);
    EXPECT_GT(frames, 0u) << c.name;
    EXPECT_EQ(out.pictures.size(), frames) << c.name;
    EXPECT_EQ(out.damagedPackets, 0) << c.name;
  }
}

TEST(KavroAv, SaysARotationInTheMetadataIsIgnored) {
  const std::string folder = ScratchFolder("av_rotation");
  ClipSpec a = H264Clip(folder + "portrait.mp4", 2);
  a.clockwiseRotation = 90;
  ASSERT_TRUE(WriteClip(a));
  ProgramRun run = RunKavro({"render", a.path, "-o", folder + "out.y4m", "--plugin", ShippedMasks(), "-q"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.err.rfind("kavro: " + a.path + ": its display rotation of ", 0), 0u) << run.err;
  EXPECT_NE(run.err.find("90 degrees is ignored; the pictures are used as stored\n"), std::string::npos) << run.err;
  EXPECT_TRUE(OneLine(run.err)) << run.err;
  EXPECT_EQ(ReadY4m(folder + "out.y4m").at(0).width, 64);
}

TEST(KavroAv, HelpNamesWhatThisBuildReadsAndWrites) {
  ProgramRun run = RunKavro({"--help"});
  EXPECT_EQ(run.exitCode, 0);
  for (const char* text : {"any video file or image sequence FFmpeg's libraries read", ".mp4 H.264", "--a-start",
                           "--no-audio", "--codec"}) {
    EXPECT_NE(run.out.find(text), std::string::npos) << text;
  }
}

}  // namespace
