#include "ChromaSiting.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

#include "MediaRows.h"

namespace kavro {

namespace {

// Two taps whose weights add up to 4.
struct Taps {
  int first, firstWeight, second, secondWeight;
};

// Taps of output position k on an axis of `count` input samples.
Taps InterstitialTaps(int k, int count) {
  // Output 2i sits a quarter of a sample before input i, output 2i + 1 a quarter after.
  int i = k / 2;
  int neighbour = k % 2 == 0 ? std::max(i - 1, 0) : std::min(i + 1, count - 1);
  return {i, 3, neighbour, 1};
}

Taps CoSitedTaps(int k, int count) {
  int i = k / 2;
  if (k % 2 == 0) return {i, 4, i, 0};
  return {i, 2, std::min(i + 1, count - 1), 2};
}

}  // namespace

void DownsampleChromaRow(const uint8_t* in, int lumaWidth, uint8_t* out) {
  MediaRows().downsampleChroma(in, static_cast<size_t>(lumaWidth), out);
}

void UpsampleChroma420To422(const uint8_t* in, int lumaWidth, int lumaHeight, Siting420 siting, uint8_t* out) {
  const int columns = (lumaWidth + 1) / 2;
  const int rows = (lumaHeight + 1) / 2;
  for (int y = 0; y < lumaHeight; ++y) {
    Taps vertical = siting == Siting420::kTopLeft ? CoSitedTaps(y, rows) : InterstitialTaps(y, rows);
    const uint8_t* top = in + static_cast<size_t>(vertical.first) * columns;
    const uint8_t* bottom = in + static_cast<size_t>(vertical.second) * columns;
    uint8_t* row = out + static_cast<size_t>(y) * columns;
    for (int j = 0; j < columns; ++j) {
      // Centred chroma lies half a luma column right of its 4:2:2 place: the
      // output at 2j is a quarter sample before input j.
      Taps horizontal = siting == Siting420::kCentred ? Taps{j, 3, std::max(j - 1, 0), 1} : Taps{j, 4, j, 0};
      int sum =
          vertical.firstWeight *
              (horizontal.firstWeight * top[horizontal.first] + horizontal.secondWeight * top[horizontal.second]) +
          vertical.secondWeight *
              (horizontal.firstWeight * bottom[horizontal.first] + horizontal.secondWeight * bottom[horizontal.second]);
      row[j] = static_cast<uint8_t>((sum + 8) >> 4);
    }
  }
}

void UpsampleChromaRow(const uint8_t* in, int lumaWidth, uint8_t* out) {
  MediaRows().upsampleChroma(in, static_cast<size_t>(lumaWidth), out);
}

void UpsampleChroma420To422ByField(const uint8_t* in, int lumaWidth, int lumaHeight, Siting420 siting, uint8_t* out) {
  const size_t columns = static_cast<size_t>((lumaWidth + 1) / 2);
  const int chromaRows = (lumaHeight + 1) / 2;
  std::vector<uint8_t> field, upsampled;
  for (int parity = 0; parity < 2 && parity < lumaHeight; ++parity) {
    const int fieldHeight = (lumaHeight - parity + 1) / 2;
    const int fieldChromaRows = (fieldHeight + 1) / 2;
    field.resize(columns * static_cast<size_t>(fieldChromaRows));
    for (int row = 0; row < fieldChromaRows; ++row) {
      int from = 2 * row + parity;
      // Past the end: the field's last chroma row, or the plane's if it has none.
      while (from >= chromaRows) from = from >= 2 ? from - 2 : chromaRows - 1;
      std::memcpy(&field[static_cast<size_t>(row) * columns], in + static_cast<size_t>(from) * columns, columns);
    }
    upsampled.resize(columns * static_cast<size_t>(fieldHeight));
    UpsampleChroma420To422(field.data(), lumaWidth, fieldHeight, siting, upsampled.data());
    for (int row = 0; row < fieldHeight; ++row) {
      std::memcpy(out + static_cast<size_t>(2 * row + parity) * columns, &upsampled[static_cast<size_t>(row) * columns],
                  columns);
    }
  }
}

}  // namespace kavro
