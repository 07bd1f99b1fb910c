// AVX-512 row: thirty-two pixels (64 pixel bytes) per step, one 16-bit lane
// each; the AVX2 row's arithmetic on registers twice as wide. Built with
// -mavx512f -mavx512bw; only called at the AVX-512 level. Memory is only
// touched through unaligned loads and stores.
#include <immintrin.h>

#include "MaskBlendRowX86.h"
#include "compositing/MaskBlendArithmetic.h"
#include "compositing/MaskBlendRow.h"

namespace {

using maskblend::kDivide255Multiplier;
using maskblend::kDivide255Shift;

// maskblend::Weigh for thirty-two lanes, as 255 * y + (x - y) * w.
inline __m512i Weigh(__m512i x, __m512i y, __m512i w) {
  return _mm512_add_epi16(_mm512_sub_epi16(_mm512_slli_epi16(y, 8), y), _mm512_mullo_epi16(_mm512_sub_epi16(x, y), w));
}

// Exact floor(x / 255) for unsigned 16-bit lanes.
inline __m512i Divide255(__m512i x) {
  return _mm512_srli_epi16(_mm512_mulhi_epu16(x, _mm512_set1_epi16(static_cast<int16_t>(kDivide255Multiplier))),
                           kDivide255Shift);
}

// floor((x + y) / 2) without the 17th bit the sum would need.
inline __m512i HalfSum(__m512i x, __m512i y) {
  return _mm512_add_epi16(_mm512_and_si512(x, y), _mm512_srli_epi16(_mm512_xor_si512(x, y), 1));
}

// HalfSum(Weigh(x, y, w1), Weigh(x, y, w2)), sharing what the two have in common.
inline __m512i HalfSumOfWeighs(__m512i x, __m512i y, __m512i w1, __m512i w2) {
  const __m512i base = _mm512_sub_epi16(_mm512_slli_epi16(y, 8), y);
  const __m512i difference = _mm512_sub_epi16(x, y);
  return HalfSum(_mm512_add_epi16(base, _mm512_mullo_epi16(difference, w1)),
                 _mm512_add_epi16(base, _mm512_mullo_epi16(difference, w2)));
}

// The all-lanes forms of broadcast and narrowing leave their unused operand
// undefined, which GCC 12 reports as used uninitialized; the zero-masked
// forms with every lane selected are the same instructions.
constexpr __mmask16 kEveryDword = 0xFFFF;
constexpr __mmask32 kEveryWord = 0xFFFFFFFF;

inline __m512i AllLanes(__m128i pattern) { return _mm512_maskz_broadcast_i32x4(kEveryDword, pattern); }

// Each lane given its pair's first or second value (see the AVX2 row).
inline __m512i FirstOfPair(__m512i perPixel) {
  const __m512i firstLane = AllLanes(_mm_setr_epi8(0, 1, 0, 1, 4, 5, 4, 5, 8, 9, 8, 9, 12, 13, 12, 13));
  return _mm512_shuffle_epi8(perPixel, firstLane);
}
inline __m512i SecondOfPair(__m512i perPixel) {
  const __m512i secondLane = AllLanes(_mm_setr_epi8(2, 3, 2, 3, 6, 7, 6, 7, 10, 11, 10, 11, 14, 15, 14, 15));
  return _mm512_shuffle_epi8(perPixel, secondLane);
}

inline __m512i LoadWidened(const uint8_t* bytes) {
  return _mm512_cvtepu8_epi16(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes)));
}

// Thirty-two pixels from `pixel` on, laid out as in the AVX2 row: one lane
// per pixel, its luma in the low byte and its chroma byte in the high byte.
inline void BlendThirtyTwoPixels(uint8_t* out, const uint8_t* work, uint8_t* outAlpha, const uint8_t* workAlpha,
                                 const uint8_t* mask, __m256i maskXor) {
  const __m512i lowByte = _mm512_set1_epi16(0x00FF);
  const __m512i outPixels = _mm512_loadu_si512(out);
  const __m512i workPixels = _mm512_loadu_si512(work);
  const __m512i alpha = LoadWidened(outAlpha);
  const __m512i otherAlpha = LoadWidened(workAlpha);
  const __m512i weight =
      _mm512_cvtepu8_epi16(_mm256_xor_si256(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(mask)), maskXor));

  // Luma: each pixel with its own alpha and weight.
  const __m512i workLuma = _mm512_and_si512(workPixels, lowByte);
  const __m512i premixedLuma = Divide255(Weigh(_mm512_and_si512(outPixels, lowByte), workLuma, alpha));
  const __m512i luma = Divide255(Weigh(workLuma, premixedLuma, weight));

  // Chroma: pre-mixed with the pair's first alpha, then under both weights
  // of the pair; the half sum and the division by 255 make the division by
  // 510.
  const __m512i workChroma = _mm512_srli_epi16(workPixels, 8);
  const __m512i premixedChroma = Divide255(Weigh(_mm512_srli_epi16(outPixels, 8), workChroma, FirstOfPair(alpha)));
  const __m512i chroma =
      Divide255(HalfSumOfWeighs(workChroma, premixedChroma, FirstOfPair(weight), SecondOfPair(weight)));

  _mm512_storeu_si512(out, _mm512_or_si512(luma, _mm512_slli_epi16(chroma, 8)));

  // Every lane holds a byte value: narrowing keeps it whole.
  const __m512i newAlpha = Divide255(Weigh(alpha, otherAlpha, alpha));
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(outAlpha), _mm512_maskz_cvtepi16_epi8(kEveryWord, newAlpha));
}

}  // namespace

#if defined(__i386__)
// A 32-bit caller may hand over a stack aligned to 4 bytes only; spilled
// 512-bit values need more.
__attribute__((force_align_arg_pointer))
#endif
void BlendMaskRowAvx512(const MaskBlendRow& row) {
  // What is left under thirty-two pixels still takes sixteen at a time.
  maskblend::RunRowInSteps<32>(row, _mm256_set1_epi8(static_cast<char>(row.maskXor)), BlendThirtyTwoPixels,
                               BlendMaskRowAvx2);
}
