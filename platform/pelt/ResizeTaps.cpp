#include "ResizeTaps.h"

namespace pelt {

namespace {

// Every output's taps as found, before they are padded to a common count:
// its first source, and its weights appended to one list for all.
struct Runs {
  std::vector<int64_t> firsts;
  std::vector<int32_t> weights;
};

// The tap arithmetic in Int: int32_t where every product of the sizes fits
// (a 64-bit division is a library call on 32-bit targets), int64_t beyond.
template <typename Int>
int32_t RoundedFraction(Int numerator, Int denominator) {
  return static_cast<int32_t>((2 * numerator * kWeightOne + denominator) / (2 * denominator));
}

// Output i samples source position ((2i + 1) * src / dst - 1) / 2, clamped to
// the first and last pixel centres.
template <typename Int>
void Bilinear(Int src, Int dst, Int i, Runs& runs) {
  const Int numerator = (2 * i + 1) * src - dst, denominator = 2 * dst;
  Int left = numerator <= 0 ? 0 : numerator / denominator;
  int32_t right = numerator <= 0 ? 0 : RoundedFraction<Int>(numerator % denominator, denominator);
  if (left >= src - 1) left = src - 1, right = 0;
  if (right == kWeightOne) ++left, right = 0;
  runs.firsts.push_back(left);
  runs.weights.push_back(kWeightOne - right);
  if (right != 0) runs.weights.push_back(right);
}

// Output i covers [i * src, (i + 1) * src) and source pixel k covers
// [k * dst, (k + 1) * dst): each weight is the overlap over src.
template <typename Int>
void AreaAverage(Int src, Int dst, Int i, Runs& runs) {
  const Int begin = i * src, end = (i + 1) * src;
  const Int first = begin / dst, last = (end - 1) / dst;
  runs.firsts.push_back(first);
  Int covered = 0;
  int32_t previous = 0;
  for (Int k = first; k <= last; ++k) {
    const Int from = k * dst > begin ? k * dst : begin;
    const Int to = (k + 1) * dst < end ? (k + 1) * dst : end;
    covered += to - from;
    const int32_t cumulative = RoundedFraction<Int>(covered, src);
    runs.weights.push_back(cumulative - previous);
    previous = cumulative;
  }
}

// Largest values formed: (2i + 1) * src and (i + 1) * src + dst below
// (2 * dst + 2) * (src + 1); the rounded fractions' 2 * 2^14 * (2 * dst)
// and 2 * 2^14 * src, each plus its denominator.
bool FitsIn32Bits(int64_t src, int64_t dst) {
  const int64_t most = INT32_MAX;
  return (2 * dst + 2) * (src + 1) <= most && (dst + 1) * (4 * int64_t{kWeightOne} + 2) <= most &&
         (src + 1) * (2 * int64_t{kWeightOne} + 1) <= most;
}

void TapsOf(int64_t src, int64_t dst, bool narrow, int64_t i, Runs& runs) {
  const bool area = src > 2 * dst;
  if (narrow) {
    const auto s = static_cast<int32_t>(src), d = static_cast<int32_t>(dst), o = static_cast<int32_t>(i);
    area ? AreaAverage<int32_t>(s, d, o, runs) : Bilinear<int32_t>(s, d, o, runs);
  } else {
    area ? AreaAverage<int64_t>(src, dst, i, runs) : Bilinear<int64_t>(src, dst, i, runs);
  }
}

// The shuffle that turns the window at `start` into output i's tap pairs.
void SetShuffle(size_t element, int64_t start, size_t i, ResizeTaps& taps) {
  const auto offset = static_cast<uint8_t>(taps.first[i] - start);
  uint8_t* lane = taps.windowShuffle.data() + 4 * i;
  if (element == 1) {  // two levels, each widened to 16 bits
    lane[0] = offset;
    lane[2] = static_cast<uint8_t>(offset + 1);
  } else {  // two 16-bit values as they lie
    for (uint8_t b = 0; b < 4; ++b) lane[b] = static_cast<uint8_t>(2 * offset + b);
  }
}

// Where the window of outputs [from, from + n) starts, or -1 when their taps
// do not fit one: at their first source, or earlier near the row's end, so
// that no window, moved along for later pairs, reaches past the last source.
int64_t WindowStart(const ResizeTaps& taps, int64_t lastStart, int64_t reach, size_t from, size_t n) {
  const int64_t start = taps.first[from] < lastStart ? taps.first[from] : lastStart;
  return taps.first[from + n - 1] - start + 2 > reach ? -1 : start;
}

// Four outputs' taps lie within a window of 16 bytes when their first
// sources are close enough; later pairs of taps use the window moved along.
// Only when every group of four has its window are there windows at all.
// When enlarging, sixteen outputs' two taps of levels fit one window, which
// a row then loads once for all of them.
void BuildWindows(size_t element, int64_t sources, ResizeTaps& taps) {
  const size_t groups = taps.outputs / 4, blocks = taps.outputs / 16;
  const int64_t reach = static_cast<int64_t>(16 / element);  // values in a window
  const int64_t lastStart = sources - reach - static_cast<int64_t>(taps.count - 2);
  if (lastStart < 0) return;
  bool bySixteen = element == 1 && taps.count == 2;
  for (size_t b = 0; bySixteen && b < blocks; ++b) bySixteen = WindowStart(taps, lastStart, reach, 16 * b, 16) >= 0;
  taps.windowStart.assign(groups, 0);
  taps.windowShuffle.assign(groups * 16, 0x80);
  for (size_t g = 0; g < groups; ++g) {
    const int64_t start = bySixteen && g / 4 < blocks ? WindowStart(taps, lastStart, reach, g / 4 * 16, 16)
                                                      : WindowStart(taps, lastStart, reach, 4 * g, 4);
    if (start < 0) {
      taps.windowStart.clear();
      taps.windowShuffle.clear();
      return;
    }
    taps.windowStart[g] = static_cast<int32_t>(start);
    for (size_t j = 0; j < 4; ++j) SetShuffle(element, start, 4 * g + j, taps);
  }
  taps.windowElement = element;
  taps.windowPerSixteen = bySixteen;
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
          windowShuffle.empty() ? nullptr : windowShuffle.data(),
          windowPerSixteen};
}

void BuildResizeTaps(int64_t sources, int64_t outputs, bool evenCount, size_t windowElement, ResizeTaps& taps) {
  // Every output's run, found once; ends[i]: where output i's weights end.
  Runs runs;
  runs.firsts.reserve(static_cast<size_t>(outputs));
  runs.weights.reserve(static_cast<size_t>(outputs) * 2);
  std::vector<size_t> ends(static_cast<size_t>(outputs));
  size_t longest = 1;
  const bool narrow = FitsIn32Bits(sources, outputs);
  for (size_t i = 0, begin = 0; i < static_cast<size_t>(outputs); begin = ends[i++]) {
    TapsOf(sources, outputs, narrow, static_cast<int64_t>(i), runs);
    ends[i] = runs.weights.size();
    if (ends[i] - begin > longest) longest = ends[i] - begin;
  }
  const bool pad = evenCount && longest % 2 == 1 && static_cast<int64_t>(longest) < sources;
  const size_t count = pad ? longest + 1 : longest;

  taps.outputs = static_cast<size_t>(outputs);
  taps.count = count;
  taps.first.assign(taps.outputs, 0);
  taps.weights.assign(taps.outputs * count, 0);
  for (size_t i = 0, begin = 0; i < taps.outputs; begin = ends[i++]) {
    // A run that would reach past the last source starts earlier, its
    // weights moved along behind zeros.
    const int64_t first =
        runs.firsts[i] + static_cast<int64_t>(count) > sources ? sources - static_cast<int64_t>(count) : runs.firsts[i];
    const size_t shift = static_cast<size_t>(runs.firsts[i] - first);
    taps.first[i] = static_cast<int32_t>(first);
    for (size_t t = begin; t < ends[i]; ++t) {
      taps.weights[i * count + shift + t - begin] = static_cast<int16_t>(runs.weights[t]);
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
  taps.windowPerSixteen = false;
  if ((windowElement == 1 || windowElement == 2) && count % 2 == 0) BuildWindows(windowElement, sources, taps);
}

}  // namespace pelt
