// kavro's outputs end to end: what it refuses to overwrite, and what it
// leaves behind when writing fails.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "KavroProgram.h"
#include "tests/media/ScratchFiles.h"
#include "tests/support/ShellCommand.h"

namespace {

std::string UniformY4m(const std::string& header, int frames, size_t frameBytes, char value) {
  std::string bytes = "YUV4MPEG2 " + header + "\n";
  for (int f = 0; f < frames; ++f) bytes += "FRAME\n" + std::string(frameBytes, value);
  return bytes;
}

std::string NoMasks() { return PluginCopy("kiv_none"); }

TEST(KavroOutputs, RefusesAnOutputThatIsAnInputOrAnotherOutput) {
  const std::string folder = ScratchFolder("outputs_clash");
  const std::string clip = UniformY4m("W4 H2 C422", 2, 16, 'x');
  WriteBytes(folder + "victim.y4m", clip);
  WriteBytes(folder + "b.y4m", clip);
  std::filesystem::create_directories(folder + "sub");
  struct Case {
    std::vector<std::string> outputs;
    std::string message;
  };
  const std::vector<Case> cases = {
      {{"-o", folder + "victim.y4m"}, "is source A"},
      {{"-o", folder + "sub/../victim.y4m"}, "is source A"},
      {{"-o", folder + "b.y4m"}, "is source B"},
      {{"--sheet", folder + "b.y4m"}, "is source B"},
      {{"-o", folder + "new.y4m", "--sheet", folder + "new.y4m"}, "name the same file"},
      {{"-o", folder + "new.y4m", "--sheet", folder + "sub/../new.y4m"}, "name the same file"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> arguments = {"render", folder + "victim.y4m", folder + "b.y4m", "--plugin", NoMasks()};
    arguments.insert(arguments.end(), c.outputs.begin(), c.outputs.end());
    const ProgramRun run = RunKavro(arguments);
    EXPECT_NE(run.exitCode, 0) << c.outputs.back();
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_EQ(ReadBytes(folder + "victim.y4m"), clip);
    EXPECT_EQ(ReadBytes(folder + "b.y4m"), clip);
    EXPECT_FALSE(std::filesystem::exists(folder + "new.y4m")) << c.outputs.back();
  }
  // A frame of the --png folder, which the render replaces or removes.
  std::filesystem::create_directories(folder + "frames");
  WriteBytes(folder + "frames/frame_00007.png", "an earlier frame");
  const ProgramRun framed = RunKavro({"render", folder + "victim.y4m", folder + "frames/frame_00007.png", "--plugin",
                                      NoMasks(), "--png", folder + "sub/../frames"});
  EXPECT_NE(framed.exitCode, 0);
  EXPECT_NE(framed.err.find("is a frame of the --png folder"), std::string::npos) << framed.err;
  EXPECT_EQ(ReadBytes(folder + "frames/frame_00007.png"), "an earlier frame");
#if !defined(_WIN32)
  // A hard link is the same file under another name.
  std::filesystem::create_hard_link(folder + "victim.y4m", folder + "link.y4m");
  const ProgramRun run =
      RunKavro({"render", folder + "victim.y4m", folder + "b.y4m", "--plugin", NoMasks(), "-o", folder + "link.y4m"});
  EXPECT_NE(run.exitCode, 0);
  EXPECT_EQ(ReadBytes(folder + "victim.y4m"), clip);
#endif
}

// Other spellings of an input: FFmpeg's "file:" prefix, and the files an
// image-sequence pattern stands for; other protocols are no output.
TEST(KavroOutputs, RefusesOutputsOverAPrefixedSourceOrASequencesFrames) {
  const std::string folder = ScratchFolder("outputs_clash_spellings");
  const std::string clip = UniformY4m("W4 H2 C422", 2, 16, 'x');
  WriteBytes(folder + "victim.y4m", clip);
  WriteBytes(folder + "b.y4m", clip);
  std::filesystem::create_directories(folder + "seq");
  for (const char* frame : {"frame_00001.png", "frame_00002.png", "frame_00003.png"}) {
    WriteBytes(folder + "seq/" + frame, std::string("frame ") + frame);
  }
  const std::string victim = folder + "victim.y4m", sequence = folder + "seq/frame_%05d.png";
  struct Case {
    std::vector<std::string> arguments;
    std::string message;
  };
  std::vector<Case> cases = {
      {{victim, folder + "b.y4m", "-o", "file:" + victim}, "is source A"},
      {{"file:" + victim, folder + "b.y4m", "-o", victim}, "is source A"},
      {{sequence, folder + "b.y4m", "--png", folder + "seq"}, "is a frame of the --png folder"},
      {{sequence, folder + "b.y4m", "-o", folder + "out.y4m", "--sheet", folder + "seq/frame_00002.png"},
       "is source A's frame"},
      {{victim, "file:" + sequence, "--sheet", folder + "seq/frame_00003.png"}, "is source B's frame"},
      {{victim, folder + "b.y4m", "-o", "http://127.0.0.1:9/out.y4m"}, "not the http protocol"},
      {{victim, folder + "b.y4m", "-o", "pipe:out.y4m"}, "not the pipe protocol"},
      {{victim, folder + "b.y4m", "--mask", folder + "seq", "--png", folder + "seq"}, "is the matte's folder"},
      {{victim, folder + "b.y4m", "--mask", folder + "seq", "--sheet", folder + "seq/frame_00002.png"},
       "is the matte's frame"},
      {{victim, folder + "b.y4m", "--mask", sequence, "-o", folder + "out.y4m", "--sheet",
        folder + "seq/frame_00003.png"},
       "is the matte's frame"},
  };
#if !defined(_WIN32)
  // Where FFmpeg's libraries write other formats, -o itself.
  cases.push_back({{sequence, folder + "b.y4m", "-o", folder + "seq/frame_00001.png"}, "is source A's frame"});
#endif
  for (const Case& c : cases) {
    std::vector<std::string> arguments = {"render"};
    arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
    arguments.insert(arguments.end(), {"--plugin", NoMasks()});
    const ProgramRun run = RunKavro(arguments);
    EXPECT_EQ(run.exitCode, 2) << c.message << ": " << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(ReadBytes(victim), clip);
    for (const char* frame : {"frame_00001.png", "frame_00002.png", "frame_00003.png"}) {
      EXPECT_EQ(ReadBytes(folder + "seq/" + frame), std::string("frame ") + frame);
    }
    EXPECT_FALSE(std::filesystem::exists(folder + "out.y4m"));
  }
}

// The sheet is written after the last frame; a path it cannot go to once
// failed only then.
TEST(KavroOutputs, AnUnwritableSheetFailsBeforeTheRender) {
  const std::string folder = ScratchFolder("outputs_sheet");
  const ProgramRun run = RunKavro({"render", "--frames", "3", "--plugin", NoMasks(), "-o", folder + "out.y4m",
                                   "--sheet", folder + "no/such/folder/sheet.png"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("cannot write " + folder + "no/such/folder/sheet.png: "), std::string::npos) << run.err;
  EXPECT_EQ(run.err.find("frames written"), std::string::npos) << run.err;
  EXPECT_FALSE(std::filesystem::exists(folder + "out.y4m"));
}

// A clip of unknown pixel aspect stays unknown rather than turning square.
TEST(KavroOutputs, AnUnknownPixelAspectStaysUnknown) {
  const std::string folder = ScratchFolder("outputs_aspect");
  WriteBytes(folder + "a.y4m", UniformY4m("W4 H2 A0:0 C422", 1, 16, 'x'));
  const ProgramRun run = RunKavro({"render", folder + "a.y4m", "--plugin", NoMasks(), "-o", folder + "out.y4m"});
  EXPECT_EQ(run.exitCode, 0) << run.err;
  const std::string bytes = ReadBytes(folder + "out.y4m");
  EXPECT_NE(bytes.substr(0, bytes.find('\n')).find(" A0:0 "), std::string::npos) << bytes.substr(0, 60);
}

// The extension in any case is kavro's own YUV4MPEG2, on both targets.
TEST(KavroOutputs, AnUpperCaseY4mNameIsWrittenAsYuv4mpeg2) {
  const std::string folder = ScratchFolder("outputs_upper_case");
  const ProgramRun run =
      RunKavro({"render", "--size", "8x4", "--frames", "2", "--plugin", NoMasks(), "-q", "-o", folder + "UP.Y4M"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const std::string header = "YUV4MPEG2 W8 H4 F25:1 Ip A1:1 C422 XCOLORRANGE=LIMITED\n";
  EXPECT_EQ(ReadBytes(folder + "UP.Y4M").substr(0, header.size()), header);
}

// A shorter render into the folder of a longer one leaves only its own
// frames, and every file that is not a frame.
TEST(KavroOutputs, APngFolderHoldsOnlyTheFramesOfTheLastRender) {
  const std::string folder = ScratchFolder("outputs_png_folder");
  const std::string frames = folder + "frames";
  ASSERT_EQ(RunKavro({"render", "--size", "8x4", "--frames", "12", "--plugin", NoMasks(), "--png", frames}).exitCode,
            0);
  WriteBytes(frames + "/notes.txt", "mine");
  WriteBytes(frames + "/frame_x.png", "mine");
  WriteBytes(frames + "/frame_000001.png", "an earlier render of 100000 frames or more");
  const ProgramRun run = RunKavro({"render", "--size", "8x4", "--frames", "3", "--plugin", NoMasks(), "--png", frames});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(frames))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"frame_00000.png", "frame_00001.png", "frame_00002.png", "frame_x.png",
                                             "notes.txt"}));
}

#if !defined(_WIN32)
// A disk that fills up mid-frame: the file is cut back to its whole frames,
// as many as the message counts, and kavro reads it back.
TEST(KavroOutputs, AFullDiskLeavesOnlyWholeFramesAndSaysWhy) {
  const std::string folder = ScratchFolder("outputs_full_disk");
  const ProgramRun run = RunKavroWithFileLimit(
      400, {"render", "--size", "320x180", "--frames", "20", "--plugin", NoMasks(), "-o", folder + "o.y4m"}, folder);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("cannot write " + folder + "o.y4m: file too large"), std::string::npos) << run.err;
  const size_t header = std::string("YUV4MPEG2 W320 H180 F25:1 Ip A1:1 C422 XCOLORRANGE=LIMITED\n").size();
  const size_t frame = 6 + 320 * 180 * 2;
  const std::string bytes = ReadBytes(folder + "o.y4m");
  ASSERT_GE(bytes.size(), header);
  EXPECT_EQ((bytes.size() - header) % frame, 0u) << bytes.size();
  const size_t frames = (bytes.size() - header) / frame;
  EXPECT_EQ(frames, 1u);  // 400 blocks hold 1.78 frames
  EXPECT_NE(run.err.find("(" + std::to_string(frames) + " of 20 frames written)"), std::string::npos) << run.err;
  const ProgramRun again = RunKavro({"render", folder + "o.y4m", "--plugin", NoMasks(), "-o", folder + "again.y4m"});
  EXPECT_EQ(again.exitCode, 0) << again.err;
}

