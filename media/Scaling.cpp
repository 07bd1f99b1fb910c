#include "Scaling.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kavro {

namespace {

constexpr int kWeightBits = 14;
constexpr int64_t kOne = int64_t{1} << kWeightBits;

// For each output sample: the first input sample it reads and `width`
// weights, which add up to exactly kOne. Every output reads the same number
// of inputs (padded with zero weights), so the inner loops run a fixed count.
struct Taps {
  int width = 0;
  std::vector<int> first;
  std::vector<int32_t> weights;
};

int64_t FloorDivide(int64_t numerator, int64_t denominator) {
  int64_t quotient = numerator / denominator;
  return numerator % denominator != 0 && numerator < 0 ? quotient - 1 : quotient;
}

// Output sample j of `outputs` and input sample i of `inputs` sit at spacing * j
// and spacing * i on luma axes of dstLength and srcLength samples that span
// the same picture. In units of 1 / (2 dstLength) input luma samples, output j
// maps to centre = (2 spacing j + 1) srcLength - dstLength and input i sits at
// 2 spacing i dstLength; the tent reaches 2 spacing max(srcLength, dstLength)
// from the centre.
Taps MakeTaps(int inputs, int outputs, int64_t srcLength, int64_t dstLength, int64_t spacing) {
  const int64_t reach = 2 * spacing * std::max(srcLength, dstLength);
  const int64_t step = 2 * spacing * dstLength;
  std::vector<int> firsts;
  std::vector<std::vector<int32_t>> lists;
  std::vector<int64_t> raw;
  for (int j = 0; j < outputs; ++j) {
    const int64_t centre = (2 * spacing * j + 1) * srcLength - dstLength;
    int64_t low = std::max<int64_t>(FloorDivide(centre - reach, step), 0);
    int64_t high = std::min<int64_t>(FloorDivide(centre + reach, step) + 1, inputs - 1);
    raw.clear();
    int64_t total = 0;
    for (int64_t i = low; i <= high; ++i) {
      int64_t distance = 2 * spacing * i * dstLength - centre;
      int64_t weight = std::max<int64_t>(reach - (distance < 0 ? -distance : distance), 0);
      raw.push_back(weight);
      total += weight;
    }
    if (total == 0) {  // centre beyond every input: take the nearest edge
      low = std::min<int64_t>(std::max<int64_t>(FloorDivide(centre, step), 0), inputs - 1);
      raw.assign(1, 1);
      total = 1;
    }
    // Rounded running sums: the weights add up to kOne exactly.
    std::vector<int32_t> weights;
    int64_t running = 0, previous = 0;
    for (int64_t weight : raw) {
      running += weight;
      int64_t cumulative = (2 * running * kOne + total) / (2 * total);
      weights.push_back(static_cast<int32_t>(cumulative - previous));
      previous = cumulative;
    }
    firsts.push_back(static_cast<int>(low));
    lists.push_back(std::move(weights));
  }
  Taps taps;
  for (const auto& weights : lists) taps.width = std::max(taps.width, static_cast<int>(weights.size()));
  for (size_t k = 0; k < lists.size(); ++k) {
    // Pad after the last tap, or before the first where the padding would leave the input.
    const int pad = taps.width - static_cast<int>(lists[k].size());
    const int before = std::max(0, firsts[k] + taps.width - inputs);
    taps.first.push_back(firsts[k] - before);
    taps.weights.insert(taps.weights.end(), static_cast<size_t>(before), 0);
    taps.weights.insert(taps.weights.end(), lists[k].begin(), lists[k].end());
    taps.weights.insert(taps.weights.end(), static_cast<size_t>(pad - before), 0);
  }
  return taps;
}

// in: inWidth x inHeight; out: outWidth x outHeight. Either axis may be null
// taps, meaning the sizes agree on it.
void ScalePlane(const uint8_t* in, int inWidth, int inHeight, const Taps* horizontal, const Taps* vertical,
                uint8_t* out, int outWidth, int outHeight) {
  std::vector<uint8_t> between;
  const uint8_t* rows = in;
  if (horizontal) {
    // Locals, so the byte stores cannot be taken to change them.
    const int width = horizontal->width;
    const int* first = horizontal->first.data();
    const int32_t* weights = horizontal->weights.data();
    between.resize(static_cast<size_t>(outWidth) * inHeight);
    for (int y = 0; y < inHeight; ++y) {
      const uint8_t* source = in + static_cast<size_t>(y) * inWidth;
      uint8_t* target = &between[static_cast<size_t>(y) * outWidth];
      for (int x = 0; x < outWidth; ++x) {
        const int32_t* weight = weights + static_cast<size_t>(x) * width;
        const uint8_t* sample = source + first[x];
        int32_t sum = kOne >> 1;
        for (int t = 0; t < width; ++t) sum += weight[t] * sample[t];
        target[x] = static_cast<uint8_t>(sum >> kWeightBits);
      }
    }
    rows = between.data();
  }
  if (!vertical) {
    std::copy(rows, rows + static_cast<size_t>(outWidth) * outHeight, out);
    return;
  }
  const int width = vertical->width;
  std::vector<int32_t> sums(static_cast<size_t>(outWidth));
  int32_t* sum = sums.data();
  for (int y = 0; y < outHeight; ++y) {
    std::fill(sums.begin(), sums.end(), static_cast<int32_t>(kOne >> 1));
    const int32_t* weight = &vertical->weights[static_cast<size_t>(y) * width];
    const int first = vertical->first[y];
    for (int t = 0; t < width; ++t) {
      const int32_t w = weight[t];
      if (w == 0) continue;
      const uint8_t* source = rows + static_cast<size_t>(first + t) * outWidth;
      for (int x = 0; x < outWidth; ++x) sum[x] += w * source[x];
    }
    uint8_t* target = out + static_cast<size_t>(y) * outWidth;
    for (int x = 0; x < outWidth; ++x) target[x] = static_cast<uint8_t>(sum[x] >> kWeightBits);
  }
}

}  // namespace

