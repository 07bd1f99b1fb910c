// The mixer's parameters as frei0r describes them, and what their values
// mean. frei0r carries every value here but the matte's path as a double in
// 0..1; a boolean is on from 0.5.
#pragma once

#include <cstdint>
#include <string>

namespace kavro_wipe {

enum ParameterIndex : int {
  kPosition = 0,
  kMask,
  kInvert,
  kReverse,
  kCropToOutput,
  kMatte,
  kSoftness,
  kParameterCount
};

struct ParameterInfo {
  const char* name;
  int type;  // F0R_PARAM_DOUBLE, F0R_PARAM_BOOL or F0R_PARAM_STRING
  const char* explanation;
};

// Null for an index that names no parameter.
const ParameterInfo* FindParameterInfo(int index);

struct WipeValues {
  double position = 0;      // the wipe's progress
  double mask = 0;          // which mask: a third of 0..1 each
  double invert = 0;        // the mask's black and white the other way round
  double reverse = 0;       // the mask's frames from the last one back
  double cropToOutput = 1;  // mask narrowed to the frame's proportions, not stretched
  double softness = 0;      // a luma map's edge
  std::string matte;        // a matte's path, in place of the built-in mask when not empty

  // Stores the value clamped to 0..1; NaN leaves the parameter as it was.
  // False for an index that names no number parameter.
  bool Set(int index, double value);
  bool Get(int index, double& value) const;
  // The matte's path; null text is empty. False for any other index.
  bool SetText(int index, const char* text);
  bool GetText(int index, const char*& text) const;
};

bool IsOn(double flag);

// Mask i of n takes [i / n, (i + 1) / n) of 0..1; 1 is the last mask.
uint32_t MaskIndexOf(double mask);

}  // namespace kavro_wipe