// Interrupted, a YUV4MPEG2 file ends in its last whole frame.
TEST(KavroOutputs, AnInterruptedRenderEndsInAWholeFrameAndSaysSo) {
  const std::string folder = ScratchFolder("outputs_interrupted");
  const ProgramRun run = RunKavroInterrupted(
      SIGTERM, {"render", "--size", "320x180", "--frames", "100000", "--plugin", NoMasks(), "-o", folder + "o.y4m"},
      folder + "o.y4m", 1000000, folder);
  EXPECT_EQ(run.exitCode, 143) << run.err;
  const size_t header = std::string("YUV4MPEG2 W320 H180 F25:1 Ip A1:1 C422 XCOLORRANGE=LIMITED\n").size();
  const size_t frame = 6 + 320 * 180 * 2;
  const std::string bytes = ReadBytes(folder + "o.y4m");
  ASSERT_GT(bytes.size(), header);
  EXPECT_EQ((bytes.size() - header) % frame, 0u) << bytes.size();
  const std::string said =
      "interrupted: " + std::to_string((bytes.size() - header) / frame) + " of 100000 frames written\n";
  EXPECT_NE(run.err.find(said), std::string::npos) << run.err;
}

TEST(KavroOutputs, AWriteErrorNamesStandardOutputAndTheReason) {
  const ProgramRun run = RunKavro({"render", "--frames", "2", "--plugin", NoMasks(), "-o", "-"}, "", "/dev/full");
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("kavro: cannot write standard output: no space left on device"), std::string::npos) << run.err;
}

