// The mask blend's rows at every level against the reference, byte for
// byte: the same seeded random and extreme rows through both into
// guard-padded frames, at every width up to three of the widest steps and
// at frame widths, from unaligned offsets.
#include <cstdint>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "checkasm.h"
#include "compositing/MaskBlendRow.h"
#include "tests/support/TestSeed.h"
#if defined(__i386__) || defined(__x86_64__)
#include "compositing/x86/MaskBlendRowX86.h"
#endif

namespace {

// How the bytes of one plane are drawn.
enum Fill { RANDOM, ZERO, FULL, EXTREMES, NEAR_EXTREMES, ALTERNATING };

struct Contents {
  const char* name;
  Fill pixels, outAlpha, workAlpha, mask;
};

const Contents kContents[] = {
    {"random", RANDOM, RANDOM, RANDOM, RANDOM},
    {"transparent output", RANDOM, ZERO, RANDOM, RANDOM},
    {"opaque output", RANDOM, FULL, RANDOM, RANDOM},
    {"mask 0", RANDOM, RANDOM, RANDOM, ZERO},
    {"mask 255", RANDOM, RANDOM, RANDOM, FULL},
    {"all 0 or 255", EXTREMES, EXTREMES, EXTREMES, EXTREMES},
    {"near 0 or 255", NEAR_EXTREMES, NEAR_EXTREMES, NEAR_EXTREMES, NEAR_EXTREMES},
    {"opaque, extreme mask", RANDOM, FULL, ZERO, EXTREMES},
    {"alternating 0 and 255", ALTERNATING, ALTERNATING, ALTERNATING, ALTERNATING},
};

void FillBytes(std::mt19937& random, uint8_t* bytes, uint32_t count, Fill fill) {
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t r = random();
    switch (fill) {
      case RANDOM:
        bytes[i] = static_cast<uint8_t>(r);
        break;
      case ZERO:
        bytes[i] = 0;
        break;
      case FULL:
        bytes[i] = 255;
        break;
      case EXTREMES:
        bytes[i] = r & 1 ? 255 : 0;
        break;
      case NEAR_EXTREMES:
        bytes[i] = static_cast<uint8_t>(r & 1 ? 255 - (r >> 1) % 3 : (r >> 1) % 3);
        break;
      case ALTERNATING:
        bytes[i] = i & 1 ? 255 : 0;
        break;
    }
  }
}

struct RowCase {
  uint32_t width;
  bool oddMaskOffset;
  bool invert;
  const Contents* contents;
};

std::string Describe(const RowCase& c, uint32_t rowOffset, uint32_t alphaOffset, int32_t maskOffset) {
  std::ostringstream text;
  text << SeedNote() << ", width " << c.width << ", " << c.contents->name << ", invert " << c.invert << ", rowOffset "
       << rowOffset << ", alphaOffset " << alphaOffset << ", maskOffset " << maskOffset;
  return text.str();
}

// The first byte where the variant and the reference differ, named by where
// it lies in the frame.
::testing::AssertionResult SameFrame(const std::vector<uint8_t>& expected, const std::vector<uint8_t>& actual,
                                     uint32_t rowOffset, uint32_t alphaOffset, uint32_t width) {
  for (uint32_t i = 0; i < expected.size(); ++i) {
    if (expected[i] == actual[i]) continue;
    std::ostringstream where;
    if (i >= rowOffset && i < rowOffset + 2 * width) {
      where << "pixel byte " << i - rowOffset << " (group " << (i - rowOffset) / 4 << ", role "
            << "YUYV"[(i - rowOffset) % 4] << ")";
    } else if (i >= alphaOffset && i < alphaOffset + width) {
      where << "alpha byte " << i - alphaOffset;
    } else {
      where << "frame byte " << i << ", outside the row";
    }
    return ::testing::AssertionFailure() << where.str() << ": reference " << int{expected[i]} << ", variant "
                                         << int{actual[i]};
  }
  return ::testing::AssertionSuccess();
}

// Nothing but the row's 2 x width pixel bytes and width alpha bytes changed.
::testing::AssertionResult OnlyTheRowChanged(const std::vector<uint8_t>& before, const std::vector<uint8_t>& after,
                                             uint32_t rowOffset, uint32_t alphaOffset, uint32_t width) {
  for (uint32_t i = 0; i < before.size(); ++i) {
    const bool inRow = i >= rowOffset && i < rowOffset + 2 * width;
    const bool inAlpha = i >= alphaOffset && i < alphaOffset + width;
    if (!inRow && !inAlpha && before[i] != after[i]) {
      return ::testing::AssertionFailure() << "frame byte " << i << " outside the row was written";
    }
  }
  return ::testing::AssertionSuccess();
}

