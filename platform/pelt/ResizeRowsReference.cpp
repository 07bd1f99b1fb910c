// The reference rows: plain loops, the definition the SIMD rows are held to.
#include "ResizeRows.h"

namespace pelt {

namespace {

template <int Shift, typename In, typename Out>
void Horizontal(const In* in, size_t, Out* out, const TapTable& taps, size_t channels, size_t begin, size_t end) {
  for (size_t x = begin; x < end; ++x) {
    const In* source = in + static_cast<size_t>(taps.first[x]) * channels;
    const int16_t* weight = taps.weights + x * taps.count;
    for (size_t c = 0; c < channels; ++c) {
      int32_t sum = 0;
      for (size_t t = 0; t < taps.count; ++t) sum += weight[t] * source[t * channels + c];
      out[x * channels + c] = static_cast<Out>(RoundedDown<Shift>(sum));
    }
  }
}

template <int Shift, typename In, typename Out>
void Vertical(const In* const* rows, const int16_t* weights, size_t count, Out* out, size_t begin, size_t end) {
  for (size_t x = begin; x < end; ++x) {
    int32_t sum = 0;
    for (size_t t = 0; t < count; ++t) sum += weights[t] * rows[t][x];
    out[x] = static_cast<Out>(RoundedDown<Shift>(sum));
  }
}

}  // namespace

void HorizontalToMiddleReference(const uint8_t* in, size_t readable, int16_t* out, const TapTable& taps,
                                 size_t channels, size_t begin, size_t end) {
  Horizontal<kToMiddleShift>(in, readable, out, taps, channels, begin, end);
}

void HorizontalToLevelsReference(const int16_t* in, size_t readable, uint8_t* out, const TapTable& taps,
                                 size_t channels, size_t begin, size_t end) {
  Horizontal<kToLevelShift>(in, readable, out, taps, channels, begin, end);
}

void VerticalToMiddleReference(const uint8_t* const* rows, const int16_t* weights, size_t count, int16_t* out,
                               size_t begin, size_t end) {
  Vertical<kToMiddleShift>(rows, weights, count, out, begin, end);
}

void VerticalToLevelsReference(const int16_t* const* rows, const int16_t* weights, size_t count, uint8_t* out,
                               size_t begin, size_t end) {
  Vertical<kToLevelShift>(rows, weights, count, out, begin, end);
}

void HorizontalLevelsToLevelsReference(const uint8_t* in, size_t readable, uint8_t* out, const TapTable& taps,
                                       size_t channels, size_t begin, size_t end) {
  Horizontal<kOnePassShift>(in, readable, out, taps, channels, begin, end);
}

void VerticalLevelsToLevelsReference(const uint8_t* const* rows, const int16_t* weights, size_t count, uint8_t* out,
                                     size_t begin, size_t end) {
  Vertical<kOnePassShift>(rows, weights, count, out, begin, end);
}

}  // namespace pelt
