// AVX2 rows: thirty-two pixels (or pixel pairs) a step, the rest of a row by
// the reference. Built with -mavx2; only called when the CPU has AVX2. The
// 256-bit unpacks and packs work within each 128-bit half; a permutation
// puts the results back in order.
#include <immintrin.h>

#include "MediaRowsX86.h"
#include "media/ChromaArithmetic.h"
#include "media/ColourArithmetic.h"
#include "media/MediaRows.h"

#if defined(__i386__)
// A 32-bit caller may hand over a stack aligned to 4 bytes only.
#define KAVRO_ENTRY __attribute__((force_align_arg_pointer))
#else
#define KAVRO_ENTRY
#endif

namespace kavro {

namespace {

using namespace colour;

inline __m256i Load(const uint8_t* from) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from)); }
inline void Store(uint8_t* to, __m256i value) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(to), value); }
// Sixteen bytes widened to sixteen 16-bit lanes, in order.
inline __m256i LoadWide(const uint8_t* from) {
  return _mm256_cvtepu8_epi16(_mm_loadu_si128(reinterpret_cast<const __m128i*>(from)));
}

inline __m256i FactorPair(int low, int high) {
  return _mm256_set1_epi32(
      static_cast<int>(static_cast<uint16_t>(low) | static_cast<uint32_t>(static_cast<uint16_t>(high)) << 16));
}

// Four vectors of eight 32-bit values of 0..255, in order, to 32 bytes in order.
inline __m256i Bytes(__m256i a, __m256i b, __m256i c, __m256i d) {
  const __m256i packed = _mm256_packus_epi16(_mm256_packs_epi32(a, b), _mm256_packs_epi32(c, d));
  return _mm256_permutevar8x32_epi32(packed, _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7));
}

// As the SSE2 file: eight pixels' sums of R G B A times (r, g, b, 0), in order.
inline __m256i Weighed(__m256i firstTwo, __m256i lastTwo, __m256i factors) {
  const __m256 first = _mm256_castsi256_ps(_mm256_madd_epi16(firstTwo, factors));
  const __m256 last = _mm256_castsi256_ps(_mm256_madd_epi16(lastTwo, factors));
  return _mm256_add_epi32(_mm256_castps_si256(_mm256_shuffle_ps(first, last, _MM_SHUFFLE(2, 0, 2, 0))),
                          _mm256_castps_si256(_mm256_shuffle_ps(first, last, _MM_SHUFFLE(3, 1, 3, 1))));
}

struct EightPixels {
  __m256i y, cb, cr, alpha;  // 32-bit lanes
};

inline EightPixels ToYCbCr(__m256i rgba) {
  const __m256i zero = _mm256_setzero_si256();
  const __m256i firstTwo = _mm256_unpacklo_epi8(rgba, zero), lastTwo = _mm256_unpackhi_epi8(rgba, zero);
  const __m256i lumaFactors = _mm256_unpacklo_epi32(FactorPair(kYr, kYg - 65536), FactorPair(kYb, 0));
  const __m256i cbFactors = _mm256_unpacklo_epi32(FactorPair(kCbR, kCbG), FactorPair(kCbB, 0));
  const __m256i crFactors = _mm256_unpacklo_epi32(FactorPair(kCrR, kCrG), FactorPair(kCrB, 0));
  const __m256i greenTimes65536 = _mm256_slli_epi32(_mm256_and_si256(rgba, _mm256_set1_epi32(0xFF00)), 8);
  EightPixels out;
  out.y = _mm256_srli_epi32(_mm256_add_epi32(_mm256_add_epi32(Weighed(firstTwo, lastTwo, lumaFactors), greenTimes65536),
                                             _mm256_set1_epi32(kYOffset)),
                            kShift);
  out.cb = _mm256_srli_epi32(_mm256_add_epi32(Weighed(firstTwo, lastTwo, cbFactors), _mm256_set1_epi32(kChromaOffset)),
                             kShift);
  out.cr = _mm256_srli_epi32(_mm256_add_epi32(Weighed(firstTwo, lastTwo, crFactors), _mm256_set1_epi32(kChromaOffset)),
                             kShift);
  out.alpha = _mm256_srli_epi32(rgba, 24);
  return out;
}

