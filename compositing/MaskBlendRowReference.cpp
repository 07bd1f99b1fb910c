// The reference row: one pixel per pass, in the order and with the
// truncating divisions that define the blend. Plain C++ on purpose; it is
// what the SIMD variants are compared against.
#include "MaskBlendArithmetic.h"
#include "MaskBlendRow.h"

using maskblend::kFull;
using maskblend::Weigh;

namespace {

// A trailing lone pixel (odd width): luma and its one chroma byte, both with
// this pixel's alpha and weight. That is what the pair formula gives when the
// missing second pixel has the same weight (its /510 sum is then twice a /255
// sum), and it keeps every access inside the row.
void BlendLonePixel(const MaskBlendRow& row, uint32_t k, uint32_t i) {
  const int32_t m = row.mask[i] ^ row.maskXor;
  const int32_t a = row.outAlpha[i];
  row.outAlpha[i] = static_cast<uint8_t>(Weigh(a, row.workAlpha[i], a) / 255);
  for (uint32_t x = k; x < k + 2; ++x) {
    const int32_t premixed = Weigh(row.out[x], row.work[x], a) / 255;
    row.out[x] = static_cast<uint8_t>(Weigh(row.work[x], premixed, m) / 255);
  }
}

}  // namespace

void BlendMaskRowReference(const MaskBlendRow& row) {
  uint8_t* const out = row.out;
  const uint8_t* const work = row.work;
  // What the first pixel of a pair leaves for the second: the pre-mixed
  // chroma bytes (t) and their weighed sums (c). A row that starts on a
  // second pixel finds 255 in them.
  int32_t c1 = 255, c3 = 255, t1 = 255, t3 = 255;

  // k: first byte of the current pair; i: the pass, indexing mask and alpha.
  uint32_t k = 0;
  for (uint32_t i = 0; k < row.byteCount; ++i) {
    const bool firstOfPair = ((i + (row.startsOnSecondPixel ? 1u : 0u)) & 1u) == 0;
    if (row.byteCount - k < 4) {
      // The pair would run past the row.
      if (firstOfPair && row.byteCount - k >= 2) BlendLonePixel(row, k, i);
      return;
    }

    const int32_t m = row.mask[i] ^ row.maskXor;
    const int32_t n = kFull - m;
    // Source A's alpha, read before it is rewritten; the mask does not enter it.
    const int32_t a = row.outAlpha[i];
    row.outAlpha[i] = static_cast<uint8_t>(Weigh(a, row.workAlpha[i], a) / 255);
    // Source A laid over source B by A's alpha, truncated before the mask mix.
    const auto premix = [&](uint32_t x) { return Weigh(out[x], work[x], a) / 255; };

    if (firstOfPair) {
      out[k] = static_cast<uint8_t>(Weigh(work[k], premix(k), m) / 255);
      t1 = premix(k + 1);
      c1 = work[k + 1] * m + t1 * n;
      t3 = premix(k + 3);
      c3 = work[k + 3] * m + t3 * n;
    } else {
      out[k + 2] = static_cast<uint8_t>(Weigh(work[k + 2], premix(k + 2), m) / 255);
      // The pair's chroma, pre-mixed with the first pixel's alpha, under both
      // weights at once.
      out[k + 1] = static_cast<uint8_t>((work[k + 1] * m + t1 * n + c1) / 510);
      out[k + 3] = static_cast<uint8_t>((work[k + 3] * m + t3 * n + c3) / 510);
      k += 4;
    }
  }
}
