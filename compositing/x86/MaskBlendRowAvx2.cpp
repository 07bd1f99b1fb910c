// AVX2 row: sixteen pixels (32 pixel bytes) per step, one 16-bit lane each. Built
// with -mavx2; only called when the CPU and the OS have AVX2. Memory is only
// touched through unaligned loads and stores.
#include <immintrin.h>

#include "MaskBlendRowX86.h"
#include "compositing/MaskBlendArithmetic.h"
#include "compositing/MaskBlendRow.h"

namespace {

using maskblend::kDivide255Multiplier;
using maskblend::kDivide255Shift;

// maskblend::Weigh for sixteen lanes, as 255 * y + (x - y) * w.
inline __m256i Weigh(__m256i x, __m256i y, __m256i w) {
  return _mm256_add_epi16(_mm256_sub_epi16(_mm256_slli_epi16(y, 8), y), _mm256_mullo_epi16(_mm256_sub_epi16(x, y), w));
}

// Exact floor(x / 255) for unsigned 16-bit lanes.
inline __m256i Divide255(__m256i x) {
  return _mm256_srli_epi16(_mm256_mulhi_epu16(x, _mm256_set1_epi16(static_cast<int16_t>(kDivide255Multiplier))),
                           kDivide255Shift);
}

// floor((x + y) / 2) without the 17th bit the sum would need.
inline __m256i HalfSum(__m256i x, __m256i y) {
  return _mm256_add_epi16(_mm256_and_si256(x, y), _mm256_srli_epi16(_mm256_xor_si256(x, y), 1));
}

// HalfSum(Weigh(x, y, w1), Weigh(x, y, w2)), sharing what the two have in common.
inline __m256i HalfSumOfWeighs(__m256i x, __m256i y, __m256i w1, __m256i w2) {
  const __m256i base = _mm256_sub_epi16(_mm256_slli_epi16(y, 8), y);
  const __m256i difference = _mm256_sub_epi16(x, y);
  return HalfSum(_mm256_add_epi16(base, _mm256_mullo_epi16(difference, w1)),
                 _mm256_add_epi16(base, _mm256_mullo_epi16(difference, w2)));
}

// Pixel pairs share their chroma: the pre-mix takes the first pixel's alpha
// for both chroma bytes, the mask mix both pixels' weights. With one 16-bit
// lane per pixel, these give each lane its pair's first or second value.
inline __m256i FirstOfPair(__m256i perPixel) {
  const __m256i firstLane = _mm256_setr_epi8(0, 1, 0, 1, 4, 5, 4, 5, 8, 9, 8, 9, 12, 13, 12, 13,  //
                                             0, 1, 0, 1, 4, 5, 4, 5, 8, 9, 8, 9, 12, 13, 12, 13);
  return _mm256_shuffle_epi8(perPixel, firstLane);
}
inline __m256i SecondOfPair(__m256i perPixel) {
  const __m256i secondLane = _mm256_setr_epi8(2, 3, 2, 3, 6, 7, 6, 7, 10, 11, 10, 11, 14, 15, 14, 15,  //
                                              2, 3, 2, 3, 6, 7, 6, 7, 10, 11, 10, 11, 14, 15, 14, 15);
  return _mm256_shuffle_epi8(perPixel, secondLane);
}

// Sixteen pixels from `pixel` on. Read as 16-bit lanes, 32 pixel bytes are
// one lane per pixel: its luma in the low byte, its chroma byte (U for the
// first of a pair, V for the second) in the high byte, lined up with the
// pixel's alpha and mask byte.
inline void BlendSixteenPixels(uint8_t* out, const uint8_t* work, uint8_t* outAlpha, const uint8_t* workAlpha,
                               const uint8_t* mask, __m128i maskXor) {
  const __m256i lowByte = _mm256_set1_epi16(0x00FF);
  const __m256i outPixels = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(out));
  const __m256i workPixels = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(work));
  const __m256i alpha = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(outAlpha)));
  const __m256i otherAlpha = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(workAlpha)));
  const __m256i weight =
      _mm256_cvtepu8_epi16(_mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(mask)), maskXor));

  // Luma: each pixel with its own alpha and weight.
  const __m256i workLuma = _mm256_and_si256(workPixels, lowByte);
  const __m256i premixedLuma = Divide255(Weigh(_mm256_and_si256(outPixels, lowByte), workLuma, alpha));
  const __m256i luma = Divide255(Weigh(workLuma, premixedLuma, weight));

  // Chroma: pre-mixed with the pair's first alpha, then under both weights
  // of the pair; the half sum and the division by 255 make the division by
  // 510.
  const __m256i workChroma = _mm256_srli_epi16(workPixels, 8);
  const __m256i premixedChroma = Divide255(Weigh(_mm256_srli_epi16(outPixels, 8), workChroma, FirstOfPair(alpha)));
  const __m256i chroma =
      Divide255(HalfSumOfWeighs(workChroma, premixedChroma, FirstOfPair(weight), SecondOfPair(weight)));

  _mm256_storeu_si256(reinterpret_cast<__m256i*>(out), _mm256_or_si256(luma, _mm256_slli_epi16(chroma, 8)));

  const __m256i newAlpha = Divide255(Weigh(alpha, otherAlpha, alpha));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(outAlpha),
                   _mm_packus_epi16(_mm256_castsi256_si128(newAlpha), _mm256_extracti128_si256(newAlpha, 1)));
}

}  // namespace

#if defined(__i386__)
// A 32-bit caller may hand over a stack aligned to 4 bytes only; spilled
// 256-bit values need more.
__attribute__((force_align_arg_pointer))
#endif
void BlendMaskRowAvx2(const MaskBlendRow& row) {
  maskblend::RunRowInSteps<16>(row, _mm_set1_epi8(static_cast<char>(row.maskXor)), BlendSixteenPixels);
}