// One row through the reference and through the variant.
void Check(std::mt19937& random, const RowCase& c, MaskBlendRowFn* reference, MaskBlendRowFn* variant) {
  // Frames: guard bytes, the row's pixels, a gap, its alpha bytes. The
  // work frame ends right after the alpha bytes and the mask array right
  // after the row's mask bytes, so an over-read falls off the allocation
  // (AddressSanitizer reports it); the output frame keeps a trailing guard
  // to catch stray writes on every target.
  const uint32_t byteCount = 2 * c.width;
  const uint32_t rowOffset = random() % 40;
  const uint32_t alphaOffset = rowOffset + byteCount + random() % 40;
  const int32_t maskOffset = static_cast<int32_t>(2 * (random() % 20) + (c.oddMaskOffset ? 1 : 0));

  std::vector<uint8_t> output(alphaOffset + c.width + 40);
  std::vector<uint8_t> work(alphaOffset + c.width);
  std::vector<uint8_t> mask(static_cast<uint32_t>(maskOffset) + c.width);
  FillBytes(random, output.data(), static_cast<uint32_t>(output.size()), RANDOM);
  FillBytes(random, work.data(), static_cast<uint32_t>(work.size()), RANDOM);
  FillBytes(random, mask.data(), static_cast<uint32_t>(mask.size()), RANDOM);
  FillBytes(random, output.data() + rowOffset, byteCount, c.contents->pixels);
  FillBytes(random, work.data() + rowOffset, byteCount, c.contents->pixels);
  FillBytes(random, output.data() + alphaOffset, c.width, c.contents->outAlpha);
  FillBytes(random, work.data() + alphaOffset, c.width, c.contents->workAlpha);
  FillBytes(random, mask.data() + maskOffset, c.width, c.contents->mask);

  const std::vector<uint8_t> outputBefore = output, workBefore = work, maskBefore = mask;
  std::vector<uint8_t> expected = output;
  reference(maskblend::RowAt(expected.data(), work.data(), rowOffset, byteCount, mask.data(), maskOffset, alphaOffset,
                             c.invert));
  variant(maskblend::RowAt(output.data(), work.data(), rowOffset, byteCount, mask.data(), maskOffset, alphaOffset,
                           c.invert));

  const std::string description = Describe(c, rowOffset, alphaOffset, maskOffset);
  ASSERT_TRUE(OnlyTheRowChanged(outputBefore, output, rowOffset, alphaOffset, c.width)) << description;
  ASSERT_TRUE(SameFrame(expected, output, rowOffset, alphaOffset, c.width)) << description;
  ASSERT_TRUE(work == workBefore) << "the work frame changed; " << description;
  ASSERT_TRUE(mask == maskBefore) << "the mask changed; " << description;
}

void CheckWidths(const std::vector<uint32_t>& widths, MaskBlendRowFn* reference, MaskBlendRowFn* variant) {
  std::mt19937 random(RunSeed());
  for (const uint32_t width : widths) {
    for (const Contents& contents : kContents) {
      for (const bool oddMaskOffset : {false, true}) {
        for (const bool invert : {false, true}) {
          Check(random, RowCase{width, oddMaskOffset, invert, &contents}, reference, variant);
          if (::testing::Test::HasFatalFailure()) return;
        }
      }
    }
  }
}

void CheckBlendRow(const MaskBlendRowFunctions& reference, const MaskBlendRowFunctions& variant) {
  // Every width up to three steps of the widest variant past its odd-offset
  // head: each possible tail, odd widths (a lone last pixel) included.
  std::vector<uint32_t> everyTail;
  for (uint32_t width = 0; width <= 3 * 32 + 2; ++width) everyTail.push_back(width);
  CheckWidths(everyTail, reference.blendRow, variant.blendRow);
  if (::testing::Test::HasFatalFailure()) return;
  CheckWidths({719, 720, 1279, 1280, 1919, 1920}, reference.blendRow, variant.blendRow);
}

// A full-HD row of random bytes, mixed in place again and again.
checkasm::Call BenchBlendRow(const MaskBlendRowFunctions& table) {
  constexpr uint32_t kWidth = 1920;
  struct Frame {
    std::vector<uint8_t> output, work, mask;
  };
  auto frame = std::make_shared<Frame>();
  std::mt19937 random(RunSeed());
  for (auto* bytes : {&frame->output, &frame->work, &frame->mask}) {
    bytes->resize(3 * kWidth);
    FillBytes(random, bytes->data(), 3 * kWidth, RANDOM);
  }
  MaskBlendRowFn* const row = table.blendRow;
  return [frame, row] {
    row(maskblend::RowAt(frame->output.data(), frame->work.data(), 0, 2 * kWidth, frame->mask.data(), 0, 2 * kWidth,
                         false));
  };
}

// The reference, then the x86 rows of `level` whether this CPU has it or not.
void FillAtAnyLevel(MaskBlendRowFunctions& table, CPU_LEVEL level) {
  InitMaskBlendRows(table, CPU_LEVEL_BASELINE);
#if defined(__i386__) || defined(__x86_64__)
  InitMaskBlendRowsX86(table, level);
#else
  (void)level;
#endif
}

}  // namespace

void checkasm::RegisterMaskBlend() {
  Register(Family<MaskBlendRowFunctions>{
      "mask_blend",
      InitMaskBlendRows,
      FillAtAnyLevel,
      MaskBlendRows,
      {RowOf("blendRow", &MaskBlendRowFunctions::blendRow, CheckBlendRow, BenchBlendRow)}});
}
