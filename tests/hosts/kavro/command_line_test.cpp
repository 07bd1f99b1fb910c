// kavro's command line and its choice of mask.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hosting/MaskChoice.h"
#include "hosts/kavro/CommandLine.h"

using namespace kavro;

namespace {

std::string RejectionOf(const std::vector<std::string>& arguments) {
  try {
    ParseCommandLine(arguments);
  } catch (const UsageError& error) {
    return error.what();
  }
  return "(accepted)";
}

TEST(CommandLine, ReadsARenderWithEveryOption) {
  CommandLine line = ParseCommandLine({"render",    "a.y4m",  "-",        "-o",        "out.y4m",
                                       "--png",     "frames", "--sheet",  "sheet.png", "--sheet-every",
                                       "5",         "--mask", "wafu2",    "--invert",  "--reverse",
                                       "--frames",  "48",     "--size",   "1280x720",  "--crop-to-output",
                                       "--threads", "3",      "--plugin", "p.so",      "--quiet"});
  ASSERT_EQ(line.command, Command::kRender);
  const RenderOptions& o = line.options;
  EXPECT_EQ(o.sources, (std::vector<std::string>{"a.y4m", "-"}));
  EXPECT_EQ(o.output, "out.y4m");
  EXPECT_EQ(o.pngFolder, "frames");
  EXPECT_EQ(o.sheet, "sheet.png");
  EXPECT_EQ(o.sheetEvery, 5u);
  EXPECT_EQ(o.mask, 2u);
  EXPECT_TRUE(o.invert && o.reverse && o.cropToOutput && o.quiet);
  EXPECT_EQ(o.frames, 48u);
  EXPECT_EQ(o.width, 1280);
  EXPECT_EQ(o.height, 720);
  EXPECT_EQ(o.threads, 3);
  EXPECT_EQ(o.plugin, "p.so");
}

TEST(CommandLine, DefaultsLeaveChoicesToTheRender) {
  CommandLine line = ParseCommandLine({"render", "--output=-"});
  const RenderOptions& o = line.options;
  EXPECT_TRUE(o.sources.empty());
  EXPECT_EQ(o.output, "-");
  EXPECT_EQ(o.mask, 0u);
  EXPECT_FALSE(o.invert || o.reverse || o.cropToOutput || o.quiet);
  EXPECT_EQ(o.frames, 0u);
  EXPECT_EQ(o.width, 0);
  EXPECT_EQ(o.threads, 0);
  EXPECT_EQ(ParseCommandLine({"render", "--sheet=s.png", "--frames=7"}).options.frames, 7u);
  // The largest sizes the media library holds pass.
  EXPECT_EQ(ParseCommandLine({"render", "-o", "-", "--size", "8192x4608"}).options.height, 4608);
  EXPECT_EQ(ParseCommandLine({"render", "-o", "-", "--size", "16384x2304"}).options.width, 16384);
}

TEST(CommandLine, ReadsTheOtherCommands) {
  EXPECT_EQ(ParseCommandLine({"--help"}).command, Command::kHelp);
  EXPECT_EQ(ParseCommandLine({"-h"}).command, Command::kHelp);
  EXPECT_EQ(ParseCommandLine({"--version"}).command, Command::kVersion);
  CommandLine info = ParseCommandLine({"info", "--plugin", "x.dll"});
  EXPECT_EQ(info.command, Command::kInfo);
  EXPECT_EQ(info.options.plugin, "x.dll");
  CommandLine settings = ParseCommandLine({"settings", "--plugin=y.dll"});
  EXPECT_EQ(settings.command, Command::kSettings);
  EXPECT_EQ(settings.options.plugin, "y.dll");
  EXPECT_TRUE(ParseCommandLine({"render", "-o", "o.y4m", "--settings"}).options.settingsDialog);
  EXPECT_FALSE(ParseCommandLine({"render", "-o", "o.y4m"}).options.settingsDialog);
}

TEST(CommandLine, RejectsMalformedLinesWithTheReason) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{}, "no command given"},
      {{"mix"}, "unknown command 'mix'"},
      {{"--version", "x"}, "--version takes no arguments"},
      {{"render", "-o", "o.y4m", "--fast"}, "unknown option --fast"},
      {{"render", "-o"}, "-o needs a value"},
      {{"render", "-o", "o.y4m", "--frames"}, "--frames needs a value"},
      {{"render", "-o", "o.y4m", "--frames", "0"}, "bad --frames '0'"},
      {{"render", "-o", "o.y4m", "--frames", "ten"}, "bad --frames 'ten'"},
      {{"render", "-o", "o.y4m", "--frames", "1000001"}, "bad --frames '1000001'"},
      {{"render", "-o", "o.y4m", "--threads", "65"}, "bad --threads '65'"},
      {{"render", "-o", "o.y4m", "--threads", "-1"}, "bad --threads '-1'"},
      {{"render", "-o", "o.y4m", "--size", "640"}, "bad --size '640'"},
      {{"render", "-o", "o.y4m", "--size", "641x360"}, "the width must be even"},
      {{"render", "-o", "o.y4m", "--size", "0x0"}, "bad --size '0x0'"},
      {{"render", "-o", "o.y4m", "--size", "20000x2"}, "bad --size '20000x2'"},
      // Within a side but beyond the area the media library holds.
      {{"render", "-o", "o.y4m", "--size", "10000x4000"}, "bad --size '10000x4000' (WIDTHxHEIGHT, at most 16384"},
      {{"render", "-o", "o.y4m", "--size", "16384x16384"}, "bad --size '16384x16384'"},
      {{"render", "-o", "o.y4m", "--invert=yes"}, "--invert takes no value"},
      {{"render", "-o", "o.y4m", "--mask", "7"}, "no mask 7"},
      {{"render", "-o", "o.y4m", "--mask", "zebra"}, "unknown mask 'zebra'"},
      {{"render", "-o", "o.y4m", "--mask", "wafu"}, "mask 'wafu' is ambiguous"},
      {{"render", "a", "b", "c", "-o", "o.y4m"}, "more than two sources ('c')"},
      {{"render", "-", "-", "-o", "o.y4m"}, "only one source can be standard input"},
      {{"render", "a.y4m"}, "nothing to write"},