inline __m256i ShiftedSums(__m256i a, __m256i b) {
  return _mm256_packs_epi32(_mm256_srai_epi32(a, kShift), _mm256_srai_epi32(b, kShift));
}

// The split factors of the SSE2 file.
inline __m256i Sums(__m256i lumaPairs, __m256i chromaPairs, int which) {
  const __m256i luma = _mm256_add_epi32(_mm256_madd_epi16(lumaPairs, FactorPair(kY - 65536, kHalf / 2)),
                                        _mm256_slli_epi32(lumaPairs, 16));
  const __m256i crTimes65536 = _mm256_and_si256(chromaPairs, _mm256_set1_epi32(static_cast<int>(0xFFFF0000u)));
  switch (which) {
    case 0:
      return _mm256_add_epi32(_mm256_add_epi32(luma, _mm256_madd_epi16(chromaPairs, FactorPair(0, kRCr - 131072))),
                              _mm256_slli_epi32(crTimes65536, 1));
    case 1:
      return _mm256_sub_epi32(_mm256_add_epi32(luma, _mm256_madd_epi16(chromaPairs, FactorPair(-kGCb, 65536 - kGCr))),
                              crTimes65536);
    default:
      return _mm256_add_epi32(_mm256_add_epi32(luma, _mm256_madd_epi16(chromaPairs, FactorPair(kBCb - 131072, 0))),
                              _mm256_slli_epi32(chromaPairs, 17));
  }
}

struct SixteenPixels {
  __m256i r, g, b;  // 16-bit lanes in order, clamped to 0..255
};

// Sixteen pixels: Y' - 16, Cb - 128 and Cr - 128 in 16-bit lanes, in order.
// The in-half unpacks and packs undo each other's order.
inline SixteenPixels ToRgb(__m256i luma, __m256i cb, __m256i cr) {
  const __m256i two = _mm256_set1_epi16(2);
  const __m256i lumaLow = _mm256_unpacklo_epi16(luma, two), lumaHigh = _mm256_unpackhi_epi16(luma, two);
  const __m256i chromaLow = _mm256_unpacklo_epi16(cb, cr), chromaHigh = _mm256_unpackhi_epi16(cb, cr);
  SixteenPixels out;
  out.r = ShiftedSums(Sums(lumaLow, chromaLow, 0), Sums(lumaHigh, chromaHigh, 0));
  out.g = ShiftedSums(Sums(lumaLow, chromaLow, 1), Sums(lumaHigh, chromaHigh, 1));
  out.b = ShiftedSums(Sums(lumaLow, chromaLow, 2), Sums(lumaHigh, chromaHigh, 2));
  return out;
}

inline SixteenPixels ToRgbAt(const uint8_t* y, const uint8_t* cb, const uint8_t* cr) {
  const __m256i sixteen = _mm256_set1_epi16(16), half = _mm256_set1_epi16(128);
  return ToRgb(_mm256_sub_epi16(LoadWide(y), sixteen), _mm256_sub_epi16(LoadWide(cb), half),
               _mm256_sub_epi16(LoadWide(cr), half));
}

// As the SSE2 file, sixteen outputs in 16-bit lanes.
inline __m256i SixteenDownsampled(const uint8_t* in, size_t j) {
  const __m256i lowBytes = _mm256_set1_epi16(0x00FF);
  const __m256i here = Load(in + 2 * j), before = Load(in + 2 * j - 2);
  const __m256i centre = _mm256_and_si256(here, lowBytes);
  const __m256i sum = _mm256_add_epi16(_mm256_add_epi16(_mm256_srli_epi16(before, 8), _mm256_srli_epi16(here, 8)),
                                       _mm256_add_epi16(_mm256_add_epi16(centre, centre), _mm256_set1_epi16(2)));
  return _mm256_srli_epi16(sum, 2);
}

}  // namespace

