#include "Scaling.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace kavro {

namespace {

constexpr int kWeightBits = 14;
constexpr int64_t kOne = int64_t{1} << kWeightBits;

// For each output sample: the first input sample it reads and its weights,
// which add up to exactly kOne.
struct Taps {
  std::vector<int> first;
  std::vector<int> offset;  // into weights; the count is the next offset minus this one
  std::vector<int32_t> weights;
  int count(size_t k) const {
    return (k + 1 < offset.size() ? offset[k + 1] : static_cast<int>(weights.size())) - offset[k];
  }
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
  Taps taps;
  const int64_t reach = 2 * spacing * std::max(srcLength, dstLength);
  const int64_t step = 2 * spacing * dstLength;
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
    taps.first.push_back(static_cast<int>(low));
    taps.offset.push_back(static_cast<int>(taps.weights.size()));
    // Rounded running sums: the weights add up to kOne exactly.
    int64_t running = 0, previous = 0;
    for (int64_t weight : raw) {
      running += weight;
      int64_t cumulative = (2 * running * kOne + total) / (2 * total);
      taps.weights.push_back(static_cast<int32_t>(cumulative - previous));
      previous = cumulative;
    }
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
    between.resize(static_cast<size_t>(outWidth) * inHeight);
    for (int y = 0; y < inHeight; ++y) {
      const uint8_t* source = in + static_cast<size_t>(y) * inWidth;
      uint8_t* target = &between[static_cast<size_t>(y) * outWidth];
      for (int x = 0; x < outWidth; ++x) {
        const int32_t* weight = &horizontal->weights[horizontal->offset[x]];
        const uint8_t* sample = source + horizontal->first[x];
        int32_t sum = 0;
        for (int t = 0, n = horizontal->count(x); t < n; ++t) sum += weight[t] * sample[t];
        target[x] = static_cast<uint8_t>((sum + (kOne >> 1)) >> kWeightBits);
      }
    }
    rows = between.data();
  }
  if (!vertical) {
    std::copy(rows, rows + static_cast<size_t>(outWidth) * outHeight, out);
    return;
  }
  std::vector<int32_t> sums(static_cast<size_t>(outWidth));
  for (int y = 0; y < outHeight; ++y) {
    std::fill(sums.begin(), sums.end(), static_cast<int32_t>(kOne >> 1));
    const int32_t* weight = &vertical->weights[vertical->offset[y]];
    for (int t = 0, n = vertical->count(y); t < n; ++t) {
      const uint8_t* source = rows + static_cast<size_t>(vertical->first[y] + t) * outWidth;
      for (int x = 0; x < outWidth; ++x) sums[x] += weight[t] * source[x];
    }
    uint8_t* target = out + static_cast<size_t>(y) * outWidth;
    for (int x = 0; x < outWidth; ++x) target[x] = static_cast<uint8_t>(sums[x] >> kWeightBits);
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
  ScalePlane(in.alpha.data(), in.width, in.height, luma, rows, out.alpha.data(), width, height);
  ScalePlane(in.cb.data(), in.chromaWidth(), in.height, chroma, rows, out.cb.data(), out.chromaWidth(), height);
  ScalePlane(in.cr.data(), in.chromaWidth(), in.height, chroma, rows, out.cr.data(), out.chromaWidth(), height);
  return out;
}

}  // namespace kavro
