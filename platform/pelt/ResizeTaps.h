// The taps of one axis of the resizer: for every output, the first source
// index and the weights of the sources from there on.
//
// Bilinear between pixel centres when enlarging or shrinking by up to 2, the
// exact covered area when shrinking by more. Weights are 14-bit fractions
// whose running sums are rounded, so every output's weights add up to
// exactly one (a constant stays constant) and each stays within 2^-15 of its
// exact value.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <vector>

namespace pelt {

constexpr int kWeightBits = 14;
constexpr int32_t kWeightOne = 1 << kWeightBits;

// The taps as the row loops read them.
struct TapTable {
  size_t outputs;
  size_t count;
  const int32_t* first;
  const int16_t* weights;
  const int32_t* pairs;  // null when count is odd
  // Per four outputs, for rows of values of `windowElement` bytes (0: no
  // windows): where a 16-byte window over their first pair of taps starts,
  // and how a byte shuffle turns the window into their tap pairs. Windows
  // moved along for the later pairs still end within the sources.
  size_t windowElement;
  const int32_t* windowStart;
  const uint8_t* windowShuffle;  // 16 bytes per four outputs
  // Every whole sixteen outputs from output 0 on share one window: their
  // four groups' starts are the same (enlarging two taps of levels).
  bool windowPerSixteen;
};

struct ResizeTaps {
  size_t outputs = 0;
  // Taps per output, the same for all: the longest run of sources any output
  // covers, made even when asked and the sources allow it; the rest weighted 0.
  size_t count = 0;
  std::vector<int32_t> first;    // per output: first source index, first + count <= sources when count <= sources
  std::vector<int16_t> weights;  // output i's weights at [i * count, (i + 1) * count)
  // The same weights two at a time, (weights[i * count + 2p] | weights[i * count + 2p + 1] << 16)
  // at [p * outputs + i]: what SIMD rows load for eight outputs at once. Empty when count is odd.
  std::vector<int32_t> pairs;
  size_t windowElement = 0;
  std::vector<int32_t> windowStart;
  std::vector<uint8_t> windowShuffle;
  bool windowPerSixteen = false;

  TapTable Table() const;
};

// The taps that scale `sources` values to `outputs`, both at least 1; with
// `evenCount`, an even number per output where the sources allow; with a
// `windowElement` of 1 or 2, the windows for rows of such values.
// Throws std::bad_alloc.
void BuildResizeTaps(int64_t sources, int64_t outputs, bool evenCount, size_t windowElement, ResizeTaps& taps);

}  // namespace pelt
