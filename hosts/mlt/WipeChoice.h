// What one frame of the MLT transition asks of the plug-in, worked out from
// the transition's properties. Free of MLT, so the rules are testable alone.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "hosting/Matte.h"
#include "media/Proportions.h"

namespace kavro_mlt {

// The mask a `mask` property names: a number (an index, clamped to the
// masks there are), a path to a matte of the user's own (a file, folder or
// pattern, kavro::LooksLikeMattePath; numbers come first), or the start of a
// name ("wafu2", "mask_paper"), ignoring case. `understood` is false for
// text that names no mask; `mask` is then 0. `problem` says what was wrong
// with the text and what is used instead: empty for an index of a mask
// there is, a path or a name.
struct MaskNamed {
  uint32_t mask = 0;
  std::string matte;  // the path, when the text names one
  bool understood = true;
  std::string problem;
};
MaskNamed MaskFromText(const char* text);

// Kdenlive 22.12 keeps only the first keyframe of an animated parameter's
// default: a composition dropped and left as it is saves its progress as one
// keyframe holding 0 ("0=0"). Such a progress follows the transition's own
// position, as an unset one does; a plain 0, another value, or more
// keyframes are used as given.
bool ProgressLeftAsDropped(const char* text);

// What a property's values must be: a progress or a softness from 0 to 1,
// or a flag, 0 or 1.
enum class ValueKind { kProgress, kSoftness, kFlag };

// Checks the text of an animatable property, a plain value or MLT's
// keyframes ("0=0;50~=0.4;-1=1"), value by value. Empty when every value is
// understood and within its range; otherwise a line naming the property, the
// value and what is used for it (MLT reads text that is no number as 0; a
// progress is held to 0..1, and any flag other than 0 is on).
std::string CheckValues(const char* property, const char* text, ValueKind kind);

// A picture's shown proportions, width * pixel width : height * pixel
// height, in lowest terms (halved until each term fits 32 bits); a pixel
// aspect with a zero term counts as square. 0 : 0 (unknown) for an empty picture.
using Proportions = kavro::Proportions;
Proportions ShownProportions(uint64_t width, uint64_t height, int pixelWidth, int pixelHeight);

// How a matte is opened: mask_timing "spread" (the default) or "own_rate",
// mask_kind "auto" (the default: one picture is a luma map), "animated" or
// "luma", and the softness (a luma map's edge, 0 to 1, held there). A value
// not understood is the default, said in `problems` (one line a property).
struct MatteOpening {
  kavro::MatteKind kind = kavro::MatteKind::kByFrameCount;
  kavro::MatteTiming timing = kavro::MatteTiming::kSpread;
  double softness = 0;
  bool operator==(const MatteOpening& other) const {
    return kind == other.kind && timing == other.timing && softness == other.softness;
  }
};
struct MatteOpeningRead {
  MatteOpening opening;
  std::vector<std::pair<std::string, std::string>> problems;  // property, line
};
MatteOpeningRead ReadMatteOpening(const char* timing, const char* kind, const char* softness);

// Where the wipe is: a progress from 0 to 1 (the progress property, or MLT's
// own over an always-active transition), or frame `position` of a transition
// `length` frames long.
struct WipeTime {
  bool byProgress = false;
  double progress = 0;
  int64_t position = 0, length = 0;
};

struct WipeChoice {
  uint32_t mask = 0;
  uint32_t maskFrame = 0;  // of the built-in mask, at `time`
  std::string matte;       // a matte's path, in place of the built-in mask
  MatteOpening opening;
  WipeTime time;
  bool invert = false;
  bool reverse = false;
  bool cropToOutput = false;
};

}  // namespace kavro_mlt
