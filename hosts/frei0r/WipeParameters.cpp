#include "WipeParameters.h"

#include <cmath>
#include <cstdio>
#include <string>

extern "C" {
#include <frei0r.h>
}

#include "hosting/MaskChoice.h"

namespace kavro_wipe {

namespace {

std::string MaskValuesText() {
  const uint32_t masks = kavro::MaskCount();
  std::string text = "Which mask:";
  for (uint32_t mask = 0; mask < masks; ++mask) {
    const double value = masks > 1 ? static_cast<double>(mask) / (masks - 1) : 0;
    char number[16];
    std::snprintf(number, sizeof number, "%g", value);
    text += std::string(mask ? "," : "") + " " + number + " " + kavro::MaskName(mask);
  }
  return text + " (each mask takes an equal part of 0..1)";
}

const ParameterInfo* Table() {
  static const std::string maskText = MaskValuesText();
  static const ParameterInfo table[kParameterCount] = {
      {"position", F0R_PARAM_DOUBLE,
       "Progress of the wipe: 0 shows the mask's first frame, 1 its last; animate it over the transition"},
      {"mask", F0R_PARAM_DOUBLE, maskText.c_str()},
      // Not "invert": MLT takes a transition's "invert" property for itself,
      // to swap the two inputs.
      {"invert mask", F0R_PARAM_BOOL, "Use the mask's black and white the other way round"},
      {"reverse", F0R_PARAM_BOOL, "Play the mask's frames from the last one back"},
      {"crop to output", F0R_PARAM_BOOL,
       "Narrow the mask to the frame's proportions before scaling it; off: the whole mask is stretched over the "
       "frame"},
      {"matte", F0R_PARAM_STRING,
       "A wipe of your own in place of the mask: a video, an image sequence (m_%03d.png), a folder of PNG files, or "
       "one PNG or PGM still as a luma map; empty: the mask"},
      {"softness", F0R_PARAM_DOUBLE, "A luma map's edge, from 0 (hard) to 1"},
  };
  return table;
}

// The value behind a parameter index, or null; for const and mutable values alike.
template <typename Values>
auto Field(Values& values, int index) -> decltype(&values.position) {
  switch (index) {
    case kPosition:
      return &values.position;
    case kMask:
      return &values.mask;
    case kInvert:
      return &values.invert;
    case kReverse:
      return &values.reverse;
    case kCropToOutput:
      return &values.cropToOutput;
    case kSoftness:
      return &values.softness;
    default:
      return nullptr;
  }
}

}  // namespace

const ParameterInfo* FindParameterInfo(int index) {
  if (index < 0 || index >= kParameterCount) return nullptr;
  return &Table()[index];
}

bool WipeValues::Set(int index, double value) {
  double* field = Field(*this, index);
  if (!field) return false;
  if (std::isnan(value)) return true;
  *field = value < 0 ? 0 : value > 1 ? 1 : value;
  return true;
}

bool WipeValues::Get(int index, double& value) const {
  const double* field = Field(*this, index);
  if (!field) return false;
  value = *field;
  return true;
}

bool WipeValues::SetText(int index, const char* text) {
  if (index != kMatte) return false;
  matte = text ? text : "";
  return true;
}

bool WipeValues::GetText(int index, const char*& text) const {
  if (index != kMatte) return false;
  text = matte.c_str();
  return true;
}

bool IsOn(double flag) { return flag >= 0.5; }

uint32_t MaskIndexOf(double mask) {
  if (!(mask > 0)) return 0;
  const uint32_t masks = kavro::MaskCount();
  const double part = std::floor(mask * masks);
  return part >= masks ? masks - 1 : static_cast<uint32_t>(part);
}

}  // namespace kavro_wipe
