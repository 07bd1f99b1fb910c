// AVX2 rows: sixteen outputs per step, the taps two at a time through one
// multiply-add of 16-bit pairs into 32-bit sums. Horizontal taps come from
// 16-byte windows shuffled into place (gathers are slow on many CPUs);
// taps without windows take the SSE2 rows.
// Built with -mavx2; only called when the CPU and the OS have AVX2.
// What a step cannot take (other channel counts, the row's last values) goes
// to the reference.
#include <immintrin.h>
#include <string.h>

#include "ResizeRowsX86.h"
#include "platform/pelt/ResizeRows.h"

#if defined(__i386__)
// A 32-bit caller may hand over a stack aligned to 4 bytes only; spilled
// 256-bit values need more.
#define KIV_ENTRY __attribute__((force_align_arg_pointer))
#else
#define KIV_ENTRY
#endif

namespace pelt {

namespace {

template <int Shift>
inline __m256i RoundedDown(__m256i sum) {
  return _mm256_srai_epi32(_mm256_add_epi32(sum, _mm256_set1_epi32(1 << (Shift - 1))), Shift);
}

// Two vectors of eight 32-bit results, as sixteen 16-bit values in order.
inline __m256i Narrowed(__m256i low, __m256i high) {
  return _mm256_permute4x64_epi64(_mm256_packs_epi32(low, high), _MM_SHUFFLE(3, 1, 2, 0));
}

inline void StoreMiddle(int16_t* out, __m256i values) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), values); }

inline void StoreLevels(uint8_t* out, __m256i values) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                   _mm_packus_epi16(_mm256_castsi256_si128(values), _mm256_extracti128_si256(values, 1)));
}

// Eight outputs from output x on (x a multiple of 4): two windows of 16
// bytes, one per lane, shuffled into the outputs' tap pairs, one
// multiply-add per pair of taps. Pairs is taps.count / 2, or 0 for "not
// known before the call".
template <int Shift, size_t Pairs, typename In>
inline __m256i EightOutputs(const In* in, const TapTable& taps, size_t x) {
  const size_t group = x / 4;
  const In* low = in + taps.windowStart[group];
  const In* high = in + taps.windowStart[group + 1];
  const __m256i shuffle = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(taps.windowShuffle + 16 * group));
  const size_t pairs = Pairs != 0 ? Pairs : taps.count / 2;
  __m256i sum = _mm256_setzero_si256();
  for (size_t p = 0; p < pairs; ++p) {
    const __m256i windows =
        _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(low + 2 * p))),
                                _mm_loadu_si128(reinterpret_cast<const __m128i*>(high + 2 * p)), 1);
    const __m256i weights = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(taps.pairs + p * taps.outputs + x));
    sum = _mm256_add_epi32(sum, _mm256_madd_epi16(_mm256_shuffle_epi8(windows, shuffle), weights));
  }
  return RoundedDown<Shift>(sum);
}

template <int Shift, size_t Pairs, typename In, typename Out, typename Store>
inline size_t SixteenAtATime(const In* in, Out* out, const TapTable& taps, size_t x, size_t end, Store store) {
  // A byte store may alias the caller's table, which would then be read
  // anew after every store; a local copy cannot be.
  const TapTable local = taps;
  for (; x + 16 <= end; x += 16) {
    store(out + x, Narrowed(EightOutputs<Shift, Pairs>(in, local, x), EightOutputs<Shift, Pairs>(in, local, x + 8)));
  }
  return x;
}

// Sixteen outputs from x on (x a multiple of 16) through the one window they
// share: loaded once into both lanes, shuffled into each eight's tap pairs.
template <int Shift, typename Out, typename Store>
inline size_t SixteenFromOneWindow(const uint8_t* in, Out* out, const TapTable& taps, size_t x, size_t end,
                                   Store store) {
  const TapTable local = taps;  // see SixteenAtATime
  for (; x + 16 <= end; x += 16) {
    const size_t group = x / 4;
    const __m256i window =
        _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(in + local.windowStart[group])));
    const auto* shuffles = reinterpret_cast<const __m256i*>(local.windowShuffle + 16 * group);
    const auto* weights = reinterpret_cast<const __m256i*>(local.pairs + x);
    const __m256i low =
        _mm256_madd_epi16(_mm256_shuffle_epi8(window, _mm256_loadu_si256(shuffles)), _mm256_loadu_si256(weights));
    const __m256i high = _mm256_madd_epi16(_mm256_shuffle_epi8(window, _mm256_loadu_si256(shuffles + 1)),
                                           _mm256_loadu_si256(weights + 1));
    store(out + x, Narrowed(RoundedDown<Shift>(low), RoundedDown<Shift>(high)));
  }
  return x;
}

template <int Shift, typename In, typename Out, typename Store>
inline size_t ByWindows(const In* in, Out* out, const TapTable& taps, size_t x, size_t end, Store store) {
  if (taps.count != 2) return SixteenAtATime<Shift, 0>(in, out, taps, x, end, store);
  if constexpr (sizeof(In) == 1) {
    if (taps.windowPerSixteen && x % 16 == 0) return SixteenFromOneWindow<Shift>(in, out, taps, x, end, store);
  }
  return SixteenAtATime<Shift, 1>(in, out, taps, x, end, store);
}

