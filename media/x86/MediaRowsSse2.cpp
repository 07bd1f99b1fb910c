// SSE2 rows: sixteen pixels (or pixel pairs) a step, the rest of a row by
// the reference. Built with -msse2; only called when the CPU has SSE2.
#include <emmintrin.h>

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

inline __m128i Load(const uint8_t* from) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(from)); }
inline void Store(uint8_t* to, __m128i value) { _mm_storeu_si128(reinterpret_cast<__m128i*>(to), value); }

// Two 16-bit factors in each 32-bit lane, for a multiply-add: `low` meets
// the lane's low half.
inline __m128i FactorPair(int low, int high) {
  return _mm_set1_epi32(
      static_cast<int>(static_cast<uint16_t>(low) | static_cast<uint32_t>(static_cast<uint16_t>(high)) << 16));
}

// Four 32-bit values of 0..255 each, in four vectors, to sixteen bytes in order.
inline __m128i Bytes(__m128i a, __m128i b, __m128i c, __m128i d) {
  return _mm_packus_epi16(_mm_packs_epi32(a, b), _mm_packs_epi32(c, d));
}

// R G B A of two pixels in 16-bit lanes, multiplied by factors (r, g, b, 0)
// and the products of each pixel added up: four pixels' sums.
inline __m128i Weighed(__m128i firstTwo, __m128i lastTwo, __m128i factors) {
  const __m128 first = _mm_castsi128_ps(_mm_madd_epi16(firstTwo, factors));  // r+g, b of pixel 0, of pixel 1
  const __m128 last = _mm_castsi128_ps(_mm_madd_epi16(lastTwo, factors));
  return _mm_add_epi32(_mm_castps_si128(_mm_shuffle_ps(first, last, _MM_SHUFFLE(2, 0, 2, 0))),
                       _mm_castps_si128(_mm_shuffle_ps(first, last, _MM_SHUFFLE(3, 1, 3, 1))));
}

struct FourPixels {
  __m128i y, cb, cr, alpha;  // 32-bit lanes
};

// The green factor of Y' does not fit 16 signed bits: the multiply-add takes
// it less 65536, and green times 65536 is added back by a shift.
inline FourPixels ToYCbCr(__m128i rgba) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i firstTwo = _mm_unpacklo_epi8(rgba, zero), lastTwo = _mm_unpackhi_epi8(rgba, zero);
  const __m128i lumaFactors = _mm_unpacklo_epi32(FactorPair(kYr, kYg - 65536), FactorPair(kYb, 0));
  const __m128i cbFactors = _mm_unpacklo_epi32(FactorPair(kCbR, kCbG), FactorPair(kCbB, 0));
  const __m128i crFactors = _mm_unpacklo_epi32(FactorPair(kCrR, kCrG), FactorPair(kCrB, 0));
  const __m128i greenTimes65536 = _mm_slli_epi32(_mm_and_si128(rgba, _mm_set1_epi32(0xFF00)), 8);
  FourPixels out;
  out.y = _mm_srli_epi32(
      _mm_add_epi32(_mm_add_epi32(Weighed(firstTwo, lastTwo, lumaFactors), greenTimes65536), _mm_set1_epi32(kYOffset)),
      kShift);
  out.cb = _mm_srli_epi32(_mm_add_epi32(Weighed(firstTwo, lastTwo, cbFactors), _mm_set1_epi32(kChromaOffset)), kShift);
  out.cr = _mm_srli_epi32(_mm_add_epi32(Weighed(firstTwo, lastTwo, crFactors), _mm_set1_epi32(kChromaOffset)), kShift);
  out.alpha = _mm_srli_epi32(rgba, 24);
  return out;
}

// Sums in 32-bit lanes to bytes as ClampShifted does, through saturating packs.
inline __m128i ShiftedSums(__m128i a, __m128i b) {
  return _mm_packs_epi32(_mm_srai_epi32(a, kShift), _mm_srai_epi32(b, kShift));
}

struct EightPixels {
  __m128i r, g, b;  // 16-bit lanes, clamped to 0..255
};

