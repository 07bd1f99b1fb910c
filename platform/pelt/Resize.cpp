// Scaling in place with a separable fixed-point filter.
//
// Each axis gets a table of taps: bilinear between pixel centres when
// enlarging or shrinking by up to 2, the exact covered area when shrinking by
// more. Weights are 14-bit fractions whose running sums are rounded, so every
// output's weights add up to exactly one (a constant stays constant) and the
// rounding error of a weighted sum stays far below a level. The first pass
// keeps 8 fractional bits, the second rounds once at the end; the axis whose
// pass leaves fewer values in between goes first.
#include <stdint.h>
#include <string.h>

#include <new>
#include <vector>

#include "PeltInternal.h"

namespace {

constexpr int kWeightBits = 14;
constexpr int32_t kOne = 1 << kWeightBits;
constexpr int kMidFractionBits = 8;

struct Taps {
  std::vector<int32_t> first;   // per output: first source index
  std::vector<int32_t> count;   // per output: number of taps
  std::vector<int32_t> offset;  // per output: index of its first weight
  std::vector<int32_t> weights;
};

int32_t RoundedFraction(int64_t numerator, int64_t denominator) {
  return static_cast<int32_t>((2 * numerator * kOne + denominator) / (2 * denominator));
}

// Output i samples source position ((2i + 1) * src / dst - 1) / 2, clamped to
// the first and last pixel centres.
void Bilinear(int64_t src, int64_t dst, Taps& taps) {
  for (int64_t i = 0; i < dst; ++i) {
    const int64_t numerator = (2 * i + 1) * src - dst, denominator = 2 * dst;
    taps.offset.push_back(static_cast<int32_t>(taps.weights.size()));
    int64_t left = numerator <= 0 ? 0 : numerator / denominator;
    int32_t right = numerator <= 0 ? 0 : RoundedFraction(numerator % denominator, denominator);
    if (left >= src - 1) left = src - 1, right = 0;
    if (right == kOne) ++left, right = 0;
    taps.first.push_back(static_cast<int32_t>(left));
    if (right == 0) {
      taps.count.push_back(1);
      taps.weights.push_back(kOne);
    } else {
      taps.count.push_back(2);
      taps.weights.push_back(kOne - right);
      taps.weights.push_back(right);
    }
  }
}

// Output i covers [i * src, (i + 1) * src) and source pixel k covers
// [k * dst, (k + 1) * dst): each weight is the overlap over src.
void AreaAverage(int64_t src, int64_t dst, Taps& taps) {
  for (int64_t i = 0; i < dst; ++i) {
    const int64_t begin = i * src, end = (i + 1) * src;
    const int64_t first = begin / dst, last = (end - 1) / dst;
    taps.offset.push_back(static_cast<int32_t>(taps.weights.size()));
    taps.first.push_back(static_cast<int32_t>(first));
    taps.count.push_back(static_cast<int32_t>(last - first + 1));
    int64_t covered = 0;
    int32_t previous = 0;
    for (int64_t k = first; k <= last; ++k) {
      int64_t from = k * dst > begin ? k * dst : begin;
      int64_t to = (k + 1) * dst < end ? (k + 1) * dst : end;
      covered += to - from;
      int32_t cumulative = RoundedFraction(covered, src);
      taps.weights.push_back(cumulative - previous);
      previous = cumulative;
    }
  }
}

void BuildTaps(int64_t src, int64_t dst, Taps& taps) {
  taps.first.reserve(static_cast<size_t>(dst));
  taps.count.reserve(static_cast<size_t>(dst));
  taps.offset.reserve(static_cast<size_t>(dst));
  if (src > 2 * dst) {
    AreaAverage(src, dst, taps);
  } else {
    Bilinear(src, dst, taps);
  }
}

// The first pass keeps 8 fractional bits in 16-bit values; the second rounds
// them to levels. Either axis may go first.
constexpr int kFirstShift = kWeightBits - kMidFractionBits;
constexpr int kSecondShift = kWeightBits + kMidFractionBits;

template <int Shift, typename Out>
Out Rounded(uint32_t sum) {
  return static_cast<Out>((sum + (1u << (Shift - 1))) >> Shift);
}

template <int Channels, int Shift, typename In, typename Out>
void HorizontalRow(const In* in, Out* out, const Taps& taps, size_t outWidth) {
  for (size_t x = 0; x < outWidth; ++x) {
    const In* source = in + static_cast<size_t>(taps.first[x]) * Channels;
    const int32_t* weight = taps.weights.data() + taps.offset[x];
    const int32_t count = taps.count[x];
    uint32_t sum[Channels] = {};
    if (count == 2) {
      for (int c = 0; c < Channels; ++c) {
        sum[c] = static_cast<uint32_t>(weight[0]) * source[c] + static_cast<uint32_t>(weight[1]) * source[Channels + c];
      }
    } else {
      for (int32_t t = 0; t < count; ++t, source += Channels) {
        for (int c = 0; c < Channels; ++c) sum[c] += static_cast<uint32_t>(weight[t]) * source[c];
      }
    }
    for (int c = 0; c < Channels; ++c) out[x * Channels + c] = Rounded<Shift, Out>(sum[c]);
  }
}

// Rows of inStride values in, rows of outStride values out; outWidth pixels.
template <int Shift, typename In, typename Out>
void Horizontal(const In* in, size_t inStride, size_t rows, int channels, const Taps& taps, Out* out, size_t outStride,
                size_t outWidth) {
  for (size_t y = 0; y < rows; ++y) {
    const In* from = in + y * inStride;
    Out* to = out + y * outStride;
    switch (channels) {
      case 1:
        HorizontalRow<1, Shift>(from, to, taps, outWidth);
        break;
      case 3:
        HorizontalRow<3, Shift>(from, to, taps, outWidth);
        break;
      default:
        HorizontalRow<4, Shift>(from, to, taps, outWidth);
        break;
    }
  }
}

// rowValues values of each row; rows inStride apart in, outStride apart out.
template <int Shift, typename In, typename Out>
void Vertical(const In* in, size_t inStride, size_t rowValues, const Taps& taps, Out* out, size_t outStride,
              size_t outHeight) {
  std::vector<uint32_t> sum;
  for (size_t y = 0; y < outHeight; ++y) {
    const int32_t* weight = taps.weights.data() + taps.offset[y];
    const In* row = in + static_cast<size_t>(taps.first[y]) * inStride;
    Out* line = out + y * outStride;
    const uint32_t w0 = static_cast<uint32_t>(weight[0]);
    if (taps.count[y] == 1) {
      for (size_t x = 0; x < rowValues; ++x) line[x] = Rounded<Shift, Out>(w0 * row[x]);
    } else if (taps.count[y] == 2) {  // every bilinear row: one pass, no sums kept
      const In* next = row + inStride;
      const uint32_t w1 = static_cast<uint32_t>(weight[1]);
      for (size_t x = 0; x < rowValues; ++x) line[x] = Rounded<Shift, Out>(w0 * row[x] + w1 * next[x]);
    } else {
      sum.resize(rowValues);
      for (size_t x = 0; x < rowValues; ++x) sum[x] = w0 * row[x];
      for (int32_t t = 1; t < taps.count[y]; ++t) {
        row += inStride;
        const uint32_t w = static_cast<uint32_t>(weight[t]);
        for (size_t x = 0; x < rowValues; ++x) sum[x] += w * row[x];
      }
      for (size_t x = 0; x < rowValues; ++x) line[x] = Rounded<Shift, Out>(sum[x]);
    }
  }
}

}  // namespace

