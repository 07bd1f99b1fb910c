// kavro's row loops at every level against the reference, byte for byte:
// seeded random and extreme rows of every length up to three of the widest
// steps and the usual frame widths, starting at every alignment, and the
// colour conversions over the whole cube. Inputs end where the row ends (an
// over-read falls off the allocation, which AddressSanitizer reports);
// outputs sit between guard bytes, which must come out as they went in.
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "checkasm.h"
#include "media/MediaRows.h"
#include "tests/support/TestSeed.h"
#if defined(__i386__) || defined(__x86_64__)
#include "media/x86/MediaRowsX86.h"
#endif

using namespace kavro;

namespace {

constexpr size_t kGuard = 40;
constexpr uint8_t kGuardByte = 0x5A;

enum Fill { RANDOM, ZERO, FULL, EXTREMES, ALTERNATING };
const Fill kFills[] = {RANDOM, ZERO, FULL, EXTREMES, ALTERNATING};

// The value at `index` of a row filled so.
uint8_t Value(std::mt19937& random, Fill fill, size_t index) {
  switch (fill) {
    case ZERO:
      return 0;
    case FULL:
      return 255;
    case EXTREMES:
      return random() & 1 ? 255 : 0;
    case ALTERNATING:
      return index & 1 ? 255 : 0;
    default:
      return static_cast<uint8_t>(random());
  }
}

// An input of exactly `count` bytes, starting `shift` bytes into its allocation.
struct Input {
  Input(std::mt19937& random, size_t count, Fill fill, size_t start) : bytes(start + count), offset(start) {
    for (size_t i = start; i < bytes.size(); ++i) bytes[i] = Value(random, fill, i - start);
  }
  const uint8_t* data() const { return bytes.data() + offset; }
  std::vector<uint8_t> bytes;
  size_t offset;
};

// An output between guards, `shift` bytes off the guard's usual end.
struct Output {
  Output(size_t count, size_t start) : bytes(2 * kGuard + count + start, kGuardByte), offset(start) {}
  uint8_t* data() { return bytes.data() + kGuard + offset; }
  std::vector<uint8_t> bytes;
  size_t offset;
};

// Every length up to three steps of 32 and one, and frame widths.
std::vector<size_t> Lengths() {
  std::vector<size_t> lengths;
  for (size_t length = 0; length <= 3 * 32 + 1; ++length) lengths.push_back(length);
  for (size_t length : {319u, 640u, 960u, 1920u}) lengths.push_back(length);
  return lengths;
}

std::string Case(size_t length, Fill fill, size_t shift) {
  return SeedNote() + ": length " + std::to_string(length) + ", fill " + std::to_string(fill) + ", shifted by " +
         std::to_string(shift);
}

void Yuy2PackingMatchesTheReference(const MediaRowFunctions& reference, const MediaRowFunctions& variant) {
  std::mt19937 random(RunSeed());
  for (size_t pairs : Lengths()) {
    for (Fill fill : kFills) {
      const size_t shift = random() % 32;
      const Input y(random, 2 * pairs, fill, shift), cb(random, pairs, fill, random() % 32),
          cr(random, pairs, fill, random() % 32);
      Output expected(4 * pairs, shift), actual(4 * pairs, shift);
      reference.packYuy2(y.data(), cb.data(), cr.data(), pairs, expected.data());
      variant.packYuy2(y.data(), cb.data(), cr.data(), pairs, actual.data());
      ASSERT_EQ(actual.bytes, expected.bytes) << Case(pairs, fill, shift);
    }
  }
}

void Yuy2UnpackingMatchesTheReference(const MediaRowFunctions& reference, const MediaRowFunctions& variant) {
  std::mt19937 random(RunSeed());
  for (size_t pairs : Lengths()) {
    for (Fill fill : kFills) {
      const size_t shift = random() % 32;
      const Input yuy2(random, 4 * pairs, fill, shift);
      Output expectedY(2 * pairs, shift), expectedCb(pairs, 0), expectedCr(pairs, 1);
      Output actualY(2 * pairs, shift), actualCb(pairs, 0), actualCr(pairs, 1);
      reference.unpackYuy2(yuy2.data(), pairs, expectedY.data(), expectedCb.data(), expectedCr.data());
      variant.unpackYuy2(yuy2.data(), pairs, actualY.data(), actualCb.data(), actualCr.data());
      ASSERT_EQ(actualY.bytes, expectedY.bytes) << Case(pairs, fill, shift);
      ASSERT_EQ(actualCb.bytes, expectedCb.bytes) << Case(pairs, fill, shift);
      ASSERT_EQ(actualCr.bytes, expectedCr.bytes) << Case(pairs, fill, shift);
    }
  }
}

void RgbaToYCbCrMatchesTheReference(const MediaRowFunctions& reference, const MediaRowFunctions& variant) {
  std::mt19937 random(RunSeed());
  for (size_t width : Lengths()) {
    for (Fill fill : kFills) {
      const size_t shift = random() % 32;
      const Input rgba(random, 4 * width, fill, shift);
      std::vector<Output> expected(4, Output(width, shift)), actual(expected);
      reference.rgbaToYCbCr(rgba.data(), width, expected[0].data(), expected[1].data(), expected[2].data(),
                            expected[3].data());
      variant.rgbaToYCbCr(rgba.data(), width, actual[0].data(), actual[1].data(), actual[2].data(), actual[3].data());
      for (size_t plane = 0; plane < 4; ++plane) {
        ASSERT_EQ(actual[plane].bytes, expected[plane].bytes) << Case(width, fill, shift) << ", plane " << plane;
      }
    }
  }
}

void YCbCrToRgbaMatchesTheReference(const MediaRowFunctions& reference, const MediaRowFunctions& variant) {
  std::mt19937 random(RunSeed());
  for (size_t width : Lengths()) {
    for (Fill fill : kFills) {
      const size_t shift = random() % 32;
      const Input y(random, width, fill, shift), cb(random, width, fill, random() % 32),
          cr(random, width, fill, random() % 32), alpha(random, width, fill, random() % 32);
      Output expected(4 * width, shift), actual(4 * width, shift);
      reference.yCbCrToRgba(y.data(), cb.data(), cr.data(), alpha.data(), width, expected.data());
      variant.yCbCrToRgba(y.data(), cb.data(), cr.data(), alpha.data(), width, actual.data());
      ASSERT_EQ(actual.bytes, expected.bytes) << Case(width, fill, shift);
    }
  }
}

void ChromaDownsamplingMatchesTheReference(const MediaRowFunctions& reference, const MediaRowFunctions& variant) {
  std::mt19937 random(RunSeed());
  for (size_t lumaWidth : Lengths()) {
    for (Fill fill : kFills) {
      const size_t shift = random() % 32, samples = (lumaWidth + 1) / 2;
      const Input in(random, lumaWidth, fill, shift);
      Output expected(samples, shift), actual(samples, shift);
      reference.downsampleChroma(in.data(), lumaWidth, expected.data());
      variant.downsampleChroma(in.data(), lumaWidth, actual.data());
      ASSERT_EQ(actual.bytes, expected.bytes) << Case(lumaWidth, fill, shift);
    }
  }
}

void ChromaUpsamplingMatchesTheReference(const MediaRowFunctions& reference, const MediaRowFunctions& variant) {
  std::mt19937 random(RunSeed());
  for (size_t lumaWidth : Lengths()) {
    for (Fill fill : kFills) {
      const size_t shift = random() % 32;
      const Input in(random, (lumaWidth + 1) / 2, fill, shift);
      Output expected(lumaWidth, shift), actual(lumaWidth, shift);
      reference.upsampleChroma(in.data(), lumaWidth, expected.data());
      variant.upsampleChroma(in.data(), lumaWidth, actual.data());
      ASSERT_EQ(actual.bytes, expected.bytes) << Case(lumaWidth, fill, shift);
    }
  }
}

// Every Y', Cb, Cr combination in steps that reach both ends, clamping
// included, with every alpha on the way.
void YCbCrToRgbaMatchesTheReferenceOverTheWholeCube(const MediaRowFunctions& reference,
                                                    const MediaRowFunctions& variant) {
  std::vector<uint8_t> y, cb, cr, alpha;
  for (int l = 0; l <= 255; l += 3) {
    for (int b = 0; b <= 255; b += 5) {
      for (int r = 0; r <= 255; r += 5) {
        y.push_back(static_cast<uint8_t>(l));
        cb.push_back(static_cast<uint8_t>(b));
        cr.push_back(static_cast<uint8_t>(r));
        alpha.push_back(static_cast<uint8_t>(l + b + r));
      }
    }
  }
  std::vector<uint8_t> expected(4 * y.size()), actual(expected.size());
  reference.yCbCrToRgba(y.data(), cb.data(), cr.data(), alpha.data(), y.size(), expected.data());
  variant.yCbCrToRgba(y.data(), cb.data(), cr.data(), alpha.data(), y.size(), actual.data());
  for (size_t i = 0; i < y.size(); ++i) {
    ASSERT_EQ(0, std::memcmp(&actual[4 * i], &expected[4 * i], 4))
        << "Y' " << int{y[i]} << " Cb " << int{cb[i]} << " Cr " << int{cr[i]};
  }
}

// Every RGB combination in steps that reach both ends.
void RgbaToYCbCrMatchesTheReferenceOverTheWholeCube(const MediaRowFunctions& reference,
                                                    const MediaRowFunctions& variant) {
  std::vector<uint8_t> rgba;
  for (int r = 0; r <= 255; r += 5) {
    for (int g = 0; g <= 255; g += 3) {
      for (int b = 0; b <= 255; b += 5) {
        for (int value : {r, g, b, 255 - g}) rgba.push_back(static_cast<uint8_t>(value));
      }
    }
  }
  const size_t width = rgba.size() / 4;
  std::vector<std::vector<uint8_t>> expected(4, std::vector<uint8_t>(width)), actual(expected);
  reference.rgbaToYCbCr(rgba.data(), width, expected[0].data(), expected[1].data(), expected[2].data(),
                        expected[3].data());
  variant.rgbaToYCbCr(rgba.data(), width, actual[0].data(), actual[1].data(), actual[2].data(), actual[3].data());
  EXPECT_EQ(actual, expected);
}

void CheckRgbaToYCbCr(const MediaRowFunctions& reference, const MediaRowFunctions& variant) {
  RgbaToYCbCrMatchesTheReference(reference, variant);
  RgbaToYCbCrMatchesTheReferenceOverTheWholeCube(reference, variant);
}

void CheckYCbCrToRgba(const MediaRowFunctions& reference, const MediaRowFunctions& variant) {
  YCbCrToRgbaMatchesTheReference(reference, variant);
  YCbCrToRgbaMatchesTheReferenceOverTheWholeCube(reference, variant);
}

// Timed over a full-HD row: planes of random bytes, room for RGBA in each.
constexpr size_t kBenchWidth = 1920;
using Planes = std::shared_ptr<std::vector<std::vector<uint8_t>>>;

Planes RandomPlanes(size_t count) {
  std::mt19937 random(RunSeed());
  auto planes = std::make_shared<std::vector<std::vector<uint8_t>>>(count);
  for (std::vector<uint8_t>& plane : *planes) {
    for (size_t i = 0; i < 4 * kBenchWidth; ++i) plane.push_back(static_cast<uint8_t>(random()));
  }
  return planes;
}

checkasm::Call BenchPackYuy2(const MediaRowFunctions& rows) {
  const Planes p = RandomPlanes(4);
  PackYuy2Fn* const row = rows.packYuy2;
  return [p, row] { row((*p)[0].data(), (*p)[1].data(), (*p)[2].data(), kBenchWidth / 2, (*p)[3].data()); };
}

checkasm::Call BenchUnpackYuy2(const MediaRowFunctions& rows) {
  const Planes p = RandomPlanes(4);
  UnpackYuy2Fn* const row = rows.unpackYuy2;
  return [p, row] { row((*p)[0].data(), kBenchWidth / 2, (*p)[1].data(), (*p)[2].data(), (*p)[3].data()); };
}

checkasm::Call BenchRgbaToYCbCr(const MediaRowFunctions& rows) {
  const Planes p = RandomPlanes(5);
  RgbaToYCbCrFn* const row = rows.rgbaToYCbCr;
  return [p, row] { row((*p)[0].data(), kBenchWidth, (*p)[1].data(), (*p)[2].data(), (*p)[3].data(), (*p)[4].data()); };
}

checkasm::Call BenchYCbCrToRgba(const MediaRowFunctions& rows) {
  const Planes p = RandomPlanes(5);
  YCbCrToRgbaFn* const row = rows.yCbCrToRgba;
  return [p, row] { row((*p)[0].data(), (*p)[1].data(), (*p)[2].data(), (*p)[3].data(), kBenchWidth, (*p)[4].data()); };
}

checkasm::Call BenchDownsampleChroma(const MediaRowFunctions& rows) {
  const Planes p = RandomPlanes(2);
  DownsampleChromaFn* const row = rows.downsampleChroma;
  return [p, row] { row((*p)[0].data(), kBenchWidth, (*p)[1].data()); };
}

checkasm::Call BenchUpsampleChroma(const MediaRowFunctions& rows) {
  const Planes p = RandomPlanes(2);
  UpsampleChromaFn* const row = rows.upsampleChroma;
  return [p, row] { row((*p)[0].data(), kBenchWidth, (*p)[1].data()); };
}

// The reference, then the x86 rows of `level` whether this CPU has it or not.
void FillAtAnyLevel(MediaRowFunctions& rows, CPU_LEVEL level) {
  InitMediaRows(rows, CPU_LEVEL_BASELINE);
#if defined(__i386__) || defined(__x86_64__)
  InitMediaRowsX86(rows, level);
#else
  (void)level;
#endif
}

}  // namespace

void checkasm::RegisterMediaRows() {
  using Rows = MediaRowFunctions;
  Register(Family<Rows>{
      "media_rows",
      InitMediaRows,
      FillAtAnyLevel,
      MediaRows,
      {RowOf("packYuy2", &Rows::packYuy2, Yuy2PackingMatchesTheReference, BenchPackYuy2),
       RowOf("unpackYuy2", &Rows::unpackYuy2, Yuy2UnpackingMatchesTheReference, BenchUnpackYuy2),
       RowOf("rgbaToYCbCr", &Rows::rgbaToYCbCr, CheckRgbaToYCbCr, BenchRgbaToYCbCr),
       RowOf("yCbCrToRgba", &Rows::yCbCrToRgba, CheckYCbCrToRgba, BenchYCbCrToRgba),
       RowOf("downsampleChroma", &Rows::downsampleChroma, ChromaDownsamplingMatchesTheReference, BenchDownsampleChroma),
       RowOf("upsampleChroma", &Rows::upsampleChroma, ChromaUpsamplingMatchesTheReference, BenchUpsampleChroma)}});
}