// Sixteen outputs at a time by their windows, the rest by the reference.
// Rows with other channel counts or without windows go to the SSE2 rows.
template <int Shift, typename In, typename Out, typename Store, typename Row>
inline void Horizontal(const In* in, size_t readable, Out* out, const TapTable& taps, size_t channels, size_t begin,
                       size_t end, Store store, Row reference, Row fallback) {
  if (channels != 1 || taps.windowElement != sizeof(In)) {
    fallback(in, readable, out, taps, channels, begin, end);
    return;
  }
  size_t x = (begin + 3) / 4 * 4;
  if (x > end) x = end;
  reference(in, readable, out, taps, channels, begin, x);
  x = ByWindows<Shift>(in, out, taps, x, end, store);
  reference(in, readable, out, taps, channels, x, end);
}

inline __m256i SixteenValues(const uint8_t* row) {
  return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row)));
}
inline __m256i SixteenValues(const int16_t* row) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row)); }

// Two rows' sixteen values from x on under a weight pair, added to the
// 32-bit sums: values x to x + 3 and x + 8 to x + 11 in `low`, the others in
// `high`, as the in-lane unpacking leaves them and the narrowing puts them
// back.
inline void AddWeighedPair(__m256i a, __m256i b, __m256i weight, __m256i& low, __m256i& high) {
  low = _mm256_add_epi32(low, _mm256_madd_epi16(_mm256_unpacklo_epi16(a, b), weight));
  high = _mm256_add_epi32(high, _mm256_madd_epi16(_mm256_unpackhi_epi16(a, b), weight));
}

// Sixteen values from x on, weighed over the rows.
template <typename In>
inline void SumSixteen(const In* const* rows, const int16_t* weights, size_t count, size_t x, __m256i& low,
                       __m256i& high) {
  low = high = _mm256_setzero_si256();
  for (size_t t = 0; t < count; t += 2) {
    const bool single = t + 1 == count;
    const __m256i b = single ? _mm256_setzero_si256() : SixteenValues(rows[t + 1] + x);
    AddWeighedPair(SixteenValues(rows[t] + x), b, _mm256_set1_epi32(WeightPair(weights, t, count)), low, high);
  }
}

template <int Shift, typename In, typename Out, typename Store, typename Row>
inline void Vertical(const In* const* rows, const int16_t* weights, size_t count, Out* out, size_t begin, size_t end,
                     Store store, Row reference) {
  size_t x = begin;
  if (count == 2) {
    // Enlarging: the two rows and their weights held for the whole row (a
    // vector store may alias the row table, so it would be read anew).
    const In* const first = rows[0];
    const In* const second = rows[1];
    const __m256i weight = _mm256_set1_epi32(WeightPair(weights, 0, 2));
    for (; x + 16 <= end; x += 16) {
      __m256i low = _mm256_setzero_si256(), high = _mm256_setzero_si256();
      AddWeighedPair(SixteenValues(first + x), SixteenValues(second + x), weight, low, high);
      store(out + x, _mm256_packs_epi32(RoundedDown<Shift>(low), RoundedDown<Shift>(high)));
    }
  }
  for (; x + 16 <= end; x += 16) {
    __m256i low, high;
    SumSixteen(rows, weights, count, x, low, high);
    store(out + x, _mm256_packs_epi32(RoundedDown<Shift>(low), RoundedDown<Shift>(high)));
  }
  reference(rows, weights, count, out, x, end);
}

}  // namespace

KIV_ENTRY void HorizontalToMiddleAvx2(const uint8_t* in, size_t readable, int16_t* out, const TapTable& taps,
                                      size_t channels, size_t begin, size_t end) {
  Horizontal<kToMiddleShift>(in, readable, out, taps, channels, begin, end, StoreMiddle, HorizontalToMiddleReference,
                             HorizontalToMiddleSse2);
}

KIV_ENTRY void HorizontalToLevelsAvx2(const int16_t* in, size_t readable, uint8_t* out, const TapTable& taps,
                                      size_t channels, size_t begin, size_t end) {
  Horizontal<kToLevelShift>(in, readable, out, taps, channels, begin, end, StoreLevels, HorizontalToLevelsReference,
                            HorizontalToLevelsSse2);
}

KIV_ENTRY void VerticalToMiddleAvx2(const uint8_t* const* rows, const int16_t* weights, size_t count, int16_t* out,
                                    size_t begin, size_t end) {
  Vertical<kToMiddleShift>(rows, weights, count, out, begin, end, StoreMiddle, VerticalToMiddleReference);
}

KIV_ENTRY void VerticalToLevelsAvx2(const int16_t* const* rows, const int16_t* weights, size_t count, uint8_t* out,
                                    size_t begin, size_t end) {
  Vertical<kToLevelShift>(rows, weights, count, out, begin, end, StoreLevels, VerticalToLevelsReference);
}

KIV_ENTRY void HorizontalLevelsToLevelsAvx2(const uint8_t* in, size_t readable, uint8_t* out, const TapTable& taps,
                                            size_t channels, size_t begin, size_t end) {
  Horizontal<kOnePassShift>(in, readable, out, taps, channels, begin, end, StoreLevels,
                            HorizontalLevelsToLevelsReference, HorizontalLevelsToLevelsSse2);
}

KIV_ENTRY void VerticalLevelsToLevelsAvx2(const uint8_t* const* rows, const int16_t* weights, size_t count,
                                          uint8_t* out, size_t begin, size_t end) {
  Vertical<kOnePassShift>(rows, weights, count, out, begin, end, StoreLevels, VerticalLevelsToLevelsReference);
}

}  // namespace pelt
