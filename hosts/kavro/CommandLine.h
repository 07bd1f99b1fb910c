// kavro's command line: `kavro render [A] [B] -o OUT [options]`, `kavro info`,
// `kavro settings`, `kavro --help`, `kavro --version`.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace kavro {

// A command line kavro cannot run; the message says why in one line.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class Command { kHelp, kVersion, kInfo, kSettings, kRender };

struct RenderOptions {
  std::vector<std::string> sources;  // A, B; each missing one is a built-in clip
  std::string output;                // -o: YUV4MPEG2 file, "-", or an encoded file
  std::string pngFolder;             // --png
  std::string sheet;                 // --sheet
  uint32_t sheetEvery = 0;           // 0: chosen from the length
  uint32_t mask = 0;
  std::string matte;            // --mask PATH: the user's own matte or luma map instead
  std::string matteKind;        // --mask-kind: "animated" or "luma"; empty: by its frame count
  double softness = -1;         // --softness: a luma map's edge, 0 to 1; -1: not given
  bool matteAtOwnRate = false;  // --mask-timing own-rate
  bool invert = false;
  bool reverse = false;
  bool cropToOutput = false;
  bool quiet = false;
  bool settingsDialog = false;    // --settings: choose in the plug-in's dialog first
  uint32_t frames = 0;            // 0: the default length
  double durationSeconds = 0;     // --duration; 0: none given
  double startA = 0, startB = 0;  // seconds into each clip
  std::string codec;              // encoded outputs: encoder name, pixel format, quality
  std::string pixelFormat;
  int quality = -1;
  bool noAudio = false;
  int width = 0;  // 0: source A's size
  int height = 0;
  int threads = 0;  // 0: the machine's cores
  std::string plugin;
};

struct CommandLine {
  Command command = Command::kHelp;
  RenderOptions options;
};

// "SECONDS" or "[HH:]MM:SS[.FRACTION]" to seconds; false for anything else.
bool ParseTime(const std::string& text, double& seconds);

// Throws UsageError.
CommandLine ParseCommandLine(const std::vector<std::string>& arguments);

std::string HelpText();

// What --mask takes besides the built-in masks, for kavro info.
std::string OwnMattesText();

}  // namespace kavro
