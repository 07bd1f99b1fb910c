// A row of the mask blend laid out as a frame holds it, for tests: its pixel
// bytes, later its alpha bytes, each surrounded by guard bytes.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "compositing/MaskBlend.h"
#include "platform/cpu/CpuLevel.h"

struct BlendTestRow {
  explicit BlendTestRow(uint32_t pixels)
      : width(pixels),
        outPixels(2 * pixels),
        workPixels(2 * pixels),
        outAlpha(pixels),
        workAlpha(pixels),
        mask(pixels) {}

  // Mixes the row through the public entry, with the row's first mask byte at
  // maskOffset, and takes the results back into outPixels and outAlpha.
  // Fails the test if anything outside the row and its alpha bytes changed.
  void Blend(bool invert, int32_t maskOffset = 0) {
    constexpr uint32_t kGuard = 24;
    constexpr uint8_t kGuardByte = 0xA5;
    const uint32_t rowOffset = kGuard;
    const uint32_t alphaOffset = rowOffset + 2 * width + kGuard;
    std::vector<uint8_t> output(alphaOffset + width + kGuard, kGuardByte);
    std::vector<uint8_t> work(output.size(), 0x5A);
    std::copy(outPixels.begin(), outPixels.end(), output.begin() + rowOffset);
    std::copy(outAlpha.begin(), outAlpha.end(), output.begin() + alphaOffset);
    std::copy(workPixels.begin(), workPixels.end(), work.begin() + rowOffset);
    std::copy(workAlpha.begin(), workAlpha.end(), work.begin() + alphaOffset);
    // The mask row starts maskOffset bytes from the pointer handed over; a
    // negative offset points back from a pointer further into the array.
    const uint32_t maskBase = maskOffset < 0 ? static_cast<uint32_t>(-maskOffset) : 0;
    const uint32_t maskStart = maskOffset < 0 ? 0 : static_cast<uint32_t>(maskOffset);
    std::vector<uint8_t> maskArray(maskBase + maskStart + width, 0x3C);
    std::copy(mask.begin(), mask.end(), maskArray.begin() + maskStart);
    const std::vector<uint8_t> workBefore = work;
    const std::vector<uint8_t> maskBefore = maskArray;

    BlendMaskRowYUV422Alpha(output.data(), work.data(), rowOffset, 2 * width, maskArray.data() + maskBase, maskOffset,
                            alphaOffset, invert);

    for (uint32_t i = 0; i < output.size(); ++i) {
      const bool inRow = i >= rowOffset && i < rowOffset + 2 * width;
      const bool inAlpha = i >= alphaOffset && i < alphaOffset + width;
      if (!inRow && !inAlpha) {
        ASSERT_EQ(output[i], kGuardByte) << "write outside the row at output byte " << i;
      }
    }
    EXPECT_EQ(work, workBefore) << "the work frame changed";
    EXPECT_EQ(maskArray, maskBefore) << "the mask changed";
    std::copy(output.begin() + rowOffset, output.begin() + rowOffset + 2 * width, outPixels.begin());
    std::copy(output.begin() + alphaOffset, output.begin() + alphaOffset + width, outAlpha.begin());
  }

  uint32_t width;
  std::vector<uint8_t> outPixels, workPixels;  // 4:2:2 groups: Y0 U Y1 V
  std::vector<uint8_t> outAlpha, workAlpha;
  std::vector<uint8_t> mask;  // stored mask bytes, one per pixel
};

// Every level this CPU can run, the reference first.
inline std::vector<CPU_LEVEL> LevelsOfThisCpu() {
  std::vector<CPU_LEVEL> levels;
  for (int32_t level = CPU_LEVEL_BASELINE; level <= CpuLevel(); ++level) {
    levels.push_back(static_cast<CPU_LEVEL>(level));
  }
  return levels;
}

inline std::string LevelTestName(const ::testing::TestParamInfo<CPU_LEVEL>& level) { return CpuLevelName(level.param); }
