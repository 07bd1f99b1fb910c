#include "MaskCatalogue.h"

const uint32_t maskFrameCounts[kMaskCount] = {479, 210, 210};

const wchar_t* const maskNameTexts[kMaskCount] = {
    L"mask_paper (479 frame)",
    L"mask_wafu1 (210 frame)",
    L"mask_wafu2 (210 frame)",
};

uint16_t MaskFirstResourceId(uint32_t mask) {
  uint16_t id = kFirstMaskResourceId;
  for (uint32_t i = 0; i < mask && i < kMaskCount; ++i) id = static_cast<uint16_t>(id + maskFrameCounts[i] + 1);
  return id;
}
