// The transition's own MLT properties. Not "invert": MLT's transitions take
// that for swapping their inputs.
#pragma once

namespace kavro_mlt {

// 0..1, animatable; unset or empty: the transition's own position.
constexpr const char* kProgressProperty = "progress";
constexpr const char* kMaskProperty = "mask";  // an index or a name
constexpr const char* kInvertProperty = "invert_mask";
constexpr const char* kReverseProperty = "reverse";
constexpr const char* kCropProperty = "crop_to_output";

}  // namespace kavro_mlt
