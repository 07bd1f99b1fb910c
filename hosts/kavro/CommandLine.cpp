#include "CommandLine.h"

#include <cstdlib>
#include "FrameOutputs.h"
#include "hosting/HostingError.h"

#include "hosting/MaskChoice.h"
#include "hosting/Matte.h"
#include "media/MediaLimits.h"

namespace kavro {

namespace {

constexpr uint32_t kMaxFrames = 1000000;
constexpr int kMaxThreads = 64;

// What --mask takes besides the built-in masks, in this build.
#ifdef KAVRO_HAVE_AV
const char kOwnMattes[] =
    "a video file, an image sequence (m_%03d.png) or a folder of PNG\n"
    "                       files (its gray the weight: white keeps A, black shows B), or one still\n"
    "                       (PNG or PGM), a luma map whose dark parts show B first";
#else
const char kOwnMattes[] =
    "an image sequence (m_%03d.png) or a folder of PNG files (its gray\n"
    "                       the weight: white keeps A, black shows B), or one still (PNG or PGM),\n"
    "                       a luma map whose dark parts show B first (this build reads no video)";
#endif

bool ParseNumber(const std::string& text, uint64_t max, uint64_t& value) {
  if (text.empty() || text.size() > 12) return false;
  value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<uint64_t>(c - '0');
  }
  return value <= max;
}

uint32_t ParseCount(const std::string& option, const std::string& text, uint64_t min, uint64_t max) {
  uint64_t value = 0;
  if (!ParseNumber(text, max, value) || value < min) {
    throw UsageError("bad " + option + " '" + text + "' (a whole number from " + std::to_string(min) + " to " +
                     std::to_string(max) + ")");
  }
  return static_cast<uint32_t>(value);
}

void ParseSize(const std::string& text, RenderOptions& options) {
  size_t x = text.find('x');
  uint64_t width = 0, height = 0;
  if (x == std::string::npos || !ParseNumber(text.substr(0, x), kMaxDimension, width) ||
      !ParseNumber(text.substr(x + 1), kMaxDimension, height) || width < 2 ||
      !SizeWithinLimits(static_cast<int64_t>(width), static_cast<int64_t>(height))) {
    throw UsageError("bad --size '" + text + "' (WIDTHxHEIGHT, " + SizeLimitsText() + ")");
  }
  if (width % 2 != 0) throw UsageError("bad --size '" + text + "': the width must be even (4:2:2 pixel pairs)");
  options.width = static_cast<int>(width);
  options.height = static_cast<int>(height);
}

double ParseTimeOption(const std::string& option, const std::string& text) {
  double seconds = 0;
  if (!ParseTime(text, seconds)) {
    throw UsageError("bad " + option + " '" + text + "' (seconds, or hh:mm:ss.ms)");
  }
  return seconds;
}

// A built-in mask by index or name, or the path of the user's own.
void ParseMask(const std::string& text, RenderOptions& options) {
  if (LooksLikeMattePath(text)) {
    options.matte = text;
    return;
  }
  options.matte.clear();
  try {
    options.mask = ResolveMask(text);
  } catch (const HostingError& error) {
    throw UsageError(error.what());
  }
}

double ParseSoftness(const std::string& text) {
  char* end = nullptr;
  const double softness = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !(softness >= 0 && softness <= 1)) {
    throw UsageError("bad --softness '" + text + "' (a number from 0 to 1)");
  }
  return softness;
}

void CheckMatteOptions(const RenderOptions& options) {
  if (options.matte.empty() && (options.softness >= 0 || options.matteAtOwnRate || !options.matteKind.empty())) {
    throw UsageError("--softness, --mask-timing and --mask-kind are for a matte of your own (--mask PATH)");
  }
  if (options.softness >= 0 && options.matteKind == "animated") {
    throw UsageError("--softness is for luma maps, not for --mask-kind animated");
  }
}

bool IsOption(const std::string& argument) { return argument.size() > 1 && argument[0] == '-'; }

}  // namespace

