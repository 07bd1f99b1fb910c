// Contact sheets of the written mask frames: every Nth frame (and the last)
// as a thumbnail with its frame number, one PNG per mask.
//
// Usage: kiv_mask_preview --frames DIR --out DIR [--every N]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "Masks.h"
#include "PngCodec.h"

namespace {

const char kUsage[] = "usage: kiv_mask_preview --frames DIR --out DIR [--every N]\n";

// 3x5 digits, one row per 3 bits, top row first.
const uint16_t kDigits[10] = {0x7B6F, 0x2C97, 0x73E7, 0x72CF, 0x5BC9, 0x79CF, 0x79EF, 0x7249, 0x7BEF, 0x7BCF};

struct Canvas {
  int width, height;
  std::vector<uint8_t> pixels;
  void Fill(int x0, int y0, int w, int h, uint8_t value) {
    for (int y = std::max(0, y0); y < std::min(height, y0 + h); ++y) {
      for (int x = std::max(0, x0); x < std::min(width, x0 + w); ++x)
        pixels[static_cast<size_t>(y) * width + x] = value;
    }
  }
  void Number(int x, int y, int number, int scale, uint8_t value) {
    std::string text = std::to_string(number);
    for (char c : text) {
      uint16_t glyph = kDigits[c - '0'];
      for (int row = 0; row < 5; ++row) {
        for (int column = 0; column < 3; ++column) {
          if (glyph >> (14 - row * 3 - column) & 1) Fill(x + column * scale, y + row * scale, scale, scale, value);
        }
      }
      x += 4 * scale;
    }
  }
};

// Box-filtered reduction by an integer factor.
void PlaceThumbnail(Canvas& sheet, int x0, int y0, const maskgen::DecodedImage& frame, int factor) {
  int w = static_cast<int>(frame.width) / factor, h = static_cast<int>(frame.height) / factor;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      unsigned sum = 0;
      for (int dy = 0; dy < factor; ++dy) {
        const uint8_t* row = &frame.pixels[(static_cast<size_t>(y) * factor + dy) * frame.width + x * factor];
        for (int dx = 0; dx < factor; ++dx) sum += row[dx];
      }
      sheet.pixels[static_cast<size_t>(y0 + y) * sheet.width + x0 + x] =
          static_cast<uint8_t>(sum / static_cast<unsigned>(factor * factor));
    }
  }
}

int Fail(const std::string& message) {
  std::fprintf(stderr, "kiv_mask_preview: %s\n%s", message.c_str(), kUsage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string framesDir, outDir;
  int every = 12;
  for (int i = 1; i < argc; ++i) {
    std::string option = argv[i];
    if (i + 1 >= argc) return Fail(option + " needs a value");
    std::string value = argv[++i];
    if (option == "--frames") {
      framesDir = value;
    } else if (option == "--out") {
      outDir = value;
    } else if (option == "--every") {
      char* end = nullptr;
      long n = std::strtol(value.c_str(), &end, 10);
      if (value.empty() || *end != '\0' || n < 1 || n > 1000) return Fail("bad frame step '" + value + "' (1..1000)");
      every = static_cast<int>(n);
    } else {
      return Fail("unknown option " + option);
    }
  }
  if (framesDir.empty() || outDir.empty()) return Fail("--frames and --out are required");

  try {
    std::filesystem::create_directories(outDir);
    for (const maskgen::MaskInfo& mask : maskgen::MaskCatalogue()) {
      std::vector<int> shown;
      for (int f = 0; f < mask.frameCount; f += every) shown.push_back(f);
      if (shown.back() != mask.frameCount - 1) shown.push_back(mask.frameCount - 1);
      const int columns = 6, gap = 8, label = 26, factor = 6;
      Canvas sheet{0, 0, {}};
      int cellW = 0, cellH = 0;
      for (size_t k = 0; k < shown.size(); ++k) {
        char name[32];
        std::snprintf(name, sizeof name, "/%03d.png", shown[k]);
        std::string path = framesDir + "/" + mask.key + name;
        std::vector<uint8_t> bytes = maskgen::ReadFile(path);
        maskgen::DecodedImage frame = maskgen::DecodeGrayPng(bytes.data(), bytes.size());
        if (k == 0) {
          cellW = static_cast<int>(frame.width) / factor;
          cellH = static_cast<int>(frame.height) / factor;
          int rows = static_cast<int>((shown.size() + columns - 1) / columns);
          sheet.width = gap + columns * (cellW + gap);
          sheet.height = gap + rows * (cellH + label + gap);
          sheet.pixels.assign(static_cast<size_t>(sheet.width) * sheet.height, 96);
        }
        int x = gap + static_cast<int>(k % columns) * (cellW + gap);
        int y = gap + static_cast<int>(k / columns) * (cellH + label + gap);
        PlaceThumbnail(sheet, x, y, frame, factor);
        sheet.Number(x, y + cellH + 5, shown[k], 3, 230);
      }
      std::vector<uint8_t> png = maskgen::EncodeGrayPng(sheet.pixels.data(), sheet.width, sheet.height, {});
      std::string path = outDir + "/" + mask.key + ".png";
      maskgen::WriteFileAtomically(path, png.data(), png.size());
      std::printf("kiv_mask_preview: %s (%zu frames)\n", path.c_str(), shown.size());
    }
  } catch (const std::exception& error) {
    std::fprintf(stderr, "kiv_mask_preview: %s\n", error.what());
    return 1;
  }
  return 0;
}
