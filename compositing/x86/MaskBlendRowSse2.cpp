// SSE2 row: eight pixels (16 pixel bytes) per step, one 16-bit lane each. Built
// with -msse2; only called when the CPU has SSE2.
#include <emmintrin.h>

#include "MaskBlendRowX86.h"
#include "compositing/MaskBlendArithmetic.h"
#include "compositing/MaskBlendRow.h"

namespace {

using maskblend::kDivide255Multiplier;
using maskblend::kDivide255Shift;

// maskblend::Weigh for eight lanes, as 255 * y + (x - y) * w.
inline __m128i Weigh(__m128i x, __m128i y, __m128i w) {
  return _mm_add_epi16(_mm_sub_epi16(_mm_slli_epi16(y, 8), y), _mm_mullo_epi16(_mm_sub_epi16(x, y), w));
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

// HalfSum(Weigh(x, y, w1), Weigh(x, y, w2)), sharing what the two have in common.
inline __m128i HalfSumOfWeighs(__m128i x, __m128i y, __m128i w1, __m128i w2) {
  const __m128i base = _mm_sub_epi16(_mm_slli_epi16(y, 8), y);
  const __m128i difference = _mm_sub_epi16(x, y);
  return HalfSum(_mm_add_epi16(base, _mm_mullo_epi16(difference, w1)),
                 _mm_add_epi16(base, _mm_mullo_epi16(difference, w2)));
}

// Pixel pairs share their chroma: the pre-mix takes the first pixel's alpha
// for both chroma bytes, the mask mix both pixels' weights. With one 16-bit
// lane per pixel, these give each lane its pair's first or second value.
inline __m128i FirstOfPair(__m128i perPixel) {
  constexpr int kFirst = _MM_SHUFFLE(2, 2, 0, 0);
  return _mm_shufflehi_epi16(_mm_shufflelo_epi16(perPixel, kFirst), kFirst);
}
inline __m128i SecondOfPair(__m128i perPixel) {
  constexpr int kSecond = _MM_SHUFFLE(3, 3, 1, 1);
  return _mm_shufflehi_epi16(_mm_shufflelo_epi16(perPixel, kSecond), kSecond);
}

// Eight pixels. Read as 16-bit lanes, 16 pixel bytes are one lane per pixel:
// its luma in the low byte, its chroma byte (U for the first of a pair, V for
// the second) in the high byte, lined up with the pixel's alpha and mask byte.
inline void BlendEightPixels(uint8_t* out, const uint8_t* work, uint8_t* outAlpha, const uint8_t* workAlpha,
                             const uint8_t* mask, __m128i maskXor) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i lowByte = _mm_set1_epi16(0x00FF);
  const __m128i outPixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(out));
  const __m128i workPixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(work));
  const __m128i alpha = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(outAlpha)), zero);
  const __m128i otherAlpha = _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(workAlpha)), zero);
  const __m128i weight =
      _mm_unpacklo_epi8(_mm_xor_si128(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(mask)), maskXor), zero);

  // Luma: each pixel with its own alpha and weight.
  const __m128i workLuma = _mm_and_si128(workPixels, lowByte);
  const __m128i premixedLuma = Divide255(Weigh(_mm_and_si128(outPixels, lowByte), workLuma, alpha));
  const __m128i luma = Divide255(Weigh(workLuma, premixedLuma, weight));

  // Chroma: pre-mixed with the pair's first alpha, then under both weights
  // of the pair; the half sum and the division by 255 make the division by
  // 510.
  const __m128i workChroma = _mm_srli_epi16(workPixels, 8);
  const __m128i premixedChroma = Divide255(Weigh(_mm_srli_epi16(outPixels, 8), workChroma, FirstOfPair(alpha)));
  const __m128i chroma =
      Divide255(HalfSumOfWeighs(workChroma, premixedChroma, FirstOfPair(weight), SecondOfPair(weight)));

  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_or_si128(luma, _mm_slli_epi16(chroma, 8)));

  const __m128i newAlpha = Divide255(Weigh(alpha, otherAlpha, alpha));
  _mm_storel_epi64(reinterpret_cast<__m128i*>(outAlpha), _mm_packus_epi16(newAlpha, newAlpha));
}

}  // namespace

#if defined(__i386__)
// A 32-bit caller may hand over a stack aligned to 4 bytes only.
__attribute__((force_align_arg_pointer))
#endif
void BlendMaskRowSse2(const MaskBlendRow& row) {
  maskblend::RunRowInSteps<8>(row, _mm_set1_epi8(static_cast<char>(row.maskXor)), BlendEightPixels);
}
