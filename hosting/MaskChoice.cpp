#include "MaskChoice.h"

#include <cctype>
#include <cmath>
#include <vector>

#include "HostingError.h"
#include "masks/MaskCatalogue.h"

namespace kavro {

namespace {

std::string Lower(const std::string& text) {
  std::string out;
  for (char c : text) out += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

bool StartsWith(const std::string& text, const std::string& start) { return text.compare(0, start.size(), start) == 0; }

std::string MaskList() {
  std::string list;
  for (uint32_t mask = 0; mask < MaskCount(); ++mask) {
    list += (mask ? ", " : "") + std::to_string(mask) + " " + MaskName(mask);
  }
  return list;
}

}  // namespace

uint32_t MaskCount() { return kMaskCount; }

std::string MaskName(uint32_t mask) {
  std::string name;
  for (const wchar_t* c = maskNameTexts[mask]; *c; ++c) name += *c < 0x80 ? static_cast<char>(*c) : '?';
  return name;
}

uint32_t MaskFrameCount(uint32_t mask) { return maskFrameCounts[mask]; }

uint16_t MaskFirstFrameId(uint32_t mask) { return MaskFirstResourceId(mask); }

uint32_t ResolveMask(const std::string& text) {
  if (text.empty()) throw HostingError("--mask needs an index or a name (" + MaskList() + ")");
  if (text.find_first_not_of("0123456789") == std::string::npos) {
    if (text.size() <= 3 && std::stoul(text) < MaskCount()) return static_cast<uint32_t>(std::stoul(text));
    throw HostingError("no mask " + text + " (" + MaskList() + ")");
  }
  const std::string wanted = Lower(text);
  std::vector<uint32_t> matches;
  for (uint32_t mask = 0; mask < MaskCount(); ++mask) {
    const std::string name = Lower(MaskName(mask));
    if (StartsWith(name, wanted) || (StartsWith(name, "mask_") && StartsWith(name.substr(5), wanted))) {
      matches.push_back(mask);
    }
  }
  if (matches.empty()) throw HostingError("unknown mask '" + text + "' (" + MaskList() + ")");
  if (matches.size() > 1) throw HostingError("mask '" + text + "' is ambiguous (" + MaskList() + ")");
  return matches[0];
}

uint32_t MaskFrameAtPosition(int64_t position, int64_t length, uint32_t maskFrames) {
  if (length <= 1 || maskFrames <= 1 || position <= 0) return 0;
  if (position >= length) position = length - 1;
  const uint64_t span = static_cast<uint64_t>(length - 1);
  return static_cast<uint32_t>((static_cast<uint64_t>(position) * (maskFrames - 1) + span / 2) / span);
}

double ClampProgress(double progress) {
  if (!(progress > 0)) return 0;
  return progress > 1 ? 1 : progress;
}

uint32_t MaskFrameAtProgress(double progress, uint32_t maskFrames) {
  if (maskFrames <= 1) return 0;
  return static_cast<uint32_t>(std::lround(ClampProgress(progress) * (maskFrames - 1)));
}

}  // namespace kavro
