// SSE2 row: eight pixels (16 pixel bytes) per step in 16-bit lanes. Built
// with -msse2; only called when the CPU has SSE2.
#include <emmintrin.h>

#include "MaskBlendArithmetic.h"
#include "MaskBlendRow.h"

namespace {

using maskblend::kDivide255Multiplier;
using maskblend::kDivide255Shift;
using maskblend::kFull;

// maskblend::Weigh, eight lanes at once; every lane stays within 16 bits.
inline __m128i Weigh(__m128i x, __m128i y, __m128i w) {
  return _mm_add_epi16(_mm_mullo_epi16(x, w), _mm_mullo_epi16(y, _mm_sub_epi16(_mm_set1_epi16(kFull), w)));
}

// Exact floor(x / 255) for unsigned 16-bit lanes.
inline __m128i Divide255(__m128i x) {
  return _mm_srli_epi16(_mm_mulhi_epu16(x, _mm_set1_epi16(static_cast<int16_t>(kDivide255Multiplier))),
                        kDivide255Shift);
}

// floor((x + y) / 2) without the 17th bit the sum would need.
inline __m128i HalfSum(__m128i x, __m128i y) {
  return _mm_add_epi16(_mm_and_si128(x, y), _mm_srli_epi16(_mm_xor_si128(x, y), 1));
}

// From the per-pixel values of two pairs, each pair's 32 bits doubled
// ([p0 p1 p0 p1 p2 p3 p2 p3]), the value each pixel byte of the two groups
// (Y0 U Y1 V) needs: the first pixel's for Y0, U and V, the second's for Y1...
inline __m128i FirstPixelRule(__m128i pairs) {
  constexpr int kRule = _MM_SHUFFLE(0, 1, 0, 0);
  return _mm_shufflehi_epi16(_mm_shufflelo_epi16(pairs, kRule), kRule);
}
// ...or the first pixel's for Y0 and the second's for U, Y1 and V.
inline __m128i SecondPixelRule(__m128i pairs) {
  constexpr int kRule = _MM_SHUFFLE(1, 1, 1, 0);
  return _mm_shufflehi_epi16(_mm_shufflelo_epi16(pairs, kRule), kRule);
}

// Four pixel groups (8 pixel bytes in 16-bit lanes per half) of one step.
// alphaPairs and weightPairs are the pairs' alpha and weights, doubled as
// FirstPixelRule expects. A luma lane gets the same weight twice, so its
// half sum is its own pixel's mix; a chroma lane gets both weights of its
// pair, which makes the half sum and the division the division by 510.
inline __m128i BlendHalf(__m128i out, __m128i work, __m128i alphaPairs, __m128i weightPairs) {
  const __m128i premixed = Divide255(Weigh(out, work, FirstPixelRule(alphaPairs)));
  const __m128i underFirst = Weigh(work, premixed, FirstPixelRule(weightPairs));
  const __m128i underSecond = Weigh(work, premixed, SecondPixelRule(weightPairs));
  return Divide255(HalfSum(underFirst, underSecond));
}

inline void BlendEightPixels(const MaskBlendRow& row, uint32_t pixel, __m128i maskXor) {
  const __m128i zero = _mm_setzero_si128();
  const uint32_t byte = 2 * pixel;

  const __m128i alpha =
      _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row.outAlpha + pixel)), zero);
  const __m128i workAlpha =
      _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row.workAlpha + pixel)), zero);
  const __m128i weight = _mm_unpacklo_epi8(
      _mm_xor_si128(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(row.mask + pixel)), maskXor), zero);

  const __m128i out = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row.out + byte));
  const __m128i work = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row.work + byte));
  const __m128i low = BlendHalf(_mm_unpacklo_epi8(out, zero), _mm_unpacklo_epi8(work, zero),
                                _mm_unpacklo_epi32(alpha, alpha), _mm_unpacklo_epi32(weight, weight));
  const __m128i high = BlendHalf(_mm_unpackhi_epi8(out, zero), _mm_unpackhi_epi8(work, zero),
                                 _mm_unpackhi_epi32(alpha, alpha), _mm_unpackhi_epi32(weight, weight));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(row.out + byte), _mm_packus_epi16(low, high));

  const __m128i newAlpha = Divide255(Weigh(alpha, workAlpha, alpha));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(row.outAlpha + pixel), _mm_packus_epi16(newAlpha, newAlpha));
}

}  // namespace

#if defined(__i386__)
// A 32-bit caller may hand over a stack aligned to 4 bytes only.
__attribute__((force_align_arg_pointer))
#endif
void BlendMaskRowSse2(const MaskBlendRow& row) {
  MaskBlendRow rest = row;
  if (row.startsOnSecondPixel) {
    // The first pass finishes a pair whose first pixel is not in the row.
    MaskBlendRow head = row;
    head.byteCount = row.byteCount < 4 ? row.byteCount : 4;
    BlendMaskRowReference(head);
    if (row.byteCount <= 4) return;
    rest = maskblend::Skip(row, 1, 4);
  }

  const __m128i maskXor = _mm_set1_epi8(static_cast<char>(rest.maskXor));
  const uint32_t steps = rest.byteCount / 16;
  for (uint32_t step = 0; step < steps; ++step) BlendEightPixels(rest, 8 * step, maskXor);

  // Fewer than eight pixels left, a lone one possibly among them.
  const MaskBlendRow tail = maskblend::Skip(rest, 8 * steps, 16 * steps);
  if (tail.byteCount != 0) BlendMaskRowReference(tail);
}
