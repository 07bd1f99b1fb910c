// Writes small images for tests.
//
//   make_test_png OUT.png WIDTH HEIGHT LEVEL        8-bit gray PNG of one level
//   make_test_png pattern OUT.png WIDTH HEIGHT      8-bit gray PNG, level 16 * y + x (y = 0 is the top row)
//   make_test_png rgb OUT.png WIDTH HEIGHT          24-bit PNG: red 16 * y + x, green 100, blue 200
//   make_test_png rgba OUT.png WIDTH HEIGHT         32-bit PNG: the rgb colours, alpha 255 - 40 * (x mod 7)
//   make_test_png bmp OUT.bmp WIDTH HEIGHT BITS [top-down]
//                                                   8-bit (gray palette) or 24-bit BMP of the same pattern
//   make_test_png palette OUT.png|OUT.bmp WIDTH HEIGHT gray|colour
//                                                   8-bit palette picture: pixel (x, y) is entry (x + 2y) % 4
//                                                   of a gray (255, 195, 135, 75) or coloured four-entry table
//   make_test_png subbyte OUT.png WIDTH HEIGHT 1|2|4 pattern|white [adam7]
//                                                   gray at that depth: level (3x + 5y) in the depth's range,
//                                                   or all at the top level; optionally interlaced
//   make_test_png endintext OUT.png WIDTH HEIGHT    pattern PNG with a text chunk holding the bytes of an end chunk
//   make_test_png series FOLDER COUNT WIDTH HEIGHT  FOLDER/level_<k>.png for k < COUNT, level k
//   make_test_png truncate IN OUT BYTES             the first BYTES bytes of IN
//   make_test_png corrupt OUT.png WIDTH HEIGHT      pattern PNG whose compressed data is broken
//                                                   (every checksum right)
//   make_test_png badcrc OUT.png WIDTH HEIGHT       pattern PNG with a wrong header checksum
//   make_test_png huge OUT.png|OUT.bmp WIDTH HEIGHT a header of that size over a few bytes of data
#include <spng.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "BinaryFile.h"

