// SSE2 rows: eight outputs per step, the taps two at a time through one
// multiply-add of 16-bit pairs into 32-bit sums. SSE2 has no gather, so
// horizontal tap pairs are assembled one output at a time. Built with
// -msse2; only called when the CPU has SSE2. What a step cannot take (other
// channel counts, the row's last values) goes to the reference.
#include <emmintrin.h>
#include <string.h>

#include "ResizeRowsX86.h"
#include "platform/pelt/ResizeRows.h"

#if defined(__i386__)
// A 32-bit caller may hand over a stack aligned to 4 bytes only.
#define KIV_ENTRY __attribute__((force_align_arg_pointer))
#else
#define KIV_ENTRY
#endif

namespace pelt {

namespace {

template <int Shift>
inline __m128i RoundedDown(__m128i sum) {
  return _mm_srai_epi32(_mm_add_epi32(sum, _mm_set1_epi32(1 << (Shift - 1))), Shift);
}

// Taps 2p and 2p + 1 of an output from source index `first` on, as a 16-bit pair.
inline int32_t TapPair(const uint8_t* in, int32_t first, size_t p) {
  const uint8_t* tap = in + static_cast<size_t>(first) + 2 * p;
  return static_cast<int32_t>(tap[0] | uint32_t{tap[1]} << 16);
}
inline int32_t TapPair(const int16_t* in, int32_t first, size_t p) {
  int32_t pair;
  memcpy(&pair, in + static_cast<size_t>(first) + 2 * p, sizeof pair);
  return pair;
}

// Four outputs from output x on: their rounded sums.
template <int Shift, typename In>
inline __m128i FourOutputs(const In* in, const TapTable& taps, size_t x) {
  __m128i sum = _mm_setzero_si128();
  for (size_t p = 0; p < taps.count / 2; ++p) {
    const __m128i pairs = _mm_setr_epi32(TapPair(in, taps.first[x], p), TapPair(in, taps.first[x + 1], p),
                                         TapPair(in, taps.first[x + 2], p), TapPair(in, taps.first[x + 3], p));
    const __m128i weights = _mm_loadu_si128(reinterpret_cast<const __m128i*>(taps.pairs + p * taps.outputs + x));
    sum = _mm_add_epi32(sum, _mm_madd_epi16(pairs, weights));
  }
  return RoundedDown<Shift>(sum);
}

inline void StoreMiddle(int16_t* out, __m128i values) { _mm_storeu_si128(reinterpret_cast<__m128i*>(out), values); }

inline void StoreLevels(uint8_t* out, __m128i values) {
  _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(values, values));
}

// Eight outputs at a time, the rest (and rows of other channel counts or odd
// tap counts) by the reference.
template <int Shift, typename In, typename Out, typename Store, typename Row>
inline void Horizontal(const In* in, size_t readable, Out* out, const TapTable& taps, size_t channels, size_t begin,
                       size_t end, Store store, Row reference) {
  size_t x = begin;
  if (channels == 1 && taps.count % 2 == 0) {
    for (; x + 8 <= end; x += 8) {
      store(out + x, _mm_packs_epi32(FourOutputs<Shift>(in, taps, x), FourOutputs<Shift>(in, taps, x + 4)));
    }
  }
  reference(in, readable, out, taps, channels, x, end);
}

inline __m128i EightValues(const uint8_t* row) {
  return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row)), _mm_setzero_si128());
}
inline __m128i EightValues(const int16_t* row) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(row)); }

// Eight values from x on, weighed over the rows: the 32-bit sums of values
// x to x + 3 in `low`, x + 4 to x + 7 in `high`.
template <typename In>
inline void SumEight(const In* const* rows, const int16_t* weights, size_t count, size_t x, __m128i& low,
                     __m128i& high) {
  low = high = _mm_setzero_si128();
  for (size_t t = 0; t < count; t += 2) {
    const bool single = t + 1 == count;
    const __m128i a = EightValues(rows[t] + x);
    const __m128i b = single ? _mm_setzero_si128() : EightValues(rows[t + 1] + x);
    const __m128i weight = _mm_set1_epi32(WeightPair(weights, t, count));
    low = _mm_add_epi32(low, _mm_madd_epi16(_mm_unpacklo_epi16(a, b), weight));
    high = _mm_add_epi32(high, _mm_madd_epi16(_mm_unpackhi_epi16(a, b), weight));
  }
}

template <int Shift, typename In, typename Out, typename Store, typename Row>
inline void Vertical(const In* const* rows, const int16_t* weights, size_t count, Out* out, size_t begin, size_t end,
                     Store store, Row reference) {
  size_t x = begin;
  for (; x + 8 <= end; x += 8) {
    __m128i low, high;
    SumEight(rows, weights, count, x, low, high);
    store(out + x, _mm_packs_epi32(RoundedDown<Shift>(low), RoundedDown<Shift>(high)));
  }
  reference(rows, weights, count, out, x, end);
}

}  // namespace

KIV_ENTRY void HorizontalToMiddleSse2(const uint8_t* in, size_t readable, int16_t* out, const TapTable& taps,
                                      size_t channels, size_t begin, size_t end) {
  Horizontal<kToMiddleShift>(in, readable, out, taps, channels, begin, end, StoreMiddle, HorizontalToMiddleReference);
}

KIV_ENTRY void HorizontalToLevelsSse2(const int16_t* in, size_t readable, uint8_t* out, const TapTable& taps,
                                      size_t channels, size_t begin, size_t end) {
  Horizontal<kToLevelShift>(in, readable, out, taps, channels, begin, end, StoreLevels, HorizontalToLevelsReference);
}

KIV_ENTRY void VerticalToMiddleSse2(const uint8_t* const* rows, const int16_t* weights, size_t count, int16_t* out,
                                    size_t begin, size_t end) {
  Vertical<kToMiddleShift>(rows, weights, count, out, begin, end, StoreMiddle, VerticalToMiddleReference);
}

KIV_ENTRY void VerticalToLevelsSse2(const int16_t* const* rows, const int16_t* weights, size_t count, uint8_t* out,
                                    size_t begin, size_t end) {
  Vertical<kToLevelShift>(rows, weights, count, out, begin, end, StoreLevels, VerticalToLevelsReference);
}

KIV_ENTRY void HorizontalLevelsToLevelsSse2(const uint8_t* in, size_t readable, uint8_t* out, const TapTable& taps,
                                            size_t channels, size_t begin, size_t end) {
  Horizontal<kOnePassShift>(in, readable, out, taps, channels, begin, end, StoreLevels,
                            HorizontalLevelsToLevelsReference);
}

KIV_ENTRY void VerticalLevelsToLevelsSse2(const uint8_t* const* rows, const int16_t* weights, size_t count,
                                          uint8_t* out, size_t begin, size_t end) {
  Vertical<kOnePassShift>(rows, weights, count, out, begin, end, StoreLevels, VerticalLevelsToLevelsReference);
}

}  // namespace pelt
