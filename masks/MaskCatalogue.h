// The fixed catalogue of mask animations.
#pragma once

#include <stdint.h>

#include "CString.h"

constexpr uint32_t kMaskCount = 3;
constexpr uint16_t kFirstMaskResourceId = 10000;

// Frames of each mask, in catalogue order.
extern const uint32_t maskFrameCounts[kMaskCount];

// Display names, in catalogue order; built when the module loads.
extern CString maskNames[kMaskCount];

// Display names as stored in the catalogue.
extern const wchar_t* const maskNameTexts[kMaskCount];
