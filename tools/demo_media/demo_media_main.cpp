// kavro_demo_media: the files `make demo` needs around melt.
//   kavro_demo_media clips WxH FRAMES A.y4m B.y4m   the built-in clips as YUV4MPEG2 4:2:2
//   kavro_demo_media sheet IN.y4m OUT.png           a contact sheet of a YUV4MPEG2 file
//   kavro_demo_media matte WxH FRAMES FOLDER         an iris opening, as FOLDER/iris_000.png, ...
//   kavro_demo_media lumamap WxH OUT.png             a clock wipe's luma map
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "hosts/kavro/ContactSheet.h"
#include "hosts/kavro/DefaultClips.h"
#include "media/ColourConversion.h"
#include "media/FileBytes.h"
#include "media/PngFile.h"
#include "media/Y4m.h"
#include "media/Y4mReader.h"

namespace {

struct CloseFile {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, CloseFile>;

constexpr const char* kUsage =
    "usage: kavro_demo_media clips WxH FRAMES A.y4m B.y4m | kavro_demo_media sheet IN.y4m OUT.png |\n"
    "       kavro_demo_media matte WxH FRAMES FOLDER | kavro_demo_media lumamap WxH OUT.png";

void WriteClip(kavro::DefaultClip clip, const kavro::Y4mFormat& format, uint32_t frames, const std::string& path) {
  File file(kavro::OpenBinary(path, true));
  const std::string header = kavro::FormatY4mHeader(format);
  bool written = std::fwrite(header.data(), 1, header.size(), file.get()) == header.size();
  std::vector<uint8_t> bytes;
  for (uint32_t i = 0; i < frames && written; ++i) {
    bytes.clear();
    kavro::EncodeY4m422Frame(kavro::RgbaToPicture(kavro::DrawDefaultClipFrame(clip, format.width, format.height, i)),
                             bytes);
    written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
  }
  if (std::fclose(file.release()) != 0 || !written) throw kavro::MediaError("cannot write " + path);
}

int Clips(const std::vector<std::string>& arguments) {
  int width = 0, height = 0;
  unsigned frames = 0;
  char end = 0;
  if (arguments.size() != 5 || std::sscanf(arguments[1].c_str(), "%dx%d%c", &width, &height, &end) != 2 ||
      std::sscanf(arguments[2].c_str(), "%u%c", &frames, &end) != 1 || frames == 0 || width % 2 != 0) {
    std::fprintf(stderr, "kavro_demo_media: %s (an even width)\n", kUsage);
    return 2;
  }
  kavro::CheckPictureSize(width, height, "clip");
  kavro::Y4mFormat format;
  format.width = width;
  format.height = height;
  format.rateNumerator = kavro::kDefaultClipRate;
  format.aspectNumerator = format.aspectDenominator = 1;
  format.chroma = kavro::Y4mChroma::k422;
  WriteClip(kavro::DefaultClip::kTestPattern, format, frames, arguments[3]);
  WriteClip(kavro::DefaultClip::kGradient, format, frames, arguments[4]);
  return 0;
}

int Sheet(const std::vector<std::string>& arguments) {
  if (arguments.size() != 3) {
    std::fprintf(stderr, "kavro_demo_media: %s\n", kUsage);
    return 2;
  }
  File file(kavro::OpenBinary(arguments[1], false));
  kavro::Y4mReader reader(file.get(), arguments[1]);
  const uint64_t frames = reader.CountRemainingFrames().value_or(0);
  if (frames == 0 || frames > UINT32_MAX) throw kavro::MediaError(arguments[1] + ": no frames to show");
  kavro::ContactSheet sheet(static_cast<uint32_t>(frames), 0, reader.format().width, reader.format().height);
  std::vector<uint8_t> planes;
  for (uint32_t i = 0; reader.ReadFrame(planes); ++i) {
    if (sheet.Shows(i)) sheet.Add(i, sheet.Thumbnail(kavro::Y4mPlanesToPicture(reader.format(), planes.data())));
  }
  kavro::WriteFileAtomically(arguments[2], sheet.EncodePng());
  return 0;
}

bool ParseSize(const std::string& text, int& width, int& height) {
  char end = 0;
  return std::sscanf(text.c_str(), "%dx%d%c", &width, &height, &end) == 2 && kavro::SizeWithinLimits(width, height);
}

// A gray picture as an RGB PNG (R = G = B: its luma is the level itself).
void WriteGray(const std::string& path, int width, int height, const std::function<uint8_t(int, int)>& level) {
  std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const size_t at = (static_cast<size_t>(y) * width + x) * 3;
      rgb[at] = rgb[at + 1] = rgb[at + 2] = level(x, y);
    }
  }
  kavro::WriteFileAtomically(path, kavro::EncodePng(rgb.data(), width, height, 3));
}

// A circle of B opening from the middle, its rim two pixels soft: all white
// (A) in the first frame, all black (B) in the last.
int Matte(const std::vector<std::string>& arguments) {
  int width = 0, height = 0;
  unsigned frames = 0;
  char end = 0;
  if (arguments.size() != 4 || !ParseSize(arguments[1], width, height) ||
      std::sscanf(arguments[2].c_str(), "%u%c", &frames, &end) != 1 || frames < 2 || frames > 1000) {
    std::fprintf(stderr, "kavro_demo_media: %s\n", kUsage);
    return 2;
  }
  const double reach = std::hypot(width / 2.0, height / 2.0) + 2;
  for (unsigned k = 0; k < frames; ++k) {
    const double radius = k * (reach + 2) / (frames - 1) - 2;
    char name[32];
    std::snprintf(name, sizeof name, "/iris_%03u.png", k);
    WriteGray(arguments[3] + name, width, height, [&](int x, int y) {
      const double outside = std::hypot(x + 0.5 - width / 2.0, y + 0.5 - height / 2.0) - radius;
      return static_cast<uint8_t>(std::lround(std::clamp(outside / 2 + 0.5, 0.0, 1.0) * 255));
    });
  }
  return 0;
}

// The angle from twelve o'clock, clockwise: the dark start of the turn
// shows B first.
int LumaMap(const std::vector<std::string>& arguments) {
  int width = 0, height = 0;
  if (arguments.size() != 3 || !ParseSize(arguments[1], width, height)) {
    std::fprintf(stderr, "kavro_demo_media: %s\n", kUsage);
    return 2;
  }
  WriteGray(arguments[2], width, height, [&](int x, int y) {
    const double turn = std::atan2(x + 0.5 - width / 2.0, height / 2.0 - y - 0.5) / (2 * M_PI);
    return static_cast<uint8_t>(std::lround((turn < 0 ? turn + 1 : turn) * 255));
  });
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  try {
    if (!arguments.empty() && arguments[0] == "clips") return Clips(arguments);
    if (!arguments.empty() && arguments[0] == "sheet") return Sheet(arguments);
    if (!arguments.empty() && arguments[0] == "matte") return Matte(arguments);
    if (!arguments.empty() && arguments[0] == "lumamap") return LumaMap(arguments);
    std::fprintf(stderr, "kavro_demo_media: %s\n", kUsage);
    return 2;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "kavro_demo_media: %s\n", error.what());
    return 1;
  }
}