#ifdef KAVRO_HAVE_AV
      {{"render", "-o", "--plugin", "p"}, "-o needs a file name ('--plugin' is an option)"},
      {{"render", "-o", "o.y4m", "--codec", "ffv1"}, "--codec, --pixel-format and --quality are for an encoded"},
      {{"render", "-o", "o.mkv", "--frames", "3", "--duration", "2"}, "give --frames or --duration, not both"},
      {{"render", "-o", "o.mkv", "--a-start", "1:75"}, "bad --a-start '1:75' (seconds, or hh:mm:ss.ms)"},
      {{"render", "-o", "o.mkv", "--duration", "0"}, "bad --duration: it must be longer than 0"},
#else
      {{"render", "-o", "out.mp4"}, "-o writes YUV4MPEG2"},
      {{"render", "-o", "--plugin", "p"}, "-o writes YUV4MPEG2"},
#endif
      {{"info", "a.y4m"}, "info takes no sources"},
      {{"info", "--mask", "1"}, "unknown option --mask for info"},
      {{"info", "--plugin"}, "--plugin needs a value"},
      {{"settings", "a.y4m"}, "settings takes no sources"},
      {{"settings", "--settings"}, "unknown option --settings for settings"},
      {{"render", "-o", "o.y4m", "--settings=1"}, "--settings takes no value"},
  };
  for (const auto& [arguments, reason] : cases) {
    EXPECT_NE(RejectionOf(arguments).find(reason), std::string::npos)
        << "arguments " << ::testing::PrintToString(arguments) << " gave: " << RejectionOf(arguments);
  }
}

}  // namespace

TEST(CommandLine, ReadsTimesInSecondsOrHoursMinutesAndSeconds) {
  const std::pair<const char*, double> good[] = {
      {"0", 0}, {"2.5", 2.5}, {"90", 90}, {"1:30", 90}, {"01:02:03.25", 3723.25}, {"0:00.28", 0.28}};
  for (const auto& [text, seconds] : good) {
    double value = -1;
    EXPECT_TRUE(ParseTime(text, value)) << text;
    EXPECT_NEAR(value, seconds, 1e-9) << text;
  }
  for (const char* text : {"", ".5", "1.", "1:60", "1:2:3:4", "-1", "1e3", "1:x", "2s"}) {
    double value = 0;
    EXPECT_FALSE(ParseTime(text, value)) << text;
  }
  const RenderOptions o = ParseCommandLine({"render", "a.mp4", "b.mkv", "-o", "out.y4m", "--a-start", "1.5",
                                            "--b-start", "0:02", "--duration", "3", "--no-audio"})
                              .options;
  EXPECT_DOUBLE_EQ(o.startA, 1.5);
  EXPECT_DOUBLE_EQ(o.startB, 2);
  EXPECT_DOUBLE_EQ(o.durationSeconds, 3);
  EXPECT_TRUE(o.noAudio);
}
