// One row of the mask blend as every variant sees it: the public entry turns
// the caller's offsets into pointers once, and picks the variant from the
// kernel's table of row functions.
#pragma once

#include <cstdint>

#include "platform/cpu/CpuLevel.h"

struct MaskBlendRow {
  uint8_t* out;              // the row's first pixel byte in the output frame (source A)
  const uint8_t* work;       // the same in the work frame (source B)
  uint8_t* outAlpha;         // the row's first alpha byte in the output frame
  const uint8_t* workAlpha;  // the same in the work frame
  const uint8_t* mask;       // the row's first mask byte
  uint32_t byteCount;        // pixel bytes to cover, 2 x width
  bool startsOnSecondPixel;  // the first mask byte sits at an odd offset
  uint8_t maskXor;           // 0x00 takes the stored mask byte as weight, 0xFF its complement
};

using MaskBlendRowFn = void(const MaskBlendRow& row);

// The kernel's row functions: a single one.
struct MaskBlendRowFunctions {
  MaskBlendRowFn* blendRow;
};

// Fills `table` with the reference row, then (on x86) the variant `level`,
// held to what this CPU runs, allows.
void InitMaskBlendRows(MaskBlendRowFunctions& table, CPU_LEVEL level);

// The table the public entry uses: the one for ActiveCpuLevel.
const MaskBlendRowFunctions& MaskBlendRows();

// The definition every other variant is held to, byte for byte.
MaskBlendRowFn BlendMaskRowReference;

namespace maskblend {
namespace {

// The row the public entry hands a variant: outputBuffer, workBuffer and the
// offsets as BlendMaskRowYUV422Alpha takes them.
inline MaskBlendRow RowAt(uint8_t* outputBuffer, const uint8_t* workBuffer, uint32_t rowOffset, uint32_t byteCount,
                          const uint8_t* maskBits, int32_t maskOffset, uint32_t alphaOffset, bool invert) {
  MaskBlendRow row;
  row.out = outputBuffer + rowOffset;
  row.work = workBuffer + rowOffset;
  row.outAlpha = outputBuffer + alphaOffset;
  row.workAlpha = workBuffer + alphaOffset;
  row.mask = maskBits + maskOffset;
  row.byteCount = byteCount;
  // Two's complement: a negative odd offset is odd here too.
  row.startsOnSecondPixel = (static_cast<uint32_t>(maskOffset) & 1u) != 0;
  row.maskXor = invert ? 0x00 : 0xFF;
  return row;
}

// The row with its first `pixels` mask and alpha bytes and `bytes` pixel
// bytes taken off. Callers only take off passes that finish a pair, so the
// rest starts on the first pixel of the next one.
inline MaskBlendRow Skip(const MaskBlendRow& row, uint32_t pixels, uint32_t bytes) {
  MaskBlendRow rest = row;
  rest.out += bytes;
  rest.work += bytes;
  rest.outAlpha += pixels;
  rest.workAlpha += pixels;
  rest.mask += pixels;
  rest.byteCount -= bytes;
  rest.startsOnSecondPixel = false;
  return rest;
}

// Drives a SIMD variant over a row: a pass that finishes a pair begun before
// the row, then whole steps of kPixels pixels (kPixels even, so each step
// starts on a pair), then `finish` (the reference unless a narrower variant
// is given) for the rest, a lone pixel included.
// `step` mixes kPixels pixels at (out, work, outAlpha, workAlpha, mask).
template <uint32_t kPixels, typename Xor, typename Step>
inline void RunRowInSteps(const MaskBlendRow& row, Xor maskXor, Step step,
                          MaskBlendRowFn* finish = BlendMaskRowReference) {
  MaskBlendRow rest = row;
  if (row.startsOnSecondPixel) {
    MaskBlendRow head = row;
    head.byteCount = row.byteCount < 4 ? row.byteCount : 4;
    BlendMaskRowReference(head);
    if (row.byteCount <= 4) return;
    rest = Skip(row, 1, 4);
  }

  const uint32_t steps = rest.byteCount / (2 * kPixels);
  // Locals, not the row's fields: stores through the byte pointers could
  // otherwise alias the row and force the fields to be read again.
  uint8_t* out = rest.out;
  const uint8_t* work = rest.work;
  uint8_t* outAlpha = rest.outAlpha;
  const uint8_t* workAlpha = rest.workAlpha;
  const uint8_t* mask = rest.mask;
  for (uint32_t i = 0; i < steps; ++i) {
    step(out, work, outAlpha, workAlpha, mask, maskXor);
    out += 2 * kPixels;
    work += 2 * kPixels;
    outAlpha += kPixels;
    workAlpha += kPixels;
    mask += kPixels;
  }

  const MaskBlendRow tail = Skip(rest, kPixels * steps, 2 * kPixels * steps);
  if (tail.byteCount != 0) finish(tail);
}

}  // namespace
}  // namespace maskblend
