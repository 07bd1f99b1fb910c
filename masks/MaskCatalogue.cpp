#include "MaskCatalogue.h"

const uint32_t maskFrameCounts[kMaskCount] = {479, 210, 210};

const wchar_t* const maskNameTexts[kMaskCount] = {
    L"mask_paper (479 frame)",
    L"mask_wafu1 (210 frame)",
    L"mask_wafu2 (210 frame)",
};
