// AVX2 row: sixteen pixels (32 pixel bytes) per step in 16-bit lanes. Built
// with -mavx2; only called when the CPU and the OS have AVX2. Memory is only
// touched through unaligned loads and stores.
#include <immintrin.h>

#include "MaskBlendArithmetic.h"
#include "MaskBlendRow.h"

namespace {

using maskblend::kDivide255Multiplier;
using maskblend::kDivide255Shift;
using maskblend::kFull;

// maskblend::Weigh, sixteen lanes at once; every lane stays within 16 bits.
inline __m256i Weigh(__m256i x, __m256i y, __m256i w) {
  return _mm256_add_epi16(_mm256_mullo_epi16(x, w),
                          _mm256_mullo_epi16(y, _mm256_sub_epi16(_mm256_set1_epi16(kFull), w)));
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

// Byte shuffles that spread the sixteen per-pixel bytes of a step (alpha or
// weight, present in both 128-bit halves) over the 16-bit lanes of eight
// pixel groups (Y0 U Y1 V), zero-extending on the way (-1 yields 0). The
// first pixel's value goes to Y0, U and V, the second's to Y1...
constexpr char Z = -1;
inline __m256i FirstPixelRule(int group) {
  const char g = static_cast<char>(2 * group);
  return _mm256_setr_epi8(g, Z, g, Z, g + 1, Z, g, Z, g + 2, Z, g + 2, Z, g + 3, Z, g + 2, Z,  //
                          g + 4, Z, g + 4, Z, g + 5, Z, g + 4, Z, g + 6, Z, g + 6, Z, g + 7, Z, g + 6, Z);
}
// ...or the first pixel's to Y0 and the second's to U, Y1 and V.
inline __m256i SecondPixelRule(int group) {
  const char g = static_cast<char>(2 * group);
  return _mm256_setr_epi8(g, Z, g + 1, Z, g + 1, Z, g + 1, Z, g + 2, Z, g + 3, Z, g + 3, Z, g + 3, Z,  //
                          g + 4, Z, g + 5, Z, g + 5, Z, g + 5, Z, g + 6, Z, g + 7, Z, g + 7, Z, g + 7, Z);
}

// Eight pixel groups starting with group `group` of the step. A luma lane
// gets the same weight twice, so its half sum is its own pixel's mix; a
// chroma lane gets both weights of its pair, which makes the half sum and the
// division the division by 510.
inline __m256i BlendGroups(const uint8_t* out, const uint8_t* work, __m256i alphaBytes, __m256i weightBytes,
                           int group) {
  const __m256i outLanes = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(out)));
  const __m256i workLanes = _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(work)));
  const __m256i alpha = _mm256_shuffle_epi8(alphaBytes, FirstPixelRule(group));
  const __m256i premixed = Divide255(Weigh(outLanes, workLanes, alpha));
  const __m256i underFirst = Weigh(workLanes, premixed, _mm256_shuffle_epi8(weightBytes, FirstPixelRule(group)));
  const __m256i underSecond = Weigh(workLanes, premixed, _mm256_shuffle_epi8(weightBytes, SecondPixelRule(group)));
  return Divide255(HalfSum(underFirst, underSecond));
}

inline void BlendSixteenPixels(const MaskBlendRow& row, uint32_t pixel, __m128i maskXor) {
  const uint32_t byte = 2 * pixel;
  const __m128i alphaBytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row.outAlpha + pixel));
  const __m128i workAlphaBytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row.workAlpha + pixel));
  const __m128i weightBytes =
      _mm_xor_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row.mask + pixel)), maskXor);

  const __m256i alphaBoth = _mm256_broadcastsi128_si256(alphaBytes);
  const __m256i weightBoth = _mm256_broadcastsi128_si256(weightBytes);
  const __m256i low = BlendGroups(row.out + byte, row.work + byte, alphaBoth, weightBoth, 0);
  const __m256i high = BlendGroups(row.out + byte + 16, row.work + byte + 16, alphaBoth, weightBoth, 4);
  // packus works within 128-bit halves; put the quarters back in order.
  _mm256_storeu_si256(reinterpret_cast<__m256i*>(row.out + byte),
                      _mm256_permute4x64_epi64(_mm256_packus_epi16(low, high), _MM_SHUFFLE(3, 1, 2, 0)));

  const __m256i alpha = _mm256_cvtepu8_epi16(alphaBytes);
  const __m256i newAlpha = Divide255(Weigh(alpha, _mm256_cvtepu8_epi16(workAlphaBytes), alpha));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(row.outAlpha + pixel),
                   _mm_packus_epi16(_mm256_castsi256_si128(newAlpha), _mm256_extracti128_si256(newAlpha, 1)));
}

}  // namespace

#if defined(__i386__)
// A 32-bit caller may hand over a stack aligned to 4 bytes only; spilled
// 256-bit values need more.
__attribute__((force_align_arg_pointer))
#endif
void BlendMaskRowAvx2(const MaskBlendRow& row) {
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
  const uint32_t steps = rest.byteCount / 32;
  for (uint32_t step = 0; step < steps; ++step) BlendSixteenPixels(rest, 16 * step, maskXor);

  // Fewer than sixteen pixels left, a lone one possibly among them.
  const MaskBlendRow tail = maskblend::Skip(rest, 16 * steps, 32 * steps);
  if (tail.byteCount != 0) BlendMaskRowReference(tail);
}
