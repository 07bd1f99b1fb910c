// The resizer's rows at every level against the reference, value for
// value: seeded random and extreme rows of every tail length, the taps of
// enlarging, mild and strong shrinking, one to four channels, and output
// ranges that start and stop anywhere, from unaligned starts. Inputs end
// where their readable values end (an over-read falls off the allocation,
// which AddressSanitizer reports); outputs sit between guard values.
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "checkasm.h"
#include "platform/pelt/ResizeRows.h"
#include "tests/platform/pelt/ResizeRowInputs.h"
#include "tests/support/TestSeed.h"
#if defined(__i386__) || defined(__x86_64__)
#include "platform/pelt/x86/ResizeRowsX86.h"
#endif

using namespace pelt;
using namespace resizetest;

namespace {

constexpr size_t kGuard = 24;

// A row `shift` values into its allocation, which ends where the row ends.
template <typename T>
struct Shifted {
  Shifted(const std::vector<T>& row, size_t shift) : values(shift), start(shift) {
    values.insert(values.end(), row.begin(), row.end());
  }
  const T* data() const { return values.data() + start; }
  std::vector<T> values;
  size_t start;
};

// An output row between guards, `shift` values off the first guard's end:
// the variant's and the reference's start alike.
template <typename T>
struct Guarded {
  Guarded(size_t count, size_t shift) : values(count + 2 * kGuard + shift, T(0x5A)), start(kGuard + shift) {}
  T* data() { return values.data() + start; }
  std::vector<T> values;
  size_t start;
};

template <typename In, typename Out>
void CheckHorizontal(std::mt19937& random, HorizontalRowFn<In, Out>* reference, HorizontalRowFn<In, Out>* variant,
                     const Axis& axis, size_t channels, Fill fill, bool even) {
  ResizeTaps taps;
  BuildResizeTaps(axis.from, axis.to, even, random() % 4 == 0 ? 0 : sizeof(In), taps);
  const TapTable table = taps.Table();
  const size_t outputs = taps.outputs;
  // Readable: exactly the row, or a row with its 32-bit padding.
  size_t readable = static_cast<size_t>(axis.from) * channels;
  if (random() & 1) readable = (readable + 3) / 4 * 4;
  const size_t shift = random() % 16;
  const Shifted<In> in(Values<In>(random, readable, fill), shift);
  size_t begin = 0, end = outputs;
  if (random() % 3 == 0) {
    begin = random() % (outputs + 1);
    end = begin + random() % (outputs - begin + 1);
  }
  Guarded<Out> expected(outputs * channels, shift), actual(outputs * channels, shift);
  reference(in.data(), readable, expected.data(), table, channels, begin, end);
  variant(in.data(), readable, actual.data(), table, channels, begin, end);
  ASSERT_TRUE(actual.values == expected.values)
      << SeedNote() << ": " << axis.from << " -> " << axis.to << ", " << channels << " channels, fill " << fill
      << ", outputs " << begin << " to " << end << ", taps " << taps.count << ", shifted by " << shift;
}

template <typename In, typename Out>
void CheckVertical(std::mt19937& random, VerticalRowFn<In, Out>* reference, VerticalRowFn<In, Out>* variant,
                   const Axis& axis, size_t length, Fill fill) {
  ResizeTaps taps;
  BuildResizeTaps(axis.from, axis.to, false, 0, taps);
  const size_t y = random() % taps.outputs;
  const size_t shift = random() % 16;
  std::vector<Shifted<In>> rows;
  std::vector<const In*> pointers;
  for (size_t t = 0; t < taps.count; ++t) rows.emplace_back(Values<In>(random, length, fill), shift);
  for (const Shifted<In>& row : rows) pointers.push_back(row.data());
  size_t begin = 0, end = length;
  if (random() % 3 == 0) {
    begin = random() % (length + 1);
    end = begin + random() % (length - begin + 1);
  }
  const int16_t* weights = taps.weights.data() + y * taps.count;
  Guarded<Out> expected(length, shift), actual(length, shift);
  reference(pointers.data(), weights, taps.count, expected.data(), begin, end);
  variant(pointers.data(), weights, taps.count, actual.data(), begin, end);
  ASSERT_TRUE(actual.values == expected.values)
      << SeedNote() << ": " << axis.from << " -> " << axis.to << " output row " << y << " (" << taps.count
      << " taps), length " << length << ", fill " << fill << ", values " << begin << " to " << end << ", shifted by "
      << shift;
}

// Every axis, channel count, fill and tap parity through one horizontal row.
template <typename In, typename Out>
void CheckHorizontalRows(HorizontalRowFn<In, Out>* reference, HorizontalRowFn<In, Out>* variant) {
  std::mt19937 random(RunSeed());
  for (const Axis& axis : Axes(random)) {
    for (size_t channels : {1u, 3u, 4u}) {
      for (Fill fill : kFills) {
        for (bool even : {true, false}) {
          CheckHorizontal<In, Out>(random, reference, variant, axis, channels, fill, even);
          if (::testing::Test::HasFatalFailure()) return;
        }
      }
    }
  }
}

// Every tail of the widest step, and frame widths, through one vertical row:
// a random length for each axis, then every length for 1080 -> 720.
template <typename In, typename Out>
void CheckVerticalRows(VerticalRowFn<In, Out>* reference, VerticalRowFn<In, Out>* variant) {
  std::mt19937 random(RunSeed());
  std::vector<size_t> lengths;
  for (size_t length = 0; length <= 3 * 16 + 1; ++length) lengths.push_back(length);
  for (size_t length : {1279u, 1920u, 3840u}) lengths.push_back(length);
  for (const Axis& axis : Axes(random)) {
    for (Fill fill : kFills) {
      CheckVertical<In, Out>(random, reference, variant, axis, lengths[random() % lengths.size()], fill);
      if (::testing::Test::HasFatalFailure()) return;
    }
  }
  for (size_t length : lengths) {
    for (Fill fill : kFills) {
      CheckVertical<In, Out>(random, reference, variant, {1080, 720}, length, fill);
      if (::testing::Test::HasFatalFailure()) return;
    }
  }
}

// The checks and the timed calls of one row of the table.
template <typename In, typename Out, HorizontalRowFn<In, Out>* ResizeRowFunctions::*kEntry>
void CheckHorizontalEntry(const ResizeRowFunctions& reference, const ResizeRowFunctions& variant) {
  CheckHorizontalRows<In, Out>(reference.*kEntry, variant.*kEntry);
}

template <typename In, typename Out, VerticalRowFn<In, Out>* ResizeRowFunctions::*kEntry>
void CheckVerticalEntry(const ResizeRowFunctions& reference, const ResizeRowFunctions& variant) {
  CheckVerticalRows<In, Out>(reference.*kEntry, variant.*kEntry);
}

// Timed over a full-HD row of one channel, shrunk to 1280 or enlarged to
// 3840 across, or weighed over the rows 1080 -> 720 takes.
template <typename In, typename Out, HorizontalRowFn<In, Out>* ResizeRowFunctions::*kEntry>
checkasm::Call BenchHorizontalEntry(const ResizeRowFunctions& rows) {
  struct Inputs {
    ResizeTaps shrink, enlarge;
    std::vector<In> in;
    std::vector<Out> out;
  };
  auto inputs = std::make_shared<Inputs>();
  std::mt19937 random(RunSeed());
  BuildResizeTaps(1920, 1280, true, sizeof(In), inputs->shrink);
  BuildResizeTaps(1920, 3840, true, sizeof(In), inputs->enlarge);
  inputs->in = Values<In>(random, 1920, RANDOM);
  inputs->out.resize(3840);
  HorizontalRowFn<In, Out>* const row = rows.*kEntry;
  return [inputs, row] {
    Inputs& at = *inputs;
    row(at.in.data(), at.in.size(), at.out.data(), at.shrink.Table(), 1, 0, at.shrink.outputs);
    row(at.in.data(), at.in.size(), at.out.data(), at.enlarge.Table(), 1, 0, at.enlarge.outputs);
  };
}

template <typename In, typename Out, VerticalRowFn<In, Out>* ResizeRowFunctions::*kEntry>
checkasm::Call BenchVerticalEntry(const ResizeRowFunctions& rows) {
  struct Inputs {
    ResizeTaps taps;
    std::vector<std::vector<In>> rows;
    std::vector<const In*> pointers;
    std::vector<Out> out;
  };
  auto inputs = std::make_shared<Inputs>();
  std::mt19937 random(RunSeed());
  BuildResizeTaps(1080, 720, false, 0, inputs->taps);
  for (size_t t = 0; t < inputs->taps.count; ++t) inputs->rows.push_back(Values<In>(random, 1920, RANDOM));
  for (const std::vector<In>& row : inputs->rows) inputs->pointers.push_back(row.data());
  inputs->out.resize(1920);
  VerticalRowFn<In, Out>* const row = rows.*kEntry;
  return [inputs, row] {
    Inputs& at = *inputs;
    row(at.pointers.data(), at.taps.weights.data(), at.taps.count, at.out.data(), 0, at.out.size());
  };
}

template <typename In, typename Out, HorizontalRowFn<In, Out>* ResizeRowFunctions::*kEntry>
checkasm::Row<ResizeRowFunctions> HorizontalRow(const char* name) {
  return checkasm::RowOf(name, kEntry, CheckHorizontalEntry<In, Out, kEntry>, BenchHorizontalEntry<In, Out, kEntry>);
}

template <typename In, typename Out, VerticalRowFn<In, Out>* ResizeRowFunctions::*kEntry>
checkasm::Row<ResizeRowFunctions> VerticalRow(const char* name) {
  return checkasm::RowOf(name, kEntry, CheckVerticalEntry<In, Out, kEntry>, BenchVerticalEntry<In, Out, kEntry>);
}

// The reference, then the x86 rows of `level` whether this CPU has it or not.
void FillAtAnyLevel(ResizeRowFunctions& rows, CPU_LEVEL level) {
  InitResizeRows(rows, CPU_LEVEL_BASELINE);
#if defined(__i386__) || defined(__x86_64__)
  InitResizeRowsX86(rows, level);
#else
  (void)level;
#endif
}

}  // namespace

void checkasm::RegisterResizeRows() {
  using Rows = ResizeRowFunctions;
  Register(Family<Rows>{"resize_rows",
                        InitResizeRows,
                        FillAtAnyLevel,
                        ResizeRows,
                        {HorizontalRow<uint8_t, int16_t, &Rows::horizontalToMiddle>("horizontalToMiddle"),
                         HorizontalRow<int16_t, uint8_t, &Rows::horizontalToLevels>("horizontalToLevels"),
                         VerticalRow<uint8_t, int16_t, &Rows::verticalToMiddle>("verticalToMiddle"),
                         VerticalRow<int16_t, uint8_t, &Rows::verticalToLevels>("verticalToLevels"),
                         HorizontalRow<uint8_t, uint8_t, &Rows::horizontalLevelsToLevels>("horizontalLevelsToLevels"),
                         VerticalRow<uint8_t, uint8_t, &Rows::verticalLevelsToLevels>("verticalLevelsToLevels")}});
}