bool ParseTime(const std::string& text, double& seconds) {
  if (text.empty() || text.size() > 24) return false;
  seconds = 0;
  size_t at = 0;
  int fields = 0;
  for (;;) {
    uint64_t whole = 0;
    size_t digits = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 12) {
      whole = whole * 10 + static_cast<uint64_t>(text[at++] - '0');
      ++digits;
    }
    if (digits == 0) return false;
    // Minutes and seconds after a colon stay below 60.
    if (fields > 0 && whole >= 60) return false;
    seconds = seconds * 60 + static_cast<double>(whole);
    ++fields;
    if (at == text.size()) return true;
    if (text[at] == ':' && fields < 3) {
      ++at;
      continue;
    }
    if (text[at] != '.') return false;
    double scale = 0.1;
    size_t fraction = 0;
    for (++at; at < text.size(); ++at, ++fraction, scale /= 10) {
      if (text[at] < '0' || text[at] > '9') return false;
      seconds += scale * (text[at] - '0');
    }
    return fraction > 0;
  }
}

CommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
  CommandLine line;
  if (arguments.empty()) throw UsageError("no command given (try kavro --help)");
  const std::string& command = arguments[0];
  if (command == "--help" || command == "-h" || command == "help") {
    line.command = Command::kHelp;
    if (arguments.size() > 1) throw UsageError(command + " takes no arguments");
    return line;
  }
  if (command == "--version") {
    line.command = Command::kVersion;
    if (arguments.size() > 1) throw UsageError("--version takes no arguments");
    return line;
  }
  if (command == "info") {
    line.command = Command::kInfo;
  } else if (command == "settings") {
    line.command = Command::kSettings;
  } else if (command == "render") {
    line.command = Command::kRender;
  } else {
    throw UsageError("unknown command '" + command + "' (try kavro --help)");
  }

  RenderOptions& options = line.options;
  const bool render = line.command == Command::kRender;
  for (size_t i = 1; i < arguments.size(); ++i) {
    std::string argument = arguments[i];
    if (!IsOption(argument)) {
      if (!render) throw UsageError(command + " takes no sources");
      if (options.sources.size() == 2) throw UsageError("more than two sources ('" + argument + "')");
      options.sources.push_back(argument);
      continue;
    }
    // --name=value and --name value are the same.
    std::string inlineValue;
    bool hasInlineValue = false;
    size_t equals = argument.find('=');
    if (argument.compare(0, 2, "--") == 0 && equals != std::string::npos) {
      inlineValue = argument.substr(equals + 1);
      argument = argument.substr(0, equals);
      hasInlineValue = true;
    }
    auto value = [&]() -> std::string {
      if (hasInlineValue) return inlineValue;
      if (i + 1 >= arguments.size()) throw UsageError(argument + " needs a value");
      return arguments[++i];
    };
    auto flag = [&](bool& target) {
      if (hasInlineValue) throw UsageError(argument + " takes no value");
      target = true;
    };
    if (argument == "--plugin") {
      options.plugin = value();
      if (options.plugin.empty()) throw UsageError("--plugin needs a path");
      continue;
    }
    if (!render) throw UsageError("unknown option " + argument + " for " + command + " (it takes --plugin)");
    if (argument == "-o" || argument == "--output") {
      options.output = value();
    } else if (argument == "--png") {
      options.pngFolder = value();
    } else if (argument == "--sheet") {
      options.sheet = value();
    } else if (argument == "--sheet-every") {
      options.sheetEvery = ParseCount(argument, value(), 1, kMaxFrames);
    } else if (argument == "--mask") {
      ParseMask(value(), options);
    } else if (argument == "--softness") {
      options.softness = ParseSoftness(value());
    } else if (argument == "--mask-timing") {
      const std::string timing = value();
      if (timing != "spread" && timing != "own-rate") {
        throw UsageError("bad --mask-timing '" + timing + "' (spread or own-rate)");
      }
      options.matteAtOwnRate = timing == "own-rate";
    } else if (argument == "--mask-kind") {
      options.matteKind = value();
      if (options.matteKind != "animated" && options.matteKind != "luma") {
        throw UsageError("bad --mask-kind '" + options.matteKind + "' (animated or luma)");
      }
    } else if (argument == "--invert") {
      flag(options.invert);
    } else if (argument == "--reverse") {
      flag(options.reverse);
    } else if (argument == "--crop-to-output") {
      flag(options.cropToOutput);
    } else if (argument == "--settings") {
      flag(options.settingsDialog);
    } else if (argument == "--quiet" || argument == "-q") {
      flag(options.quiet);
    } else if (argument == "--frames") {
      options.frames = ParseCount(argument, value(), 1, kMaxFrames);
    } else if (argument == "--duration") {
      options.durationSeconds = ParseTimeOption(argument, value());
      if (options.durationSeconds <= 0) throw UsageError("bad --duration: it must be longer than 0");
    } else if (argument == "--a-start") {
      options.startA = ParseTimeOption(argument, value());
    } else if (argument == "--b-start") {
      options.startB = ParseTimeOption(argument, value());
    } else if (argument == "--codec") {
      options.codec = value();
    } else if (argument == "--pixel-format") {
      options.pixelFormat = value();
    } else if (argument == "--quality") {
      options.quality = static_cast<int>(ParseCount(argument, value(), 0, 100));
    } else if (argument == "--no-audio") {
      flag(options.noAudio);
    } else if (argument == "--size") {
      ParseSize(value(), options);
    } else if (argument == "--threads") {
      options.threads = static_cast<int>(ParseCount(argument, value(), 1, kMaxThreads));
    } else {
      throw UsageError("unknown option " + argument + " (try kavro --help)");
    }
  }
  if (render) {
    if (options.output.empty() && options.pngFolder.empty() && options.sheet.empty()) {
      throw UsageError("nothing to write: give -o OUT.y4m, --png DIR or --sheet FILE.png");
    }
    const std::string& out = options.output;
#ifdef KAVRO_HAVE_AV
    if (out.size() > 1 && out[0] == '-') throw UsageError("-o needs a file name ('" + out + "' is an option)");
#else
    if (!out.empty() && !IsY4mOutputName(out)) {
      throw UsageError("-o writes YUV4MPEG2: name a .y4m file or - (for other formats pipe into an encoder)");
    }
#endif
    const bool encoded = !out.empty() && !IsY4mOutputName(out);
    if (!encoded && (!options.codec.empty() || !options.pixelFormat.empty() || options.quality >= 0)) {
      throw UsageError("--codec, --pixel-format and --quality are for an encoded -o file (such as out.mp4)");
    }
    if (options.frames && options.durationSeconds > 0) throw UsageError("give --frames or --duration, not both");
    CheckMatteOptions(options);
    if (options.sources.size() == 2 && options.sources[0] == "-" && options.sources[1] == "-") {
      throw UsageError("only one source can be standard input");
    }
  }
  return line;
}

