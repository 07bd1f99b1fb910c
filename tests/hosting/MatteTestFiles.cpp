#include "MatteTestFiles.h"

#include "tools/png_writer/GrayPngWriter.h"

namespace mattetest {

std::vector<uint8_t> Png(uint32_t width, uint32_t height, uint8_t colorType, uint8_t depth,
                         const std::vector<uint16_t>& samples, const std::string& palette) {
  const uint32_t channels = colorType == 0 || colorType == 3 ? 1 : colorType == 4 ? 2 : colorType == 2 ? 3 : 4;
  std::vector<uint8_t> rows;
  for (uint32_t y = 0; y < height; ++y) {
    rows.push_back(0);  // no filter
    const uint16_t* row = &samples[static_cast<size_t>(y) * width * channels];
    if (depth == 16) {
      for (uint32_t i = 0; i < width * channels; ++i) {
        rows.push_back(static_cast<uint8_t>(row[i] >> 8));
        rows.push_back(static_cast<uint8_t>(row[i]));
      }
    } else {
      uint32_t bits = 0, used = 0;
      for (uint32_t i = 0; i < width * channels; ++i) {
        bits = bits << depth | row[i];
        used += depth;
        if (used == 8) {
          rows.push_back(static_cast<uint8_t>(bits));
          bits = used = 0;
        }
      }
      if (used) rows.push_back(static_cast<uint8_t>(bits << (8 - used)));
    }
  }
  const std::vector<uint8_t> stream = pngwriter::ZlibStream(rows, 6);
  std::string file(pngwriter::kSignature, 8);
  file += pngwriter::Chunk("IHDR", pngwriter::HeaderData(width, height, depth, colorType, 0));
  if (!palette.empty()) file += pngwriter::Chunk("PLTE", palette);
  file += pngwriter::Chunk("IDAT", std::string(stream.begin(), stream.end()));
  file += pngwriter::Chunk("IEND", "");
  return std::vector<uint8_t>(file.begin(), file.end());
}

std::vector<uint8_t> GrayPng(uint32_t width, uint32_t height, const std::vector<uint8_t>& levels) {
  return Png(width, height, 0, 8, std::vector<uint16_t>(levels.begin(), levels.end()));
}

std::vector<uint8_t> Pgm(uint32_t width, uint32_t height, uint32_t maxval, const std::vector<uint16_t>& samples) {
  const std::string header =
      "P5\n# a comment\n" + std::to_string(width) + " " + std::to_string(height) + "\n" + std::to_string(maxval) + "\n";
  std::vector<uint8_t> file(header.begin(), header.end());
  for (uint16_t sample : samples) {
    if (maxval > 255) file.push_back(static_cast<uint8_t>(sample >> 8));
    file.push_back(static_cast<uint8_t>(sample));
  }
  return file;
}

}  // namespace mattetest
