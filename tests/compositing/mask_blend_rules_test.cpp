// The blend's rules on small hand-made rows, at every level this CPU has:
// the worked values the kernel is defined by, the alpha and weight extremes,
// truncation, odd widths and rows that start on the second pixel of a pair.
#include <gtest/gtest.h>

#include <vector>

#include "BlendTestRow.h"
#include "compositing/MaskBlend.h"
#include "platform/cpu/CpuLevel.h"

namespace {

using Bytes = std::vector<uint8_t>;

class BlendRules : public ::testing::TestWithParam<CPU_LEVEL> {
 protected:
  void SetUp() override { ASSERT_EQ(SetCpuLevelLimit(GetParam()), GetParam()); }
  void TearDown() override { SetCpuLevelLimit(kHighestCpuLevel); }
};

// A row of `width` pixels whose every pixel byte, alpha and mask byte is the
// given value, so the pair rule and the SIMD steps see the same thing everywhere.
BlendTestRow UniformRow(uint32_t width, uint8_t out, uint8_t work, uint8_t outAlpha, uint8_t workAlpha, uint8_t mask) {
  BlendTestRow row(width);
  row.outPixels.assign(2 * width, out);
  row.workPixels.assign(2 * width, work);
  row.outAlpha.assign(width, outAlpha);
  row.workAlpha.assign(width, workAlpha);
  row.mask.assign(width, mask);
  return row;
}

TEST_P(BlendRules, WorkedValues) {
  BlendTestRow row(2);
  row.outPixels = {100, 90, 200, 180};
  row.outAlpha = {128, 64};
  row.workPixels = {50, 160, 40, 20};
  row.workAlpha = {30, 200};
  row.mask = {100, 200};
  row.Blend(true);
  EXPECT_EQ(row.outPixels, (Bytes{65, 145, 48, 52}));
  EXPECT_EQ(row.outAlpha, (Bytes{79, 165}));

  row.outPixels = {100, 90, 200, 180};
  row.outAlpha = {255, 0};
  row.mask = {0, 0};
  row.Blend(true);
  EXPECT_EQ(row.outPixels, (Bytes{100, 90, 40, 180}));
  EXPECT_EQ(row.outAlpha, (Bytes{255, 200}));
}

TEST_P(BlendRules, ZeroByteCountTouchesNothing) {
  BlendTestRow row = UniformRow(0, 0, 0, 0, 0, 0);
  row.Blend(false);  // the guards around the empty row must stay intact
}

// Opaque output: weight 255 gives source B, weight 0 keeps source A, and the
// invert flag decides which stored byte is which weight.
TEST_P(BlendRules, OpaqueOutputFollowsTheWeight) {
  const uint32_t width = 37;  // SIMD steps, a short tail and a lone pixel
  BlendTestRow row(width);
  for (uint32_t i = 0; i < 2 * width; ++i) {
    row.outPixels[i] = static_cast<uint8_t>(7 * i + 3);
    row.workPixels[i] = static_cast<uint8_t>(255 - 5 * i);
  }
  row.workAlpha.assign(width, 17);
  const Bytes outPixels = row.outPixels;

  struct {
    bool invert;
    uint8_t stored;
    bool showsWork;
  } const cases[] = {{false, 0, true}, {false, 255, false}, {true, 255, true}, {true, 0, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "invert " << c.invert << ", stored mask byte " << int{c.stored});
    row.outPixels = outPixels;
    row.outAlpha.assign(width, 255);
    row.mask.assign(width, c.stored);
    row.Blend(c.invert);
    EXPECT_EQ(row.outPixels, c.showsWork ? row.workPixels : outPixels);
    EXPECT_EQ(row.outAlpha, Bytes(width, 255));
  }
}

TEST_P(BlendRules, DivisionsTruncate) {
  // Weight 128 on every pixel, invert set; chroma sums two such weights.
  BlendTestRow up = UniformRow(21, 0, 255, 255, 0, 128);
  up.Blend(true);
  EXPECT_EQ(up.outPixels, Bytes(42, 128));

  BlendTestRow down = UniformRow(21, 255, 0, 255, 0, 128);
  down.Blend(true);
  EXPECT_EQ(down.outPixels, Bytes(42, 127));
}

TEST_P(BlendRules, ChromaTakesBothWeightsOfItsPair) {
  // Pairs weighted 0 and 255: the first luma keeps A, the second takes B,
  // and the shared chroma lands halfway, rounded down.
  const uint32_t width = 34;
  BlendTestRow row(width);
  for (uint32_t i = 0; i < 2 * width; ++i) {
    row.outPixels[i] = static_cast<uint8_t>(11 * i);
    row.workPixels[i] = static_cast<uint8_t>(200 - 3 * i);
  }
  row.outAlpha.assign(width, 255);
  row.workAlpha.assign(width, 9);
  for (uint32_t i = 0; i < width; ++i) row.mask[i] = i % 2 ? 255 : 0;
  const Bytes outBefore = row.outPixels;
  row.Blend(true);
  for (uint32_t k = 0; k < 2 * width; k += 4) {
    SCOPED_TRACE(testing::Message() << "group at byte " << k);
    EXPECT_EQ(row.outPixels[k], outBefore[k]);
    EXPECT_EQ(row.outPixels[k + 1], (outBefore[k + 1] + row.workPixels[k + 1]) / 2);
    EXPECT_EQ(row.outPixels[k + 2], row.workPixels[k + 2]);
    EXPECT_EQ(row.outPixels[k + 3], (outBefore[k + 3] + row.workPixels[k + 3]) / 2);
  }
}

TEST_P(BlendRules, TransparentOutputShowsSourceB) {
  // Output alpha 0: source B's bytes and alpha, whatever the weight.
  const uint32_t width = 35;
  BlendTestRow row(width);
  for (uint32_t i = 0; i < 2 * width; ++i) {
    row.outPixels[i] = static_cast<uint8_t>(13 * i);
    row.workPixels[i] = static_cast<uint8_t>(90 + 3 * i);
  }
  for (uint32_t i = 0; i < width; ++i) {
    row.workAlpha[i] = static_cast<uint8_t>(250 - 7 * i);
    row.mask[i] = static_cast<uint8_t>(37 * i);
  }
  row.outAlpha.assign(width, 0);
  row.Blend(false);
  EXPECT_EQ(row.outPixels, row.workPixels);
  EXPECT_EQ(row.outAlpha, row.workAlpha);
}

TEST_P(BlendRules, ChromaIsPremixedWithTheFirstPixelsAlpha) {
  // Opaque first pixel, transparent second, weight 0: the second luma comes
  // from B, but the chroma follows the first pixel and stays A's.
  const uint32_t width = 32;
  BlendTestRow row(width);
  for (uint32_t i = 0; i < 2 * width; ++i) {
    row.outPixels[i] = static_cast<uint8_t>(40 + i);
    row.workPixels[i] = static_cast<uint8_t>(230 - 2 * i);
  }
  for (uint32_t i = 0; i < width; ++i) row.outAlpha[i] = i % 2 ? 0 : 255;
  row.workAlpha.assign(width, 66);
  row.mask.assign(width, 0);
  const Bytes outBefore = row.outPixels;
  row.Blend(true);
  for (uint32_t k = 0; k < 2 * width; k += 4) {
    SCOPED_TRACE(testing::Message() << "group at byte " << k);
    EXPECT_EQ(row.outPixels[k], outBefore[k]);
    EXPECT_EQ(row.outPixels[k + 1], outBefore[k + 1]);
    EXPECT_EQ(row.outPixels[k + 2], row.workPixels[k + 2]);
    EXPECT_EQ(row.outPixels[k + 3], outBefore[k + 3]);
  }
}

TEST_P(BlendRules, OddWidthMixesTheLastPixelByItself) {
  // Width 3: one pair and a lone pixel (luma, one chroma byte) that uses its
  // own alpha and weight. It must come out as the same pixel of a width-4 row
  // whose fourth pixel shares its weight and alpha.
  BlendTestRow odd(3);
  odd.outPixels = {10, 20, 30, 40, 200, 100};
  odd.workPixels = {250, 240, 230, 220, 60, 180};
  odd.outAlpha = {255, 255, 180};
  odd.workAlpha = {1, 2, 90};
  odd.mask = {0, 0, 70};
  odd.Blend(true);

  // By hand: a = 180, premix (200*180 + 60*75)/255 = 158 and
  // (100*180 + 180*75)/255 = 123; weight 70: (60*70 + 158*185)/255 = 131 and
  // (180*70 + 123*185)/255 = 138; alpha (180*180 + 90*75)/255 = 153.
  EXPECT_EQ(odd.outPixels, (Bytes{10, 20, 30, 40, 131, 138}));
  EXPECT_EQ(odd.outAlpha, (Bytes{255, 255, 153}));

  BlendTestRow even(4);
  even.outPixels = {10, 20, 30, 40, 200, 100, 77, 33};
  even.workPixels = {250, 240, 230, 220, 60, 180, 1, 2};
  even.outAlpha = {255, 255, 180, 180};
  even.workAlpha = {1, 2, 90, 90};
  even.mask = {0, 0, 70, 70};
  even.Blend(true);
  EXPECT_EQ(even.outPixels[4], odd.outPixels[4]);
  EXPECT_EQ(even.outPixels[5], odd.outPixels[5]);

  // A one-pixel row is nothing but the lone pixel.
  BlendTestRow single = UniformRow(1, 0, 255, 255, 0, 128);
  single.Blend(true);
  EXPECT_EQ(single.outPixels, (Bytes{128, 128}));
  EXPECT_EQ(single.outAlpha, Bytes{255});
}

TEST_P(BlendRules, OddMaskOffsetStartsOnTheSecondPixel) {
  // The first pass finishes a pair whose first pixel is not in the row: byte
  // 0 stays, the luma at byte 2 takes the first mask and alpha byte, and the
  // chroma meets the carried 255s. Opaque output 50, work 200, weight 100:
  // luma (200 * 100 + 50 * 155) / 255 = 108, chroma
  // (200 * 100 + 255 * 155 + 255) / 510 = 117.
  const uint32_t width = 36;
  for (const int32_t maskOffset : {1, 7, -3}) {
    SCOPED_TRACE(testing::Message() << "mask offset " << maskOffset);
    BlendTestRow row = UniformRow(width, 50, 200, 255, 10, 100);
    row.outAlpha[width - 1] = 0;
    row.Blend(true, maskOffset);
    EXPECT_EQ(row.outPixels[0], 50);
    EXPECT_EQ(row.outPixels[1], 117);
    EXPECT_EQ(row.outPixels[2], 108);
    EXPECT_EQ(row.outPixels[3], 117);
    // Every later pass runs in the usual phase and the row's bytes are all
    // covered, one pass short of the width: the last alpha byte stays.
    for (uint32_t k = 4; k < 2 * width; ++k) EXPECT_EQ(row.outPixels[k], 108) << "byte " << k;
    Bytes alpha(width, 255);
    alpha[width - 1] = 0;
    EXPECT_EQ(row.outAlpha, alpha);
  }

  // A one-pixel row starting on a second pixel has no room for its pair.
  BlendTestRow single = UniformRow(1, 50, 200, 255, 10, 255);
  single.Blend(true, 1);
  EXPECT_EQ(single.outPixels, (Bytes{50, 50}));
}

INSTANTIATE_TEST_SUITE_P(Levels, BlendRules, ::testing::ValuesIn(LevelsOfThisCpu()), LevelTestName);
;

TEST(BlendEntry, MissingBuffersMixNothing) {
  uint8_t frame[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
  const uint8_t mask[2] = {0, 0};
  BlendMaskRowYUV422Alpha(nullptr, frame, 0, 4, mask, 0, 8, false);
  BlendMaskRowYUV422Alpha(frame, nullptr, 0, 4, mask, 0, 8, false);
  BlendMaskRowYUV422Alpha(frame, frame, 0, 4, nullptr, 0, 8, false);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(frame[i], i + 1);
}

}  // namespace
