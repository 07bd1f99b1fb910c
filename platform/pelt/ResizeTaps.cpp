#include "ResizeTaps.h"

namespace pelt {

namespace {

// One output's taps as found, before they are padded to a common count.
// The weights' storage is reused from output to output.
struct Run {
  int64_t first = 0;
  std::vector<int32_t> weights;
};

int32_t RoundedFraction(int64_t numerator, int64_t denominator) {
  return static_cast<int32_t>((2 * numerator * kWeightOne + denominator) / (2 * denominator));
}

// Output i samples source position ((2i + 1) * src / dst - 1) / 2, clamped to
// the first and last pixel centres.
void Bilinear(int64_t src, int64_t dst, int64_t i, Run& run) {
  const int64_t numerator = (2 * i + 1) * src - dst, denominator = 2 * dst;
  int64_t left = numerator <= 0 ? 0 : numerator / denominator;
  int32_t right = numerator <= 0 ? 0 : RoundedFraction(numerator % denominator, denominator);
  if (left >= src - 1) left = src - 1, right = 0;
  if (right == kWeightOne) ++left, right = 0;
  run.first = left;
  run.weights.clear();
  run.weights.push_back(kWeightOne - right);
  if (right != 0) run.weights.push_back(right);
}

// Output i covers [i * src, (i + 1) * src) and source pixel k covers
// [k * dst, (k + 1) * dst): each weight is the overlap over src.
void AreaAverage(int64_t src, int64_t dst, int64_t i, Run& run) {
  const int64_t begin = i * src, end = (i + 1) * src;
  const int64_t first = begin / dst, last = (end - 1) / dst;
  run.first = first;
  run.weights.clear();
  int64_t covered = 0;
  int32_t previous = 0;
  for (int64_t k = first; k <= last; ++k) {
    const int64_t from = k * dst > begin ? k * dst : begin;
    const int64_t to = (k + 1) * dst < end ? (k + 1) * dst : end;
    covered += to - from;
    const int32_t cumulative = RoundedFraction(covered, src);
    run.weights.push_back(cumulative - previous);
    previous = cumulative;
  }
}

void TapsOf(int64_t src, int64_t dst, int64_t i, Run& run) {
  if (src > 2 * dst) {
    AreaAverage(src, dst, i, run);
  } else {
    Bilinear(src, dst, i, run);
  }
}

// Four outputs' taps lie within a window of 16 bytes when their first
// sources are close enough; later pairs of taps use the window moved along.
// Windows near the end of a row start earlier, so that no window reaches
// past the last source. Only when every group of four has its window are
// there windows at all.
void BuildWindows(size_t element, int64_t sources, ResizeTaps& taps) {
  const size_t groups = taps.outputs / 4;
  const int64_t reach = static_cast<int64_t>(16 / element);  // values in a window
  const int64_t lastStart = sources - reach - static_cast<int64_t>(taps.count - 2);
  if (lastStart < 0) return;
  taps.windowStart.assign(groups, 0);
  taps.windowShuffle.assign(groups * 16, 0x80);
  for (size_t g = 0; g < groups; ++g) {
    const int64_t start = taps.first[4 * g] < lastStart ? taps.first[4 * g] : lastStart;
    if (taps.first[4 * g + 3] - start + 2 > reach) {
      taps.windowStart.clear();
      taps.windowShuffle.clear();
      return;
    }
    taps.windowStart[g] = static_cast<int32_t>(start);
    for (size_t j = 0; j < 4; ++j) {
      const auto offset = static_cast<uint8_t>(taps.first[4 * g + j] - start);
      uint8_t* lane = taps.windowShuffle.data() + 16 * g + 4 * j;
      if (element == 1) {  // two levels, each widened to 16 bits
        lane[0] = offset;
        lane[2] = static_cast<uint8_t>(offset + 1);
      } else {  // two 16-bit values as they lie
        for (uint8_t b = 0; b < 4; ++b) lane[b] = static_cast<uint8_t>(2 * offset + b);
      }
    }
  }
  taps.windowElement = element;
}

}  // namespace

TapTable ResizeTaps::Table() const {
  return {outputs,
          count,
          first.data(),
          weights.data(),
          pairs.empty() ? nullptr : pairs.data(),
          windowElement,
          windowStart.empty() ? nullptr : windowStart.data(),
          windowShuffle.empty() ? nullptr : windowShuffle.data()};
}

void BuildResizeTaps(int64_t sources, int64_t outputs, bool evenCount, size_t windowElement, ResizeTaps& taps) {
  Run run;
  size_t longest = 1;
  for (int64_t i = 0; i < outputs; ++i) {
    TapsOf(sources, outputs, i, run);
    if (run.weights.size() > longest) longest = run.weights.size();
  }
  const bool pad = evenCount && longest % 2 == 1 && static_cast<int64_t>(longest) < sources;
  const size_t count = pad ? longest + 1 : longest;

  taps.outputs = static_cast<size_t>(outputs);
  taps.count = count;
  taps.first.assign(taps.outputs, 0);
  taps.weights.assign(taps.outputs * count, 0);
  for (int64_t i = 0; i < outputs; ++i) {
    TapsOf(sources, outputs, i, run);
    // A run that would reach past the last source starts earlier, its
    // weights moved along behind zeros.
    const int64_t first =
        run.first + static_cast<int64_t>(count) > sources ? sources - static_cast<int64_t>(count) : run.first;
    const size_t shift = static_cast<size_t>(run.first - first);
    taps.first[static_cast<size_t>(i)] = static_cast<int32_t>(first);
    for (size_t t = 0; t < run.weights.size(); ++t) {
      taps.weights[static_cast<size_t>(i) * count + shift + t] = static_cast<int16_t>(run.weights[t]);
    }
  }

  taps.pairs.clear();
  if (count % 2 == 0) {
    taps.pairs.resize(count / 2 * taps.outputs);
    for (size_t p = 0; p < count / 2; ++p) {
      for (size_t i = 0; i < taps.outputs; ++i) {
        const auto low = static_cast<uint16_t>(taps.weights[i * count + 2 * p]);
        const auto high = static_cast<uint16_t>(taps.weights[i * count + 2 * p + 1]);
        taps.pairs[p * taps.outputs + i] = static_cast<int32_t>(static_cast<uint32_t>(low) | uint32_t{high} << 16);
      }
    }
  }
  taps.windowStart.clear();
  taps.windowShuffle.clear();
  taps.windowElement = 0;
  if ((windowElement == 1 || windowElement == 2) && count % 2 == 0) BuildWindows(windowElement, sources, taps);
}

}  // namespace pelt