namespace {

using Bytes = std::vector<unsigned char>;

bool ParseNumber(const char* text, unsigned long max, unsigned long& value) {
  char* end = nullptr;
  value = std::strtoul(text, &end, 10);
  return end != text && *end == '\0' && value <= max;
}

bool ParseSize(const char* width, const char* height, unsigned long& w, unsigned long& h) {
  return ParseNumber(width, 65535, w) && w > 0 && ParseNumber(height, 65535, h) && h > 0;
}

unsigned char Pattern(unsigned long x, unsigned long y) { return static_cast<unsigned char>((16 * y + x) & 0xFF); }

bool WriteFile(const char* path, const Bytes& bytes) {
  const bool written = WriteBinaryFile(path, bytes);
  if (!written) std::fprintf(stderr, "make_test_png: cannot write %s\n", path);
  return written;
}

bool ReadFile(const char* path, Bytes& bytes) { return ReadBinaryFile(path, bytes); }

// Rows top first, as PNG stores them, packed at the header's depth.
bool EncodePng(const spng_ihdr& header, const spng_plte* palette, const Bytes& pixels, Bytes& png) {
  spng_ctx* context = spng_ctx_new(SPNG_CTX_ENCODER);
  spng_set_option(context, SPNG_ENCODE_TO_BUFFER, 1);
  spng_ihdr copy = header;
  spng_set_ihdr(context, &copy);
  spng_plte plte = {};
  if (palette) {
    plte = *palette;
    spng_set_plte(context, &plte);
  }
  int error = spng_encode_image(context, pixels.data(), pixels.size(), SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE);
  size_t size = 0;
  void* buffer = error ? nullptr : spng_get_png_buffer(context, &size, &error);
  spng_ctx_free(context);
  if (!buffer) {
    std::fprintf(stderr, "make_test_png: encoding failed: %s\n", spng_strerror(error));
    return false;
  }
  png.assign(static_cast<unsigned char*>(buffer), static_cast<unsigned char*>(buffer) + size);
  std::free(buffer);
  return true;
}

bool EncodePng(unsigned long width, unsigned long height, uint8_t colorType, const Bytes& pixels, Bytes& png) {
  spng_ihdr header = {};
  header.width = static_cast<uint32_t>(width);
  header.height = static_cast<uint32_t>(height);
  header.bit_depth = 8;
  header.color_type = colorType;
  return EncodePng(header, nullptr, pixels, png);
}

bool PatternPng(unsigned long width, unsigned long height, Bytes& png) {
  Bytes pixels(width * height);
  for (unsigned long y = 0; y < height; ++y) {
    for (unsigned long x = 0; x < width; ++x) pixels[y * width + x] = Pattern(x, y);
  }
  return EncodePng(width, height, SPNG_COLOR_TYPE_GRAYSCALE, pixels, png);
}

uint32_t Crc32(const unsigned char* data, size_t size) {
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

void PutBigEndian(unsigned char* p, uint32_t value) {
  p[0] = static_cast<unsigned char>(value >> 24);
  p[1] = static_cast<unsigned char>(value >> 16);
  p[2] = static_cast<unsigned char>(value >> 8);
  p[3] = static_cast<unsigned char>(value);
}

uint32_t GetBigEndian(const unsigned char* p) {
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | p[3];
}

void AppendChunk(Bytes& png, const char* type, const Bytes& data) {
  size_t start = png.size();
  png.resize(start + 12 + data.size());
  PutBigEndian(&png[start], static_cast<uint32_t>(data.size()));
  std::memcpy(&png[start + 4], type, 4);
  if (!data.empty()) std::memcpy(&png[start + 8], data.data(), data.size());
  PutBigEndian(&png[start + 8 + data.size()], Crc32(&png[start + 4], 4 + data.size()));
}

// Offset of the first chunk of the given type, or 0.
size_t FindChunk(const Bytes& png, const char* type) {
  for (size_t at = 8; at + 12 <= png.size(); at += 12 + GetBigEndian(&png[at])) {
    if (std::memcmp(&png[at + 4], type, 4) == 0) return at;
  }
  return 0;
}

void Put16(Bytes& b, uint32_t v) {
  b.push_back(static_cast<unsigned char>(v));
  b.push_back(static_cast<unsigned char>(v >> 8));
}

void Put32(Bytes& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

std::vector<uint32_t> GrayTable() {
  std::vector<uint32_t> table(256);
  for (uint32_t i = 0; i < 256; ++i) table[i] = i * 0x010101u;
  return table;
}

// height is negative for rows stored top first. With pixels == false only the
// headers (and colour table) are written. 8-bit pixels are index(x, y) into
// table (0x00RRGGBB entries).
Bytes Bitmap(unsigned long width, long height, unsigned bits, bool pixels,
             const std::vector<uint32_t>& table = GrayTable(),
             unsigned char (*index)(unsigned long, unsigned long) = Pattern) {
  const unsigned long rows = static_cast<unsigned long>(height < 0 ? -height : height);
  const uint32_t stride = static_cast<uint32_t>((width * bits + 31) / 32 * 4);
  const uint32_t paletteSize = bits == 8 ? static_cast<uint32_t>(table.size() * 4) : 0;
  const uint32_t offset = 14 + 40 + paletteSize;
  Bytes bmp;
  bmp.push_back('B');
  bmp.push_back('M');
  Put32(bmp, static_cast<uint32_t>(offset + uint64_t{stride} * rows));
  Put32(bmp, 0);
  Put32(bmp, offset);
  Put32(bmp, 40);
  Put32(bmp, static_cast<uint32_t>(width));
  Put32(bmp, static_cast<uint32_t>(height));
  Put16(bmp, 1);
  Put16(bmp, bits);
  Put32(bmp, 0);
  Put32(bmp, static_cast<uint32_t>(uint64_t{stride} * rows));
  Put32(bmp, 2835);
  Put32(bmp, 2835);
  Put32(bmp, paletteSize / 4);
  Put32(bmp, 0);
  for (uint32_t i = 0; i < paletteSize / 4; ++i) Put32(bmp, table[i]);
  if (!pixels) return bmp;
  for (unsigned long fileRow = 0; fileRow < rows; ++fileRow) {
    // y counts from the top of the picture.
    unsigned long y = height < 0 ? fileRow : rows - 1 - fileRow;
    Bytes row(stride, 0);
    for (unsigned long x = 0; x < width; ++x) {
      if (bits == 8) {
        row[x] = index(x, y);
      } else {
        row[3 * x] = 200;                // blue
        row[3 * x + 1] = 100;            // green
        row[3 * x + 2] = Pattern(x, y);  // red
      }
    }
    bmp.insert(bmp.end(), row.begin(), row.end());
  }
  return bmp;
}

// Palette pictures: pixel (x, y) is entry (x + 2y) % 4 of a four-entry table,
// gray (levels 255, 195, 135, 75) or coloured (red, green, blue, 10/20/30).
unsigned char PaletteIndex(unsigned long x, unsigned long y) { return static_cast<unsigned char>((x + 2 * y) % 4); }

std::vector<uint32_t> FourEntries(bool gray) {
  if (gray) return {0xFFFFFFu, 0xC3C3C3u, 0x878787u, 0x4B4B4Bu};
  return {0xFF0000u, 0x00FF00u, 0x0000FFu, 0x0A141Eu};
}

bool PalettePng(unsigned long width, unsigned long height, const std::vector<uint32_t>& table, Bytes& png) {
  spng_ihdr header = {};
  header.width = static_cast<uint32_t>(width);
  header.height = static_cast<uint32_t>(height);
  header.bit_depth = 8;
  header.color_type = SPNG_COLOR_TYPE_INDEXED;
  spng_plte palette = {};
  palette.n_entries = static_cast<uint32_t>(table.size());
  for (size_t i = 0; i < table.size(); ++i) {
    palette.entries[i].red = static_cast<uint8_t>(table[i] >> 16);
    palette.entries[i].green = static_cast<uint8_t>(table[i] >> 8);
    palette.entries[i].blue = static_cast<uint8_t>(table[i]);
  }
  Bytes pixels(width * height);
  for (unsigned long y = 0; y < height; ++y) {
    for (unsigned long x = 0; x < width; ++x) pixels[y * width + x] = PaletteIndex(x, y);
  }
  return EncodePng(header, &palette, pixels, png);
}

// Gray at 1, 2 or 4 bits: level (3x + 5y) modulo the depth's range, or all
// at the top level; optionally interlaced.
bool SubBytePng(unsigned long width, unsigned long height, unsigned depth, bool white, bool interlaced, Bytes& png) {
  spng_ihdr header = {};
  header.width = static_cast<uint32_t>(width);
  header.height = static_cast<uint32_t>(height);
  header.bit_depth = static_cast<uint8_t>(depth);
  header.color_type = SPNG_COLOR_TYPE_GRAYSCALE;
  header.interlace_method = interlaced ? SPNG_INTERLACE_ADAM7 : SPNG_INTERLACE_NONE;
  const unsigned long rowBytes = (width * depth + 7) / 8;
  const unsigned top = (1u << depth) - 1;
  Bytes pixels(rowBytes * height, 0);
  for (unsigned long y = 0; y < height; ++y) {
    for (unsigned long x = 0; x < width; ++x) {
      const unsigned level = white ? top : (3 * x + 5 * y) & top;
      const unsigned shift = 8 - depth - (x * depth) % 8;  // leftmost pixel in the high bits
      pixels[y * rowBytes + x * depth / 8] |= static_cast<unsigned char>(level << shift);
    }
  }
  return EncodePng(header, nullptr, pixels, png);
}

// The pattern picture with a text chunk, right after the header, whose text
// holds the twelve bytes of an end chunk.
bool EndInTextPng(unsigned long width, unsigned long height, Bytes& png) {
  Bytes plain;
  if (!PatternPng(width, height, plain)) return false;
  const size_t afterHeader = 8 + 12 + 13;
  png.assign(plain.begin(), plain.begin() + afterHeader);
  static const unsigned char kText[] = {'C', 'o', 'm', 'm', 'e', 'n', 't',  0,    0,    0,
                                        0,   0,   'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82};
  AppendChunk(png, "tEXt", Bytes(kText, kText + sizeof kText));
  png.insert(png.end(), plain.begin() + afterHeader, plain.end());
  return true;
}

int Usage() {
  std::fprintf(stderr,
               "usage: make_test_png OUT.png WIDTH HEIGHT LEVEL\n"
               "       make_test_png pattern|rgb|rgba|corrupt|badcrc|huge OUT WIDTH HEIGHT\n"
               "       make_test_png bmp OUT.bmp WIDTH HEIGHT 8|24 [top-down]\n"
               "       make_test_png palette OUT.png|OUT.bmp WIDTH HEIGHT gray|colour\n"
               "       make_test_png subbyte OUT.png WIDTH HEIGHT 1|2|4 pattern|white [adam7]\n"
               "       make_test_png endintext OUT.png WIDTH HEIGHT\n"
               "       make_test_png series FOLDER COUNT WIDTH HEIGHT\n"
               "       make_test_png truncate IN OUT BYTES\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  const std::string command = argv[1];
  unsigned long width = 0, height = 0, value = 0;
  Bytes out;

  if (command == "pattern" || command == "rgb" || command == "rgba" || command == "corrupt" || command == "badcrc") {
    if (argc != 5 || !ParseSize(argv[3], argv[4], width, height)) return Usage();
    if (command == "rgb" || command == "rgba") {
      const unsigned long channels = command == "rgba" ? 4 : 3;
      Bytes pixels(width * height * channels);
      for (unsigned long y = 0; y < height; ++y) {
        for (unsigned long x = 0; x < width; ++x) {
          unsigned char* p = &pixels[(y * width + x) * channels];
          p[0] = Pattern(x, y);
          p[1] = 100;
          p[2] = 200;
          if (channels == 4) p[3] = static_cast<unsigned char>(255 - 40 * (x % 7));
        }
      }
      const uint8_t type = channels == 4 ? SPNG_COLOR_TYPE_TRUECOLOR_ALPHA : SPNG_COLOR_TYPE_TRUECOLOR;
      if (!EncodePng(width, height, type, pixels, out)) return 1;
    } else {
      if (!PatternPng(width, height, out)) return 1;
    }
    if (command == "corrupt") {
      // An unknown compression method in the zlib header, checksum fixed up.
      size_t idat = FindChunk(out, "IDAT");
      if (!idat) return 1;
      out[idat + 8] = 0x0F;
      uint32_t length = GetBigEndian(&out[idat]);
      PutBigEndian(&out[idat + 8 + length], Crc32(&out[idat + 4], 4 + length));
    } else if (command == "badcrc") {
      out[8 + 8 + 10] ^= 0x01;  // IHDR's compression byte; its checksum stays
    }
    return WriteFile(argv[2], out) ? 0 : 1;
  }

  if (command == "bmp") {
    if ((argc != 6 && argc != 7) || !ParseSize(argv[3], argv[4], width, height) || !ParseNumber(argv[5], 32, value) ||
        (value != 8 && value != 24) || (argc == 7 && std::strcmp(argv[6], "top-down") != 0)) {
      return Usage();
    }
    long rows = argc == 7 ? -static_cast<long>(height) : static_cast<long>(height);
    return WriteFile(argv[2], Bitmap(width, rows, static_cast<unsigned>(value), true)) ? 0 : 1;
  }

  if (command == "palette") {
    if (argc != 6 || !ParseSize(argv[3], argv[4], width, height)) return Usage();
    const std::string kind = argv[5];
    if (kind != "gray" && kind != "colour") return Usage();
    const std::vector<uint32_t> table = FourEntries(kind == "gray");
    const std::string path = argv[2];
    if (path.size() >= 4 && path.compare(path.size() - 4, 4, ".bmp") == 0) {
      out = Bitmap(width, static_cast<long>(height), 8, true, table, PaletteIndex);
    } else if (!PalettePng(width, height, table, out)) {
      return 1;
    }
    return WriteFile(argv[2], out) ? 0 : 1;
  }

  if (command == "subbyte") {
    const bool interlaced = argc == 8 && std::strcmp(argv[7], "adam7") == 0;
    if ((argc != 7 && !interlaced) || !ParseSize(argv[3], argv[4], width, height) || !ParseNumber(argv[5], 4, value) ||
        value == 0 || value == 3 || (std::strcmp(argv[6], "pattern") != 0 && std::strcmp(argv[6], "white") != 0)) {
      return Usage();
    }
    const bool white = std::strcmp(argv[6], "white") == 0;
    if (!SubBytePng(width, height, static_cast<unsigned>(value), white, interlaced, out)) return 1;
    return WriteFile(argv[2], out) ? 0 : 1;
  }

  if (command == "endintext") {
    if (argc != 5 || !ParseSize(argv[3], argv[4], width, height)) return Usage();
    if (!EndInTextPng(width, height, out)) return 1;
    return WriteFile(argv[2], out) ? 0 : 1;
  }

  if (command == "huge") {
    if (argc != 5 || !ParseNumber(argv[3], 0xFFFFFFFFul, width) || !ParseNumber(argv[4], 0x7FFFFFFFul, height)) {
      return Usage();
    }
    std::string path = argv[2];
    if (path.size() >= 4 && path.compare(path.size() - 4, 4, ".bmp") == 0) {
      out = Bitmap(width, static_cast<long>(height), 8, false);
      out.insert(out.end(), 64, 0x80);
    } else {
      static const unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
      out.assign(kSignature, kSignature + 8);
      Bytes header(13, 0);
      PutBigEndian(&header[0], static_cast<uint32_t>(width));
      PutBigEndian(&header[4], static_cast<uint32_t>(height));
      header[8] = 8;  // 8-bit gray
      AppendChunk(out, "IHDR", header);
      Bytes small;
      if (!PatternPng(4, 4, small)) return 1;
      size_t idat = FindChunk(small, "IDAT");
      Bytes data(small.begin() + static_cast<long>(idat) + 8,
                 small.begin() + static_cast<long>(idat) + 8 + GetBigEndian(&small[idat]));
      AppendChunk(out, "IDAT", data);
      AppendChunk(out, "IEND", Bytes());
    }
    return WriteFile(argv[2], out) ? 0 : 1;
  }

  if (command == "series") {
    if (argc != 6 || !ParseNumber(argv[3], 256, value) || !ParseSize(argv[4], argv[5], width, height)) return Usage();
    for (unsigned long level = 0; level < value; ++level) {
      Bytes pixels(width * height, static_cast<unsigned char>(level));
      std::string path = std::string(argv[2]) + "/level_" + std::to_string(level) + ".png";
      if (!EncodePng(width, height, SPNG_COLOR_TYPE_GRAYSCALE, pixels, out) || !WriteFile(path.c_str(), out)) return 1;
    }
    return 0;
  }

  if (command == "truncate") {
    if (argc != 5 || !ParseNumber(argv[4], 0xFFFFFFFFul, value)) return Usage();
    if (!ReadFile(argv[2], out)) {
      std::fprintf(stderr, "make_test_png: cannot read %s\n", argv[2]);
      return 1;
    }
    if (value < out.size()) out.resize(value);
    return WriteFile(argv[3], out) ? 0 : 1;
  }

  // The original form: one level everywhere.
  if (argc != 5 || !ParseSize(argv[2], argv[3], width, height) || !ParseNumber(argv[4], 255, value)) return Usage();
  Bytes pixels(width * height, static_cast<unsigned char>(value));
  if (!EncodePng(width, height, SPNG_COLOR_TYPE_GRAYSCALE, pixels, out)) return 1;
  return WriteFile(argv[1], out) ? 0 : 1;
}
