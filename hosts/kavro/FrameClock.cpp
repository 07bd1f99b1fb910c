#include "FrameClock.h"

namespace kavro {

namespace {

uint64_t GreatestCommonDivisor(uint64_t a, uint64_t b) {
  while (b) {
    const uint64_t rest = a % b;
    a = b;
    b = rest;
  }
  return a;
}

struct Quotient {
  uint64_t whole = 0;
  bool exact = true;
};

// value * factor / divisor through a 128-bit product, since both terms of
// a ratio of two 32-bit rates can take 64 bits; 32-bit targets have no
// 128-bit integers. A quotient beyond 64 bits saturates.
Quotient MultiplyDivide(uint64_t value, uint64_t factor, uint64_t divisor) {
  const uint64_t mask = 0xFFFFFFFFu;
  const uint64_t low = (value & mask) * (factor & mask), cross1 = (value & mask) * (factor >> 32),
                 cross2 = (value >> 32) * (factor & mask), high = (value >> 32) * (factor >> 32);
  const uint64_t middle = (low >> 32) + (cross1 & mask) + (cross2 & mask);
  uint64_t productLow = (low & mask) | (middle << 32);
  uint64_t remainder = high + (cross1 >> 32) + (cross2 >> 32) + (middle >> 32);
  if (remainder >= divisor) return {UINT64_MAX, false};
  Quotient quotient;
  for (int bit = 0; bit < 64; ++bit) {
    const bool carry = (remainder >> 63) != 0;
    remainder = (remainder << 1) | (productLow >> 63);
    productLow <<= 1;
    quotient.whole <<= 1;
    if (carry || remainder >= divisor) {
      remainder -= divisor;
      quotient.whole |= 1;
    }
  }
  quotient.exact = remainder == 0;
  return quotient;
}

}  // namespace

FrameClock::FrameClock(uint32_t outputNumerator, uint32_t outputDenominator, uint32_t clipNumerator,
                       uint32_t clipDenominator)
    : clipFrames_(uint64_t{outputDenominator} * clipNumerator),
      outputFrames_(uint64_t{outputNumerator} * clipDenominator) {
  const uint64_t divisor = GreatestCommonDivisor(clipFrames_, outputFrames_);
  if (divisor > 1) {
    clipFrames_ /= divisor;
    outputFrames_ /= divisor;
  }
}

uint64_t FrameClock::ClipFrameAt(uint64_t outputFrame) const {
  return MultiplyDivide(outputFrame, clipFrames_, outputFrames_).whole;
}

uint64_t FrameClock::OutputFramesWithin(uint64_t clipFrames) const {
  const Quotient quotient = MultiplyDivide(clipFrames, outputFrames_, clipFrames_);
  return quotient.exact || quotient.whole == UINT64_MAX ? quotient.whole : quotient.whole + 1;
}

}  // namespace kavro
