// The fixed catalogue of mask animations, shared by the plug-in, the
// reference host and the generator that draws the frames.
#pragma once

#include <stdint.h>

constexpr uint32_t kMaskCount = 3;
constexpr uint16_t kFirstMaskResourceId = 10000;

// Frames of each mask, in catalogue order.
extern const uint32_t maskFrameCounts[kMaskCount];

// Display names as stored in the catalogue.
extern const wchar_t* const maskNameTexts[kMaskCount];

// First resource id of a mask's frames: each mask starts two ids after the
// last frame of the one before, so one id between masks belongs to no frame.
uint16_t MaskFirstResourceId(uint32_t mask);