KAVRO_ENTRY void PackYuy2Avx2(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, size_t pairs, uint8_t* yuy2) {
  size_t j = 0;
  for (; j + 32 <= pairs; j += 32) {
    const __m256i blue = Load(cb + j), red = Load(cr + j);
    const __m256i chromaA = _mm256_unpacklo_epi8(blue, red);  // pairs 0..7 | 16..23
    const __m256i chromaB = _mm256_unpackhi_epi8(blue, red);  // pairs 8..15 | 24..31
    const __m256i first = Load(y + 2 * j), second = Load(y + 2 * j + 32);
    const __m256i lumaA = _mm256_permute2x128_si256(first, second, 0x20);
    const __m256i lumaB = _mm256_permute2x128_si256(first, second, 0x31);
    const __m256i a0 = _mm256_unpacklo_epi8(lumaA, chromaA), a1 = _mm256_unpackhi_epi8(lumaA, chromaA);
    const __m256i b0 = _mm256_unpacklo_epi8(lumaB, chromaB), b1 = _mm256_unpackhi_epi8(lumaB, chromaB);
    uint8_t* out = yuy2 + 4 * j;
    Store(out, _mm256_permute2x128_si256(a0, a1, 0x20));
    Store(out + 32, _mm256_permute2x128_si256(b0, b1, 0x20));
    Store(out + 64, _mm256_permute2x128_si256(a0, a1, 0x31));
    Store(out + 96, _mm256_permute2x128_si256(b0, b1, 0x31));
  }
  PackYuy2Reference(y + 2 * j, cb + j, cr + j, pairs - j, yuy2 + 4 * j);
}

KAVRO_ENTRY void UnpackYuy2Avx2(const uint8_t* yuy2, size_t pairs, uint8_t* y, uint8_t* cb, uint8_t* cr) {
  const __m256i lowBytes = _mm256_set1_epi16(0x00FF);
  size_t j = 0;
  for (; j + 32 <= pairs; j += 32) {
    const uint8_t* in = yuy2 + 4 * j;
    const __m256i a = Load(in), b = Load(in + 32), c = Load(in + 64), d = Load(in + 96);
    const __m256i lumaAB = _mm256_packus_epi16(_mm256_and_si256(a, lowBytes), _mm256_and_si256(b, lowBytes));
    const __m256i lumaCD = _mm256_packus_epi16(_mm256_and_si256(c, lowBytes), _mm256_and_si256(d, lowBytes));
    Store(y + 2 * j, _mm256_permute4x64_epi64(lumaAB, 0xD8));
    Store(y + 2 * j + 32, _mm256_permute4x64_epi64(lumaCD, 0xD8));
    const __m256i chromaAB = _mm256_packus_epi16(_mm256_srli_epi16(a, 8), _mm256_srli_epi16(b, 8));
    const __m256i chromaCD = _mm256_packus_epi16(_mm256_srli_epi16(c, 8), _mm256_srli_epi16(d, 8));
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    Store(cb + j,
          _mm256_permutevar8x32_epi32(
              _mm256_packus_epi16(_mm256_and_si256(chromaAB, lowBytes), _mm256_and_si256(chromaCD, lowBytes)), order));
    Store(cr + j, _mm256_permutevar8x32_epi32(
                      _mm256_packus_epi16(_mm256_srli_epi16(chromaAB, 8), _mm256_srli_epi16(chromaCD, 8)), order));
  }
  UnpackYuy2Reference(yuy2 + 4 * j, pairs - j, y + 2 * j, cb + j, cr + j);
}

