// The classic luma wipe: one still whose dark parts show source B first. At
// each progress its 256 levels become mask weights through a table, in
// integer arithmetic, and the wipe mixes with the still's pixels so mapped.
#pragma once

#include <array>
#include <cstdint>

namespace kavro {

using WeightTable = std::array<uint8_t, 256>;

// Softness 0 to 1 (clamped; NaN is 0) as the edge's width in levels, 1 to 256.
uint32_t SoftnessLevels(double softness);

// The weights (255 keeps A, 0 shows B) of the map's levels at progress
// numerator / denominator (clamped to 0..1; a denominator of 0 is progress 0):
// every level is 255 at 0 and 0 at 1, whatever the softness; in between a
// level's weight falls as the progress grows, darker levels first, over an
// edge `edgeLevels` wide.
WeightTable LumaWeights(uint32_t numerator, uint32_t denominator, uint32_t edgeLevels);

}  // namespace kavro
