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

const ResizeRowFunctions kResizeRowsReference = {
    Horizontal<kToMiddleShift, uint8_t, int16_t>, Horizontal<kToLevelShift, int16_t, uint8_t>,
    Vertical<kToMiddleShift, uint8_t, int16_t>,   Vertical<kToLevelShift, int16_t, uint8_t>,
    Horizontal<kOnePassShift, uint8_t, uint8_t>,  Vertical<kOnePassShift, uint8_t, uint8_t>,
};

const ResizeRowFunctions& ResizeRowsFor(CPU_LEVEL level) {
  const CPU_LEVEL allowed = level < CpuLevel() ? level : CpuLevel();
#if defined(__i386__) || defined(__x86_64__)
  if (allowed >= CPU_LEVEL_AVX2) return kResizeRowsAvx2;
  if (allowed >= CPU_LEVEL_SSE2) return kResizeRowsSse2;
#else
  (void)allowed;
#endif
  return kResizeRowsReference;
}

}  // namespace pelt
