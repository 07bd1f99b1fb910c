// Every SIMD level of kavro's row loops this CPU has against the reference,
// byte for byte: seeded random and extreme rows of every length up to three
// of the widest steps and the usual frame widths, starting at every
// alignment. Inputs end where the row ends (an over-read falls off the
// allocation, which AddressSanitizer reports); outputs sit between guard
// bytes, which must come out as they went in.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "media/MediaRows.h"
#include "tests/support/TestSeed.h"

using namespace kavro;

namespace {

constexpr size_t kGuard = 40;
constexpr uint8_t kGuardByte = 0x5A;

enum Fill { RANDOM, ZERO, FULL, EXTREMES };
const Fill kFills[] = {RANDOM, ZERO, FULL, EXTREMES};

uint8_t Value(std::mt19937& random, Fill fill) {
  switch (fill) {
    case ZERO:
      return 0;
    case FULL:
      return 255;
    case EXTREMES:
      return random() & 1 ? 255 : 0;
    default:
      return static_cast<uint8_t>(random());
  }
}

// An input of exactly `count` bytes, starting `shift` bytes into its allocation.
struct Input {
  Input(std::mt19937& random, size_t count, Fill fill, size_t start) : bytes(start + count), offset(start) {
    for (size_t i = start; i < bytes.size(); ++i) bytes[i] = Value(random, fill);
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

MediaRowFunctions RowsAt(CPU_LEVEL level) {
  MediaRowFunctions rows;
  InitMediaRows(rows, level);
  return rows;
}

const MediaRowFunctions kMediaRowsReference = RowsAt(CPU_LEVEL_BASELINE);

class MediaRowLevels : public ::testing::TestWithParam<CPU_LEVEL> {
 protected:
  void SetUp() override {
    if (CpuLevel() < GetParam()) GTEST_SKIP() << "this CPU lacks " << CpuLevelName(GetParam());
    variant = RowsAt(GetParam());
  }
  const MediaRowFunctions& Variant() const { return variant; }

  MediaRowFunctions variant;
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

TEST_P(MediaRowLevels, Yuy2PackingMatchesTheReference) {
  std::mt19937 random(RunSeed());
  for (size_t pairs : Lengths()) {
    for (Fill fill : kFills) {
      const size_t shift = random() % 32;
      const Input y(random, 2 * pairs, fill, shift), cb(random, pairs, fill, random() % 32),
          cr(random, pairs, fill, random() % 32);
      Output expected(4 * pairs, shift), actual(4 * pairs, shift);
      kMediaRowsReference.packYuy2(y.data(), cb.data(), cr.data(), pairs, expected.data());
      Variant().packYuy2(y.data(), cb.data(), cr.data(), pairs, actual.data());
      ASSERT_EQ(actual.bytes, expected.bytes) << Case(pairs, fill, shift);
    }
  }
}

TEST_P(MediaRowLevels, Yuy2UnpackingMatchesTheReference) {
  std::mt19937 random(RunSeed());
  for (size_t pairs : Lengths()) {
    for (Fill fill : kFills) {
      const size_t shift = random() % 32;
      const Input yuy2(random, 4 * pairs, fill, shift);
      Output expectedY(2 * pairs, shift), expectedCb(pairs, 0), expectedCr(pairs, 1);
      Output actualY(2 * pairs, shift), actualCb(pairs, 0), actualCr(pairs, 1);
      kMediaRowsReference.unpackYuy2(yuy2.data(), pairs, expectedY.data(), expectedCb.data(), expectedCr.data());
      Variant().unpackYuy2(yuy2.data(), pairs, actualY.data(), actualCb.data(), actualCr.data());
      ASSERT_EQ(actualY.bytes, expectedY.bytes) << Case(pairs, fill, shift);
      ASSERT_EQ(actualCb.bytes, expectedCb.bytes) << Case(pairs, fill, shift);
      ASSERT_EQ(actualCr.bytes, expectedCr.bytes) << Case(pairs, fill, shift);
    }
  }
}

TEST_P(MediaRowLevels, RgbaToYCbCrMatchesTheReference) {
  std::mt19937 random(RunSeed());
  for (size_t width : Lengths()) {
    for (Fill fill : kFills) {
      const size_t shift = random() % 32;
      const Input rgba(random, 4 * width, fill, shift);
      std::vector<Output> expected(4, Output(width, shift)), actual(expected);
      kMediaRowsReference.rgbaToYCbCr(rgba.data(), width, expected[0].data(), expected[1].data(), expected[2].data(),
                                      expected[3].data());
      Variant().rgbaToYCbCr(rgba.data(), width, actual[0].data(), actual[1].data(), actual[2].data(), actual[3].data());
      for (size_t plane = 0; plane < 4; ++plane) {
        ASSERT_EQ(actual[plane].bytes, expected[plane].bytes) << Case(width, fill, shift) << ", plane " << plane;
      }
    }
  }
}

TEST_P(MediaRowLevels, YCbCrToRgbaMatchesTheReference) {
  std::mt19937 random(RunSeed());
  for (size_t width : Lengths()) {
    for (Fill fill : kFills) {
      const size_t shift = random() % 32;
      const Input y(random, width, fill, shift), cb(random, width, fill, random() % 32),
          cr(random, width, fill, random() % 32), alpha(random, width, fill, random() % 32);
      Output expected(4 * width, shift), actual(4 * width, shift);
      kMediaRowsReference.yCbCrToRgba(y.data(), cb.data(), cr.data(), alpha.data(), width, expected.data());
      Variant().yCbCrToRgba(y.data(), cb.data(), cr.data(), alpha.data(), width, actual.data());
      ASSERT_EQ(actual.bytes, expected.bytes) << Case(width, fill, shift);
    }
  }
}

TEST_P(MediaRowLevels, ChromaDownsamplingMatchesTheReference) {
  std::mt19937 random(RunSeed());
  for (size_t lumaWidth : Lengths()) {
    for (Fill fill : kFills) {
      const size_t shift = random() % 32, samples = (lumaWidth + 1) / 2;
      const Input in(random, lumaWidth, fill, shift);
      Output expected(samples, shift), actual(samples, shift);
      kMediaRowsReference.downsampleChroma(in.data(), lumaWidth, expected.data());
      Variant().downsampleChroma(in.data(), lumaWidth, actual.data());
      ASSERT_EQ(actual.bytes, expected.bytes) << Case(lumaWidth, fill, shift);
    }
  }
}

TEST_P(MediaRowLevels, ChromaUpsamplingMatchesTheReference) {
  std::mt19937 random(RunSeed());
  for (size_t lumaWidth : Lengths()) {
    for (Fill fill : kFills) {
      const size_t shift = random() % 32;
      const Input in(random, (lumaWidth + 1) / 2, fill, shift);
      Output expected(lumaWidth, shift), actual(lumaWidth, shift);
      kMediaRowsReference.upsampleChroma(in.data(), lumaWidth, expected.data());
      Variant().upsampleChroma(in.data(), lumaWidth, actual.data());
      ASSERT_EQ(actual.bytes, expected.bytes) << Case(lumaWidth, fill, shift);
    }
  }
}

// Every Y', Cb, Cr combination in steps that reach both ends, clamping
// included, with every alpha on the way.
TEST_P(MediaRowLevels, YCbCrToRgbaMatchesTheReferenceOverTheWholeCube) {
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
  kMediaRowsReference.yCbCrToRgba(y.data(), cb.data(), cr.data(), alpha.data(), y.size(), expected.data());
  Variant().yCbCrToRgba(y.data(), cb.data(), cr.data(), alpha.data(), y.size(), actual.data());
  for (size_t i = 0; i < y.size(); ++i) {
    ASSERT_EQ(0, std::memcmp(&actual[4 * i], &expected[4 * i], 4))
        << "Y' " << int{y[i]} << " Cb " << int{cb[i]} << " Cr " << int{cr[i]};
  }
}

// Every RGB combination in steps that reach both ends.
TEST_P(MediaRowLevels, RgbaToYCbCrMatchesTheReferenceOverTheWholeCube) {
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
  kMediaRowsReference.rgbaToYCbCr(rgba.data(), width, expected[0].data(), expected[1].data(), expected[2].data(),
                                  expected[3].data());
  Variant().rgbaToYCbCr(rgba.data(), width, actual[0].data(), actual[1].data(), actual[2].data(), actual[3].data());
  EXPECT_EQ(actual, expected);
}

std::string LevelTestName(const ::testing::TestParamInfo<CPU_LEVEL>& info) { return CpuLevelName(info.param); }

INSTANTIATE_TEST_SUITE_P(Levels, MediaRowLevels, ::testing::Values(CPU_LEVEL_SSE2, CPU_LEVEL_AVX2), LevelTestName);

// The rows in use follow the cap, held to what the CPU has.
TEST(MediaRowLevel, TheCapChoosesTheVariant) {
  EXPECT_EQ(SetCpuLevelLimit(CPU_LEVEL_BASELINE), CPU_LEVEL_BASELINE);
  EXPECT_EQ(MediaRows().packYuy2, kMediaRowsReference.packYuy2);
  // AVX2 is the widest these rows are written for.
  const CPU_LEVEL best = SetCpuLevelLimit(CPU_LEVEL_AVX2);
  EXPECT_EQ(best, CpuLevel() < CPU_LEVEL_AVX2 ? CpuLevel() : CPU_LEVEL_AVX2);
  EXPECT_EQ(MediaRows().packYuy2, RowsAt(best).packYuy2);
  SetCpuLevelLimit(kHighestCpuLevel);
}

}  // namespace