Picture ScalePicture(const Picture& in, int width, int height) {
  CheckPictureSize(width, height, "scaled picture");
  if (width == in.width && height == in.height) return in;
  Picture out(width, height);
  const bool sameWidth = width == in.width, sameHeight = height == in.height;
  Taps lumaTaps, chromaTaps, rowTaps;
  if (!sameWidth) {
    lumaTaps = MakeTaps(in.width, width, in.width, width, 1);
    chromaTaps = MakeTaps(in.chromaWidth(), out.chromaWidth(), in.width, width, 2);
  }
  if (!sameHeight) rowTaps = MakeTaps(in.height, height, in.height, height, 1);
  const Taps* luma = sameWidth ? nullptr : &lumaTaps;
  const Taps* chroma = sameWidth ? nullptr : &chromaTaps;
  const Taps* rows = sameHeight ? nullptr : &rowTaps;
  ScalePlane(in.y.data(), in.width, in.height, luma, rows, out.y.data(), width, height);
  // Most sources are opaque: a constant plane stays that constant.
  if (std::all_of(in.alpha.begin(), in.alpha.end(), [&](uint8_t value) { return value == in.alpha[0]; })) {
    std::fill(out.alpha.begin(), out.alpha.end(), in.alpha[0]);
  } else {
    ScalePlane(in.alpha.data(), in.width, in.height, luma, rows, out.alpha.data(), width, height);
  }
  ScalePlane(in.cb.data(), in.chromaWidth(), in.height, chroma, rows, out.cb.data(), out.chromaWidth(), height);
  ScalePlane(in.cr.data(), in.chromaWidth(), in.height, chroma, rows, out.cr.data(), out.chromaWidth(), height);
  return out;
}

}  // namespace kavro