// A closed standard stream's number is not taken by the next file opened,
// which would then get the messages or the frames meant for the stream.
TEST(KavroOutputs, ClosedStandardStreamsWriteIntoNoFile) {
  const std::string folder = ScratchFolder("outputs_closed_streams");
  const std::string err = " 2> " + Quote(folder + "stderr");
  // Without masks kavro warns once the output is open.
  const std::vector<std::string> render = {"render", "--frames", "3", "--size", "64x36", "--plugin", NoMasks()};
  auto with = [&](std::vector<std::string> arguments, const std::vector<std::string>& more) {
    arguments.insert(arguments.end(), more.begin(), more.end());
    return arguments;
  };
  ProgramRun run = RunKavroWithStreams(with(render, {"-o", folder + "heard.y4m"}), err, folder);
  ASSERT_EQ(run.exitCode, 0) << run.err;
  ASSERT_NE(run.err, "") << "the case needs a message";
  run = RunKavroWithStreams(with(render, {"-o", folder + "unheard.y4m"}), "2>&-", folder);
  EXPECT_EQ(run.exitCode, 0);
  EXPECT_TRUE(ReadBytes(folder + "unheard.y4m") == ReadBytes(folder + "heard.y4m"));

  WriteBytes(folder + "a.y4m", ReadBytes(folder + "heard.y4m"));
  run = RunKavroWithStreams({"render", folder + "a.y4m", "--plugin", NoMasks(), "-q", "-o", "-"}, ">&-" + err, folder);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "kavro: cannot write standard output: bad file descriptor\n");
  EXPECT_TRUE(ReadBytes(folder + "a.y4m") == ReadBytes(folder + "heard.y4m")) << "the source is untouched";
}
#endif

}  // namespace
