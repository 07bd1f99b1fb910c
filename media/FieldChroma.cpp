#include "FieldChroma.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

namespace kavro {

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
