// kavro end to end on sources of unusual shapes and kinds.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "KavroProgram.h"
#include "media/PngFile.h"
#include "media/Y4mReader.h"
#include "tests/media/ScratchFiles.h"
#include "tests/media/Y4mOutput.h"

using namespace kavro;

namespace {

// A C422 clip whose every frame is Y `luma`, chroma 128.
std::string Uniform422(int width, int height, int frames, uint8_t luma, const std::string& extra = "") {
  std::string bytes = "YUV4MPEG2 W" + std::to_string(width) + " H" + std::to_string(height) + " C422" + extra + "\n";
  const size_t lumaBytes = static_cast<size_t>(width) * height;
  const size_t chromaBytes = static_cast<size_t>((width + 1) / 2) * height * 2;
  for (int f = 0; f < frames; ++f)
    bytes += "FRAME\n" + std::string(lumaBytes, static_cast<char>(luma)) + std::string(chromaBytes, '\x80');
  return bytes;
}

// Fitted to B's 2:4096, the 16:9 mask once kept no column, the fitting
// failed and every frame stayed A.
TEST(KavroInputs, AVeryTallFrameIsWipedToTheEnd) {
  const std::string folder = ScratchFolder("inputs_tall");
  WriteBytes(folder + "a.y4m", Uniform422(2, 4096, 3, 16));
  WriteBytes(folder + "b.y4m", Uniform422(2, 4096, 3, 235));
  for (const char* crop : {"", "--crop-to-output"}) {
    std::vector<std::string> arguments = {"render",           folder + "a.y4m", folder + "b.y4m",         "-o",
                                          folder + "out.y4m", "--plugin",       PluginCopy("kiv_shipped")};
    if (*crop) arguments.push_back(crop);
    const ProgramRun run = RunKavro(arguments);
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const Y4mOutput out = ReadY4mOutput(folder + "out.y4m");
    ASSERT_EQ(out.frames.size(), 3u);
    EXPECT_EQ(out.frames[0].y, std::vector<uint8_t>(2 * 4096, 16)) << crop;
    EXPECT_EQ(out.frames[2].y, std::vector<uint8_t>(2 * 4096, 235)) << crop;
  }
}

std::string NoMasks() { return PluginCopy("kiv_none"); }

std::string Header(const std::string& path) {
  const std::string bytes = ReadBytes(path);
  return bytes.substr(0, bytes.find('\n'));
}

// A white full-range clip into a white still: every frame white in the
// limited range, and the output says its range.
TEST(KavroInputs, AFullRangeSourceComesOutInTheLimitedRange) {
  const std::string folder = ScratchFolder("inputs_full_range");
  WriteBytes(folder + "a.y4m", Uniform422(4, 2, 3, 255, " XCOLORRANGE=FULL"));
  const std::vector<uint8_t> white(4 * 2 * 4, 255);
  WriteBytes(folder + "b.png", EncodePng(white.data(), 4, 2, 4));
  const ProgramRun run = RunKavro(
      {"render", folder + "a.y4m", folder + "b.png", "-o", folder + "out.y4m", "--plugin", PluginCopy("kiv_complete")});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const Y4mOutput out = ReadY4mOutput(folder + "out.y4m");
  ASSERT_EQ(out.frames.size(), 3u);
  for (const Picture& frame : out.frames) EXPECT_EQ(frame.y, std::vector<uint8_t>(8, 235));
  EXPECT_NE(Header(folder + "out.y4m").find(" XCOLORRANGE=LIMITED"), std::string::npos);
}

// A at 25 fps, B at 50 fps with luma 20 + 10 i in frame i: B is sampled on
// A's clock, so the render is that of a 25 fps B of B's even frames; its
// length is the 25 fps frames within B's 0.2 s.
TEST(KavroInputs, AYuv4mpeg2BOfAnotherRateIsSampledAtAsFrameTimes) {
  const std::string folder = ScratchFolder("inputs_other_rate");
  auto stepped = [](const std::string& tags, const std::vector<int>& frames) {
    std::string bytes = Uniform422(4, 2, 0, 0, tags);
    const size_t header = Uniform422(4, 2, 0, 0).size();
    for (int i : frames) bytes += Uniform422(4, 2, 1, static_cast<uint8_t>(20 + 10 * i)).substr(header);
    return bytes;
  };
  WriteBytes(folder + "a.y4m", Uniform422(4, 2, 8, 16, " F25:1"));
  WriteBytes(folder + "b50.y4m", stepped(" F50:1", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
  WriteBytes(folder + "b25.y4m", stepped(" F25:1", {0, 2, 4, 6, 8}));
  for (const char* b : {"b50.y4m", "b25.y4m"}) {
    const ProgramRun run = RunKavro({"render", folder + "a.y4m", folder + b, "-o", folder + b + ".out.y4m", "--plugin",
                                     PluginCopy("kiv_complete")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
  }
  EXPECT_EQ(ReadY4mOutput(folder + "b50.y4m.out.y4m").frames.size(), 5u);
  EXPECT_TRUE(ReadBytes(folder + "b50.y4m.out.y4m") == ReadBytes(folder + "b25.y4m.out.y4m"));
}

// Top-field chroma rows 50, bottom-field rows 200.
TEST(KavroInputs, InterlacedChromaKeepsItsFieldsApart) {
  const std::string folder = ScratchFolder("inputs_interlaced");
  std::string bytes = "YUV4MPEG2 W8 H8 It C420mpeg2\nFRAME\n" + std::string(64, '\x80');
  for (int plane = 0; plane < 2; ++plane) {
    for (int row = 0; row < 4; ++row) bytes += std::string(4, static_cast<char>(row % 2 ? 200 : 50));
  }
  WriteBytes(folder + "a.y4m", bytes);
  for (const char* size : {"8x8", "8x16"}) {
    const ProgramRun run =
        RunKavro({"render", folder + "a.y4m", "-o", folder + "out.y4m", "--size", size, "--plugin", NoMasks()});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const Y4mOutput out = ReadY4mOutput(folder + "out.y4m");
    ASSERT_EQ(out.frames.size(), 1u);
    EXPECT_EQ(out.format.interlace, 't');
    const Picture& frame = out.frames[0];
    for (int row = 0; row < frame.height; ++row) {
      EXPECT_EQ(frame.cb[static_cast<size_t>(row) * 4], row % 2 ? 200 : 50) << size << " row " << row;
    }
  }
}

// ffmpeg refuses a stream that says Im; kavro's frames carry no tags of their own.
TEST(KavroInputs, AMixedInterlacingSourceGivesAHeaderOthersRead) {
  const std::string folder = ScratchFolder("inputs_mixed");
  std::string bytes = "YUV4MPEG2 W4 H4 Im C420jpeg\n";
  for (const char* tag : {"FRAME Itpi\n", "FRAME Ippp\n"}) bytes += tag + std::string(24, '\x80');
  WriteBytes(folder + "a.y4m", bytes);
  const ProgramRun run = RunKavro({"render", folder + "a.y4m", "-o", folder + "out.y4m", "--plugin", NoMasks()});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(Header(folder + "out.y4m").find(" I? "), std::string::npos) << Header(folder + "out.y4m");
  EXPECT_EQ(ReadY4mOutput(folder + "out.y4m").frames.size(), 2u);
}

TEST(KavroInputs, AnOddWidthGainsACopyOfItsLastColumn) {
  const std::string folder = ScratchFolder("inputs_odd_width");
  const std::string row = {
      50, static_cast<char>(161), static_cast<char>(232), static_cast<char>(221), static_cast<char>(211), 32, 81};
  std::string bytes = "YUV4MPEG2 W7 H5 C422\nFRAME\n";
  for (int r = 0; r < 5; ++r) bytes += row;
  bytes += std::string(4 * 5 * 2, '\x80');
  WriteBytes(folder + "a.y4m", bytes);
  const ProgramRun run = RunKavro({"render", folder + "a.y4m", "-o", folder + "out.y4m", "--plugin", NoMasks()});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const Y4mOutput out = ReadY4mOutput(folder + "out.y4m");
  ASSERT_EQ(out.frames.size(), 1u);
  ASSERT_EQ(out.frames[0].width, 8);
  EXPECT_EQ(std::vector<uint8_t>(out.frames[0].y.begin(), out.frames[0].y.begin() + 8),
            (std::vector<uint8_t>{50, 161, 232, 221, 211, 32, 81, 81}));
}

#if !defined(_WIN32)
// A source that cannot seek (a named pipe, or <(...) in a shell) is read as
// it comes, like standard input: its length is then unknown.
TEST(KavroInputs, NamedPipesAreReadLikeStandardInput) {
  const std::string folder = ScratchFolder("inputs_pipes");
  const std::string clip = Uniform422(4, 2, 3, 90);
  const std::vector<uint8_t> white(4 * 2 * 4, 255);
  const std::vector<uint8_t> png = EncodePng(white.data(), 4, 2, 4);
  WriteBytes(folder + "clip.y4m", clip);
  WriteBytes(folder + "still.png", png);
  ASSERT_EQ(mkfifo((folder + "clip.fifo").c_str(), 0600), 0);
  ASSERT_EQ(mkfifo((folder + "still.fifo").c_str(), 0600), 0);
  // Writers in the background, started by the shell that runs kavro.
  const std::string feed = "cat '" + folder + "clip.y4m' > '" + folder + "clip.fifo' 2> /dev/null & cat '" + folder +
                           "still.png' > '" + folder + "still.fifo' 2> /dev/null & ";
  const std::string kavro = std::filesystem::path(PluginCopy("kavro")).replace_extension().string();
  const std::string command = feed + "'" + kavro + "' render '" + folder + "clip.fifo' '" + folder +
                              "still.fifo' -o '" + folder + "out.y4m' --plugin '" + NoMasks() + "' 2> '" + folder +
                              "stderr'";
  const int status = std::system(command.c_str());
  // A writer kavro left waiting gives up once its pipe has had a reader.
  for (const char* fifo : {"clip.fifo", "still.fifo"}) {
    const int reader = open((folder + fifo).c_str(), O_RDONLY | O_NONBLOCK);
    if (reader >= 0) close(reader);
  }
  EXPECT_EQ(status, 0) << ReadBytes(folder + "stderr");
  const Y4mOutput out = ReadY4mOutput(folder + "out.y4m");
  // Of unknown length, as a stream is: the default length, the last frame held.
  ASSERT_EQ(out.frames.size(), 60u);
  EXPECT_EQ(out.frames[59].y, std::vector<uint8_t>(8, 90));
}
#endif

}  // namespace