KAVRO_ENTRY void RgbaToYCbCrAvx2(const uint8_t* rgba, size_t width, uint8_t* y, uint8_t* cb, uint8_t* cr,
                                 uint8_t* alpha) {
  size_t x = 0;
  for (; x + 32 <= width; x += 32) {
    const uint8_t* in = rgba + 4 * x;
    const EightPixels a = ToYCbCr(Load(in)), b = ToYCbCr(Load(in + 32)), c = ToYCbCr(Load(in + 64)),
                      d = ToYCbCr(Load(in + 96));
    Store(y + x, Bytes(a.y, b.y, c.y, d.y));
    Store(cb + x, Bytes(a.cb, b.cb, c.cb, d.cb));
    Store(cr + x, Bytes(a.cr, b.cr, c.cr, d.cr));
    Store(alpha + x, Bytes(a.alpha, b.alpha, c.alpha, d.alpha));
  }
  RgbaToYCbCrReference(rgba + 4 * x, width - x, y + x, cb + x, cr + x, alpha + x);
}

KAVRO_ENTRY void YCbCrToRgbaAvx2(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, const uint8_t* alpha,
                                 size_t width, uint8_t* rgba) {
  size_t x = 0;
  for (; x + 32 <= width; x += 32) {
    const SixteenPixels low = ToRgbAt(y + x, cb + x, cr + x), high = ToRgbAt(y + x + 16, cb + x + 16, cr + x + 16);
    // Bytes of pixels 0..7 and 16..23 | 8..15 and 24..31; alpha put in the same order.
    const __m256i r = _mm256_packus_epi16(low.r, high.r), g = _mm256_packus_epi16(low.g, high.g),
                  b = _mm256_packus_epi16(low.b, high.b), a = _mm256_permute4x64_epi64(Load(alpha + x), 0xD8);
    const __m256i redGreenLow = _mm256_unpacklo_epi8(r, g), redGreenHigh = _mm256_unpackhi_epi8(r, g);
    const __m256i blueAlphaLow = _mm256_unpacklo_epi8(b, a), blueAlphaHigh = _mm256_unpackhi_epi8(b, a);
    // Pixels 0..3 | 8..11, 4..7 | 12..15, 16..19 | 24..27, 20..23 | 28..31.
    const __m256i p0 = _mm256_unpacklo_epi16(redGreenLow, blueAlphaLow);
    const __m256i p1 = _mm256_unpackhi_epi16(redGreenLow, blueAlphaLow);
    const __m256i p2 = _mm256_unpacklo_epi16(redGreenHigh, blueAlphaHigh);
    const __m256i p3 = _mm256_unpackhi_epi16(redGreenHigh, blueAlphaHigh);
    uint8_t* out = rgba + 4 * x;
    Store(out, _mm256_permute2x128_si256(p0, p1, 0x20));
    Store(out + 32, _mm256_permute2x128_si256(p0, p1, 0x31));
    Store(out + 64, _mm256_permute2x128_si256(p2, p3, 0x20));
    Store(out + 96, _mm256_permute2x128_si256(p2, p3, 0x31));
  }
  YCbCrToRgbaReference(y + x, cb + x, cr + x, alpha + x, width - x, rgba + 4 * x);
}

KAVRO_ENTRY void DownsampleChromaAvx2(const uint8_t* in, size_t lumaWidth, uint8_t* out) {
  const size_t samples = (lumaWidth + 1) / 2;
  if (samples == 0) return;
  out[0] = chroma::Downsampled(in, lumaWidth, 0);
  size_t j = 1;
  for (; 2 * j + 63 < lumaWidth; j += 32) {
    const __m256i packed = _mm256_packus_epi16(SixteenDownsampled(in, j), SixteenDownsampled(in, j + 16));
    Store(out + j, _mm256_permute4x64_epi64(packed, 0xD8));
  }
  for (; j < samples; ++j) out[j] = chroma::Downsampled(in, lumaWidth, j);
}

}  // namespace kavro
