// The built-in pair of clips, so kavro renders something on a machine with
// no video files: A is a scrolling colour-bar test pattern with a bouncing
// box, B a drifting colour gradient with moving discs and a sliding bar.
// Each frame shows its number. Integer drawing only, any size.
#pragma once

#include <cstdint>

#include "media/Picture.h"

namespace kavro {

constexpr int kDefaultClipWidth = 640;
constexpr int kDefaultClipHeight = 360;
constexpr uint32_t kDefaultClipRate = 25;
constexpr uint32_t kDefaultTransitionFrames = 60;

enum class DefaultClip { kTestPattern, kGradient };

RgbaImage DrawDefaultClipFrame(DefaultClip clip, int width, int height, uint32_t frame);

}  // namespace kavro
