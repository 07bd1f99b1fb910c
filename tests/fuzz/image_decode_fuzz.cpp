// The image library as the mask source drives it: the generator picks a
// decoder for the bytes, the image opens, reads and closes them, and a decoded
// image is scaled to a small size. Input: a mode byte, the two sides of the
// scaled image, then either the file itself or the fields of a PNG built
// from them.
//
// Whatever the bytes, nothing may crash, hang or read or write outside the
// image's storage; a failed read leaves the image invalid; a decoded image
// has the size and layout it states, and a built PNG (always valid) decodes
// to exactly the pixels it was built from.
#include <stddef.h>
#include <stdint.h>

#include <cstring>
#include <memory>
#include <vector>

#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "PngSynthesis.h"
#include "masks/Pelt.h"

namespace {

struct Library {
  Library() {
    TImageGenerator::AddExtendSupportFormat(TImageBMP());
    TImageGenerator::AddExtendSupportFormat(TImagePNG());
  }
};

uint64_t Magnitude(long value) { return value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value); }

// Reads every byte of the storage the image states, so a storage smaller
// than stated is caught.
unsigned Touch(const TImage& image) {
  const unsigned char* bits = image.GetBits();
  unsigned sum = 0;
  for (long i = 0; i < image.GetSize(); ++i) sum += bits[i];
  return sum;
}

void ExpectConsistent(const TImage& image) {
  FUZZ_CHECK(image.IsValid() && image.GetBits() != nullptr);
  FUZZ_CHECK(image.GetWidth() > 0 && image.GetHeight() != 0);
  const uint64_t usedBytes = (Magnitude(image.GetWidth()) * image.GetBitCount() + 7) / 8;
  FUZZ_CHECK(image.GetWidthBytes() % 4 == 0 && static_cast<uint64_t>(image.GetWidthBytes()) >= usedBytes);
  FUZZ_CHECK(static_cast<uint64_t>(image.GetSize()) == Magnitude(image.GetHeight()) * image.GetWidthBytes());
  Touch(image);
}

// Bitmap rows: bottom row first, blue before red in 8-bit colour pixels.
void ExpectPixelsOf(const SynthesizedPng& png, const TImage& image) {
  FUZZ_CHECK(image.GetWidth() == static_cast<long>(png.width));
  FUZZ_CHECK(Magnitude(image.GetHeight()) == png.height);
  FUZZ_CHECK(image.GetBitCount() == png.bitsPerPixel);
  if (png.bitDepth > 8) return;  // the byte order of wide samples is the library's own
  const unsigned swapStep = png.bitDepth == 8 && png.bitsPerPixel >= 24 ? png.bitsPerPixel / 8 : 0;
  for (uint32_t y = 0; y < png.height; ++y) {
    std::vector<uint8_t> expected(png.pixels.begin() + y * png.rowBytes, png.pixels.begin() + (y + 1) * png.rowBytes);
    for (size_t x = 0; swapStep != 0 && x + 2 < expected.size(); x += swapStep) std::swap(expected[x], expected[x + 2]);
    const unsigned char* row = image.GetBits() + (png.height - 1 - y) * image.GetWidthBytes();
    FUZZ_CHECK(std::memcmp(row, expected.data(), expected.size()) == 0);
  }
}

void ExpectScaled(TImage& image, long width, long height) {
  const unsigned short bitCount = image.GetBitCount();
  const bool scalable = bitCount == 8 || bitCount == 24 || bitCount == 32;
  const long result = TEffectImage::Resize(image, width, height);
  if (!scalable) return;
  FUZZ_CHECK(result == 0);
  FUZZ_CHECK(image.GetWidth() == width && Magnitude(image.GetHeight()) == static_cast<uint64_t>(height));
  FUZZ_CHECK(image.GetBitCount() == bitCount);
  ExpectConsistent(image);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static Library library;
  FuzzInput input(data, size);
  const auto mode = static_cast<ImageInputMode>(input.Byte() % kImageInputModes);
  const long scaledWidth = 1 + input.Byte() % 64;
  const long scaledHeight = 1 + input.Byte() % 64;

  SynthesizedPng built;
  const std::vector<uint8_t> file = ImageFileFromInput(mode, input, 64, built);
  // The bytes stand alone, as a resource does: nothing readable behind them.
  std::unique_ptr<unsigned char[]> bytes(new unsigned char[file.size() + 1]);
  if (!file.empty()) std::memcpy(bytes.get(), file.data(), file.size());

  InitializePelt(0);
  std::unique_ptr<TImage> image(TImageGenerator::CreateInstance(bytes.get(), file.size(), -1));
  FUZZ_CHECK(image || mode != kBuiltPng);
  if (image) {
    const long opened = image->Open(bytes.get(), kPeltSourceMemory, file.size(), 0);
    const long read = opened < 0 ? -1 : image->Read(0);
    image->Close();
    if (read < 0) {
      FUZZ_CHECK(mode != kBuiltPng);
      FUZZ_CHECK(!image->IsValid());
    } else {
      ExpectConsistent(*image);
      if (mode == kBuiltPng) ExpectPixelsOf(built, *image);
      ExpectScaled(*image, scaledWidth, scaledHeight);
    }
  }
  UninitializePelt();
  return 0;
}
