// The three shipped mask animations: what they are called, how many frames
// they have, where their frames go in the resource module, how they look.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "RevealAnimation.h"

namespace maskgen {

struct MaskInfo {
  std::string key;  // folder and file-name stem of its frames
  std::string displayName;
  int frameCount;
  uint16_t firstResourceId;
};

// Catalogue order. A mask's frames take consecutive resource ids; one id is
// left unused between masks.
const std::vector<MaskInfo>& MaskCatalogue();

// Draws the reveal field of a mask at the given size.
RevealAnimation BuildMask(size_t mask, int width, int height, int threads);

}  // namespace maskgen