long TEffectImage::Resize(TImage& image, long width, long height) {
  TImage::Impl* impl = image.impl_;
  if (!impl || !impl->bits || width <= 0 || height <= 0 || width > pelt::kMaxDimension ||
      height > pelt::kMaxDimension) {
    return -1;
  }
  int channels;
  switch (impl->format) {
    case pf8bit:
      channels = 1;
      break;
    case pf24bit:
      channels = 3;
      break;
    case pf32bit:
      channels = 4;
      break;
    default:
      return -1;
  }
  if (width == impl->width && height == impl->height) return 0;
  const uint64_t widthBytes = pelt::RowBytes(static_cast<uint64_t>(width), static_cast<unsigned>(impl->format));
  if (widthBytes * static_cast<uint64_t>(height) > pelt::kMaxImageBytes) return -1;
  // The values kept between the passes: the new width times the old height
  // when rows are scaled first, the old width times the new height when
  // columns are. The smaller goes first, and it too must fit one image.
  const uint64_t rowsFirst = static_cast<uint64_t>(width) * static_cast<uint64_t>(impl->height);
  const uint64_t columnsFirst = static_cast<uint64_t>(impl->width) * static_cast<uint64_t>(height);
  const bool horizontalFirst = rowsFirst <= columnsFirst;
  const uint64_t middleValues = (horizontalFirst ? rowsFirst : columnsFirst) * static_cast<uint64_t>(channels);
  if (middleValues * sizeof(uint16_t) > pelt::kMaxImageBytes) return -1;

  try {
    Taps horizontal, vertical;
    BuildTaps(impl->width, width, horizontal);
    BuildTaps(impl->height, height, vertical);
    std::vector<uint16_t> middle(static_cast<size_t>(middleValues));
    const size_t outBytes = static_cast<size_t>(widthBytes);
    std::unique_ptr<unsigned char[]> bits(new unsigned char[outBytes * static_cast<size_t>(height)]());
    const size_t inBytes = static_cast<size_t>(impl->widthBytes);
    const size_t inValues = static_cast<size_t>(impl->width) * static_cast<size_t>(channels);
    const size_t outValues = static_cast<size_t>(width) * static_cast<size_t>(channels);
    // Rows are filtered in memory order; both filters are symmetric, so
    // bottom-up storage needs no flipping.
    if (horizontalFirst) {
      Horizontal<kFirstShift>(impl->bits.get(), inBytes, static_cast<size_t>(impl->height), channels, horizontal,
                              middle.data(), outValues, static_cast<size_t>(width));
      Vertical<kSecondShift>(middle.data(), outValues, outValues, vertical, bits.get(), outBytes,
                             static_cast<size_t>(height));
    } else {
      Vertical<kFirstShift>(impl->bits.get(), inBytes, inValues, vertical, middle.data(), inValues,
                            static_cast<size_t>(height));
      Horizontal<kSecondShift>(middle.data(), inValues, static_cast<size_t>(height), channels, horizontal, bits.get(),
                               outBytes, static_cast<size_t>(width));
    }
    impl->Adopt(std::move(bits), width, height, static_cast<long>(widthBytes));
  } catch (...) {  // out of memory: the image stays as it was
    return -1;
  }
  return 0;
}
