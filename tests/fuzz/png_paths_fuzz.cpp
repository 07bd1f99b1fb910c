// The image library's two PNG decoders side by side: the plain path (8-bit
// gray files inflated whole) and the general one (libspng). Input: a mode
// byte, then the file as given, with its checksums fixed, or built from the
// fields that follow.
//
// A file the plain path accepts, the general one accepts too, with the same
// size, layout and every byte of storage; a file the plain path declines or
// refuses is left to the general one. A built 8-bit gray, non-interlaced
// file is exactly the plain path's case: it accepts it, and both give its
// pixels.
#include <stddef.h>
#include <stdint.h>

#include <cstring>
#include <memory>
#include <vector>

#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "PngSynthesis.h"
#include "masks/Pelt.h"
#include "platform/pelt/PeltTuning.h"

namespace {

struct Decoded {
  bool accepted = false;
  long width = 0, height = 0, widthBytes = 0;
  unsigned short bitCount = 0;
  int paletteEntries = 0;
  std::vector<unsigned char> storage;
};

Decoded Decode(const std::vector<uint8_t>& file, PELT_PNG_PATHS paths) {
  PeltSetPngPaths(paths);
  // The bytes stand alone, as a resource does: nothing readable behind them.
  std::unique_ptr<unsigned char[]> bytes(new unsigned char[file.size() + 1]);
  if (!file.empty()) std::memcpy(bytes.get(), file.data(), file.size());
  TImagePNG image;
  Decoded decoded;
  decoded.accepted = image.Open(bytes.get(), kPeltSourceMemory, file.size(), 0) >= 0 && image.Read(0) >= 0;
  image.Close();
  if (!decoded.accepted) {
    FUZZ_CHECK(!image.IsValid());
    return decoded;
  }
  decoded.width = image.GetWidth();
  decoded.height = image.GetHeight();
  decoded.widthBytes = image.GetWidthBytes();
  decoded.bitCount = image.GetBitCount();
  decoded.paletteEntries = image.GetPalette(nullptr, 0);
  decoded.storage.assign(image.GetBits(), image.GetBits() + image.GetSize());
  return decoded;
}

bool IsPlainCase(const SynthesizedPng& png) { return png.colorType == 0 && png.bitDepth == 8 && !png.interlaced; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzInput input(data, size);
  const auto mode = static_cast<ImageInputMode>(input.Byte() % kImageInputModes);
  SynthesizedPng built;
  const std::vector<uint8_t> file = ImageFileFromInput(mode, input, 64, built);

  const Decoded plain = Decode(file, PELT_PNG_PLAIN_ONLY);
  const Decoded general = Decode(file, PELT_PNG_GENERAL_ONLY);
  PeltSetPngPaths(PELT_PNG_PLAIN_THEN_GENERAL);
  if (mode == kBuiltPng) {
    FUZZ_CHECK(general.accepted);
    if (IsPlainCase(built)) FUZZ_CHECK(plain.accepted);
  }
  if (!plain.accepted) return 0;
  FUZZ_CHECK(general.accepted);
  FUZZ_CHECK(plain.width == general.width && plain.height == general.height);
  FUZZ_CHECK(plain.bitCount == 8 && general.bitCount == 8);
  FUZZ_CHECK(plain.widthBytes == general.widthBytes && plain.paletteEntries == general.paletteEntries);
  FUZZ_CHECK(plain.storage == general.storage);
  if (mode == kBuiltPng) {
    for (uint32_t y = 0; y < built.height; ++y) {
      const unsigned char* row = plain.storage.data() + (built.height - 1 - y) * static_cast<size_t>(plain.widthBytes);
      FUZZ_CHECK(std::memcmp(row, built.pixels.data() + y * built.rowBytes, built.rowBytes) == 0);
    }
  }
  return 0;
}