// Factors over 16 signed bits are split: Y' times 76309 is 65536 + 10773
// times Y', and the 2 beside Y' in its lane times 16384 adds the rounding
// half; red takes 131072 - 13583 times Cr, blue 131072 + 7366 times Cb,
// green 30611 - 65536 times Cr. The multiples of 65536 come from shifts of
// the lanes: a lane's high half shifted by its position is that value times
// 65536.
inline __m128i Sums(__m128i lumaPairs, __m128i chromaPairs, int which) {
  const __m128i luma =
      _mm_add_epi32(_mm_madd_epi16(lumaPairs, FactorPair(kY - 65536, kHalf / 2)), _mm_slli_epi32(lumaPairs, 16));
  const __m128i crTimes65536 = _mm_and_si128(chromaPairs, _mm_set1_epi32(static_cast<int>(0xFFFF0000u)));
  switch (which) {
    case 0:
      return _mm_add_epi32(_mm_add_epi32(luma, _mm_madd_epi16(chromaPairs, FactorPair(0, kRCr - 131072))),
                           _mm_slli_epi32(crTimes65536, 1));
    case 1:
      return _mm_sub_epi32(_mm_add_epi32(luma, _mm_madd_epi16(chromaPairs, FactorPair(-kGCb, 65536 - kGCr))),
                           crTimes65536);
    default:
      return _mm_add_epi32(_mm_add_epi32(luma, _mm_madd_epi16(chromaPairs, FactorPair(kBCb - 131072, 0))),
                           _mm_slli_epi32(chromaPairs, 17));
  }
}

// Eight pixels: Y' - 16, Cb - 128 and Cr - 128 in 16-bit lanes.
inline EightPixels ToRgb(__m128i luma, __m128i cb, __m128i cr) {
  const __m128i two = _mm_set1_epi16(2);
  const __m128i lumaLow = _mm_unpacklo_epi16(luma, two), lumaHigh = _mm_unpackhi_epi16(luma, two);
  const __m128i chromaLow = _mm_unpacklo_epi16(cb, cr), chromaHigh = _mm_unpackhi_epi16(cb, cr);
  EightPixels out;
  out.r = ShiftedSums(Sums(lumaLow, chromaLow, 0), Sums(lumaHigh, chromaHigh, 0));
  out.g = ShiftedSums(Sums(lumaLow, chromaLow, 1), Sums(lumaHigh, chromaHigh, 1));
  out.b = ShiftedSums(Sums(lumaLow, chromaLow, 2), Sums(lumaHigh, chromaHigh, 2));
  return out;
}

// Eight outputs from in[2j - 2] on: (left + 2 centre + right + 2) / 4 in 16-bit lanes.
inline __m128i EightDownsampled(const uint8_t* in, size_t j) {
  const __m128i lowBytes = _mm_set1_epi16(0x00FF);
  const __m128i here = Load(in + 2 * j), before = Load(in + 2 * j - 2);
  const __m128i centre = _mm_and_si128(here, lowBytes);
  const __m128i sum = _mm_add_epi16(_mm_add_epi16(_mm_srli_epi16(before, 8), _mm_srli_epi16(here, 8)),
                                    _mm_add_epi16(_mm_add_epi16(centre, centre), _mm_set1_epi16(2)));
  return _mm_srli_epi16(sum, 2);
}

}  // namespace

KAVRO_ENTRY void PackYuy2Sse2(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, size_t pairs, uint8_t* yuy2) {
  size_t j = 0;
  for (; j + 16 <= pairs; j += 16) {
    const __m128i chromaLow = _mm_unpacklo_epi8(Load(cb + j), Load(cr + j));  // Cb Cr of pairs 0..7
    const __m128i chromaHigh = _mm_unpackhi_epi8(Load(cb + j), Load(cr + j));
    const __m128i lumaLow = Load(y + 2 * j), lumaHigh = Load(y + 2 * j + 16);
    uint8_t* out = yuy2 + 4 * j;
    Store(out, _mm_unpacklo_epi8(lumaLow, chromaLow));
    Store(out + 16, _mm_unpackhi_epi8(lumaLow, chromaLow));
    Store(out + 32, _mm_unpacklo_epi8(lumaHigh, chromaHigh));
    Store(out + 48, _mm_unpackhi_epi8(lumaHigh, chromaHigh));
  }
  PackYuy2Reference(y + 2 * j, cb + j, cr + j, pairs - j, yuy2 + 4 * j);
}

