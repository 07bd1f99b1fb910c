#include "WipeChoice.h"

#include <cctype>
#include <cmath>
#include <cstdlib>
#include <exception>

#include "hosting/MaskChoice.h"

namespace kavro_mlt {

namespace {

std::string MaskText(uint32_t mask) { return "mask " + std::to_string(mask) + " (" + kavro::MaskName(mask) + ")"; }

// A number as MLT reads it, when the whole of the text is one.
bool WholeNumber(const std::string& text, double& number) {
  if (text.empty()) return false;
  char* end = nullptr;
  number = std::strtod(text.c_str(), &end);
  return end == text.c_str() + text.size();
}

}  // namespace

MaskNamed MaskFromText(const char* text) {
  MaskNamed named;
  if (!text || !*text) return named;
  const uint32_t masks = kavro::MaskCount();
  const std::string given = text;
  double number = 0;
  if (WholeNumber(given, number)) {
    if (number > 0) {  // negative, zero and NaN alike stay mask 0
      const double index = std::floor(number);
      named.mask = index >= masks - 1 ? masks - 1 : static_cast<uint32_t>(index);
    }
    const bool plainIndex =
        given.find_first_not_of("0123456789") == std::string::npos && given.size() <= 3 && number < masks;
    if (!plainIndex)
      named.problem = "mask=" + given + " is no mask index (0 to " + std::to_string(masks - 1) +
                      "): " + MaskText(named.mask) + " is used";
    return named;
  }
  if (kavro::LooksLikeMattePath(given)) {
    named.matte = given;
    return named;
  }
  try {
    named.mask = kavro::ResolveMask(text);
  } catch (const std::exception&) {
    named.understood = false;
    named.problem = "no mask '" + given + "': " + MaskText(0) + " is used";
  }
  return named;
}

bool ProgressLeftAsDropped(const char* text) {
  if (!text) return false;
  std::string keyframe = text;
  while (!keyframe.empty() && keyframe.back() == ';') keyframe.pop_back();
  const size_t equals = keyframe.find('=');
  if (equals == std::string::npos || keyframe.find(';') != std::string::npos) return false;
  // The key: frame 0 or time 0, perhaps with an interpolation mark.
  std::string key = keyframe.substr(0, equals);
  while (!key.empty() && !std::isdigit(static_cast<unsigned char>(key.back()))) key.pop_back();
  if (key.empty() || key.find_first_not_of("0:.") != std::string::npos) return false;
  double value = 0;
  return WholeNumber(keyframe.substr(equals + 1), value) && value == 0;
}

std::string CheckValues(const char* property, const char* text, ValueKind kind) {
  if (!text || !*text) return "";
  const std::string all = text;
  const bool keyframes = all.find('=') != std::string::npos;
  size_t start = 0;
  while (start <= all.size()) {
    size_t end = all.find(';', start);
    if (end == std::string::npos) end = all.size();
    const std::string part = all.substr(start, end - start);
    start = end + 1;
    if (keyframes && part.empty()) continue;
    const size_t equals = part.find('=');
    const std::string value = equals == std::string::npos ? part : part.substr(equals + 1);
    double number = 0;
    std::string used;
    if (!WholeNumber(value, number) || std::isnan(number)) {
      used = "0";
    } else if (kind != ValueKind::kFlag && !(number >= 0 && number <= 1)) {
      used = number < 0 ? "0" : "1";
    } else if (kind == ValueKind::kFlag && number != 0 && number != 1) {
      used = std::trunc(number) != 0 ? "1" : "0";  // MLT reads flags as whole numbers
    } else {
      continue;
    }
    const std::string range = kind == ValueKind::kProgress   ? "a progress from 0 to 1"
                              : kind == ValueKind::kSoftness ? "a softness from 0 to 1"
                                                             : "0 or 1";
    return std::string(property) + "=" + all + ": " + (keyframes ? "'" + value + "'" : value) + " is not " + range +
           ": " + used + " is used" + (keyframes ? " for it" : "");
  }
  return "";
}

MatteOpeningRead ReadMatteOpening(const char* timing, const char* kind, const char* softness) {
  MatteOpeningRead read;
  MatteOpening& opening = read.opening;
  const std::string timingText = timing ? timing : "", kindText = kind ? kind : "";
  if (timingText == "own_rate") {
    opening.timing = kavro::MatteTiming::kOwnRate;
  } else if (!timingText.empty() && timingText != "spread") {
    read.problems.emplace_back("mask_timing",
                               "mask_timing=" + timingText + " is neither spread nor own_rate: spread is used");
  }
  if (kindText == "animated") {
    opening.kind = kavro::MatteKind::kAnimated;
  } else if (kindText == "luma") {
    opening.kind = kavro::MatteKind::kLumaMap;
  } else if (!kindText.empty() && kindText != "auto") {
    read.problems.emplace_back("mask_kind", "mask_kind=" + kindText + " is not auto, animated or luma: auto is used");
  }
  const std::string problem = CheckValues("softness", softness, ValueKind::kSoftness);
  if (!problem.empty()) read.problems.emplace_back("softness", problem);
  double number = 0;
  if (softness && WholeNumber(softness, number) && !std::isnan(number)) {
    opening.softness = number < 0 ? 0 : number > 1 ? 1 : number;
  }
  return read;
}

Proportions ShownProportions(uint64_t width, uint64_t height, int pixelWidth, int pixelHeight) {
  if (width == 0 || height == 0) return {0, 0};
  if (pixelWidth <= 0 || pixelHeight <= 0) pixelWidth = pixelHeight = 1;
  // Held to 32 bits a term, so the products fit 64.
  width = width > 0xFFFFFFFFu ? 0xFFFFFFFFu : width;
  height = height > 0xFFFFFFFFu ? 0xFFFFFFFFu : height;
  return kavro::PictureProportions(width, height, static_cast<uint32_t>(pixelWidth),
                                   static_cast<uint32_t>(pixelHeight));
}

}  // namespace kavro_mlt