std::string OwnMattesText() { return kOwnMattes; }

std::string HelpText() {
  std::string masks;
  for (uint32_t mask = 0; mask < MaskCount(); ++mask) {
    masks += "                       " + std::to_string(mask) + "  " + MaskName(mask) + "\n";
  }
#ifdef KAVRO_HAVE_AV
  return "usage: kavro render [A] [B] -o OUT.y4m|OUT.mp4|OUT.mkv|... [options]   mix clip B into clip A with a mask "
         "wipe\n"
#else
  return "usage: kavro render [A] [B] -o OUT.y4m [options]   mix clip B into clip A with a mask wipe\n"
#endif
         "       kavro info [--plugin PATH]                   what the plug-in offers, and its masks\n"
         "       kavro settings [--plugin PATH]               the plug-in's settings dialog\n"
         "       kavro --help | --version\n"
         "\n"
#ifdef KAVRO_HAVE_AV
         "Sources: any video file or image sequence FFmpeg's libraries read (MP4, MOV, MKV, WebM,\n"
         "AVI, MPEG-TS, JPEG, frame_%04d.png, ...; 8 to 16 bits, 4:2:0, 4:2:2, 4:4:4, RGB), YUV4MPEG2\n"
         "files (C420jpeg, C420mpeg2, C420paldv, C422, C444; 8-bit), - for a YUV4MPEG2 stream on\n"
         "standard input, or PNG stills. A missing source is a built-in clip. B is sampled at A's\n"
         "frame times and converted to A's matrix in limited range.\n"
         "\n"
         "Outputs (at least one):\n"
         "  -o, --output FILE    an encoded file, its container by its name: .mp4 H.264 4:2:0 and AAC,\n"
         "                       .mov ProRes 422 HQ and PCM, .mkv FFV1 4:2:2 (lossless) and FLAC,\n"
         "                       .webm VP9 and Opus, others as FFmpeg's libraries choose;\n"
         "                       a .y4m YUV4MPEG2 4:2:2 file, or - for YUV4MPEG2 on standard output\n"
         "  --codec NAME         video encoder of an encoded file (libx264, ffv1, prores_ks, libvpx-vp9, ...)\n"
         "  --quality N          its quality: CRF for H.264 (default 18) and VP9 (32), the quantiser\n"
         "                       for ProRes and others; lossless codecs take none\n"
         "  --pixel-format NAME  its pixel format (yuv420p, yuv422p, yuv422p10le, ...)\n"
         "  --no-audio           no sound (otherwise A's crossfades into B's, or the one clip's plays)\n"
#else
         "Sources: YUV4MPEG2 files (C420jpeg, C420mpeg2, C420paldv, C422, C444; 8-bit), - for a\n"
         "YUV4MPEG2 stream on standard input, or PNG stills. A missing source is a built-in clip.\n"
         "(This build reads and writes no other formats: pipe through an encoder such as ffmpeg.)\n"
         "\n"
         "Outputs (at least one):\n"
         "  -o, --output FILE    YUV4MPEG2 4:2:2 file, or - for standard output\n"
#endif
         "  --png DIR            one RGBA PNG per frame, alpha kept\n"
         "  --sheet FILE.png     contact sheet: every k-th frame in a numbered grid\n"
         "  --sheet-every K      frames between sheet cells (default: about 24 cells)\n"
         "\n"
         "Where in each clip (TIME: seconds, or hh:mm:ss.ms):\n"
         "  --a-start TIME       start of the transition in clip A (default 0)\n"
         "  --b-start TIME       start in clip B (default 0)\n"
         "  --duration TIME      length in time, instead of --frames\n"
         "\n"
         "Transition:\n"
         "  --mask N|NAME|PATH   mask by index or by the start of its name (default 0):\n" +
         masks + "                       or your own: " + kOwnMattes + "\n" +
         "  --softness S         a luma map's edge, 0 (hard, the default) to 1 (as wide as the levels)\n"
         "  --mask-timing T      spread (default): your matte's frames over the whole wipe, as the\n"
         "                       built-in masks'; own-rate: at its own frame rate from the start, the\n"
         "                       last frame held\n"
         "  --mask-kind K        animated or luma: what a matte of your own is, whatever its frames\n"
         "  --invert             use the mask's black and white the other way round\n"
         "  --reverse            run the mask's frames backwards\n"
         "  --frames N           length (default: the shorter clip; 60 when no clip has a known length)\n"
         "  --size WxH           output size, width even (default: source A's; 640x360 for the built-in)\n"
         "  --crop-to-output     fit the mask to the output's proportions instead of source B's\n"
         "  --settings           choose the mask and flags in the plug-in's settings dialog first\n"
         "\n"
         "Running:\n"
         "  --threads N          transition objects rendering in parallel (default: the cores)\n"
         "  --plugin PATH        the plug-in (default: beside kavro, then in dist/ beside it or above it)\n"
         "  -q, --quiet          no progress bar and no summary\n";
}

}  // namespace kavro