KAVRO_ENTRY void RgbaToYCbCrSse2(const uint8_t* rgba, size_t width, uint8_t* y, uint8_t* cb, uint8_t* cr,
                                 uint8_t* alpha) {
  size_t x = 0;
  for (; x + 16 <= width; x += 16) {
    const uint8_t* in = rgba + 4 * x;
    const FourPixels a = ToYCbCr(Load(in)), b = ToYCbCr(Load(in + 16)), c = ToYCbCr(Load(in + 32)),
                     d = ToYCbCr(Load(in + 48));
    Store(y + x, Bytes(a.y, b.y, c.y, d.y));
    Store(cb + x, Bytes(a.cb, b.cb, c.cb, d.cb));
    Store(cr + x, Bytes(a.cr, b.cr, c.cr, d.cr));
    Store(alpha + x, Bytes(a.alpha, b.alpha, c.alpha, d.alpha));
  }
  RgbaToYCbCrReference(rgba + 4 * x, width - x, y + x, cb + x, cr + x, alpha + x);
}

KAVRO_ENTRY void YCbCrToRgbaSse2(const uint8_t* y, const uint8_t* cb, const uint8_t* cr, const uint8_t* alpha,
                                 size_t width, uint8_t* rgba) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i sixteen = _mm_set1_epi16(16), half = _mm_set1_epi16(128);
  size_t x = 0;
  for (; x + 16 <= width; x += 16) {
    const __m128i luma = Load(y + x), blue = Load(cb + x), red = Load(cr + x);
    const EightPixels low =
        ToRgb(_mm_sub_epi16(_mm_unpacklo_epi8(luma, zero), sixteen), _mm_sub_epi16(_mm_unpacklo_epi8(blue, zero), half),
              _mm_sub_epi16(_mm_unpacklo_epi8(red, zero), half));
    const EightPixels high =
        ToRgb(_mm_sub_epi16(_mm_unpackhi_epi8(luma, zero), sixteen), _mm_sub_epi16(_mm_unpackhi_epi8(blue, zero), half),
              _mm_sub_epi16(_mm_unpackhi_epi8(red, zero), half));
    const __m128i r = _mm_packus_epi16(low.r, high.r), g = _mm_packus_epi16(low.g, high.g),
                  b = _mm_packus_epi16(low.b, high.b), a = Load(alpha + x);
    const __m128i redGreenLow = _mm_unpacklo_epi8(r, g), redGreenHigh = _mm_unpackhi_epi8(r, g);
    const __m128i blueAlphaLow = _mm_unpacklo_epi8(b, a), blueAlphaHigh = _mm_unpackhi_epi8(b, a);
    uint8_t* out = rgba + 4 * x;
    Store(out, _mm_unpacklo_epi16(redGreenLow, blueAlphaLow));
    Store(out + 16, _mm_unpackhi_epi16(redGreenLow, blueAlphaLow));
    Store(out + 32, _mm_unpacklo_epi16(redGreenHigh, blueAlphaHigh));
    Store(out + 48, _mm_unpackhi_epi16(redGreenHigh, blueAlphaHigh));
  }
  YCbCrToRgbaReference(y + x, cb + x, cr + x, alpha + x, width - x, rgba + 4 * x);
}

// Outputs with all three taps inside the row sixteen at a time, the edges
// one by one.
KAVRO_ENTRY void DownsampleChromaSse2(const uint8_t* in, size_t lumaWidth, uint8_t* out) {
  const size_t samples = (lumaWidth + 1) / 2;
  if (samples == 0) return;
  out[0] = chroma::Downsampled(in, lumaWidth, 0);
  size_t j = 1;
  for (; 2 * j + 31 < lumaWidth; j += 16) {
    Store(out + j, _mm_packus_epi16(EightDownsampled(in, j), EightDownsampled(in, j + 8)));
  }
  for (; j < samples; ++j) out[j] = chroma::Downsampled(in, lumaWidth, j);
}

// Samples with a right neighbour sixteen at a time: each followed by its
// mean with that neighbour.
KAVRO_ENTRY void UpsampleChromaSse2(const uint8_t* in, size_t lumaWidth, uint8_t* out) {
  const size_t samples = (lumaWidth + 1) / 2;
  size_t j = 0;
  for (; j + 16 < samples; j += 16) {
    const __m128i here = Load(in + j), mean = _mm_avg_epu8(here, Load(in + j + 1));
    Store(out + 2 * j, _mm_unpacklo_epi8(here, mean));
    Store(out + 2 * j + 16, _mm_unpackhi_epi8(here, mean));
  }
  for (size_t x = 2 * j; x < lumaWidth; ++x) out[x] = chroma::Upsampled(in, lumaWidth, x);
}

}  // namespace kavro
