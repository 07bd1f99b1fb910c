#include "Y4m.h"

#include <cstring>
#include <sstream>

#include "ChromaSiting.h"
#include "ColourConversion.h"

namespace kavro {

namespace {

bool ParseUnsigned(const std::string& text, uint32_t& value) {
  if (text.empty() || text.size() > 10) return false;
  uint64_t number = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    number = number * 10 + static_cast<uint64_t>(c - '0');
  }
  if (number > 0xFFFFFFFFu) return false;
  value = static_cast<uint32_t>(number);
  return true;
}

bool ParseRatio(const std::string& text, uint32_t& numerator, uint32_t& denominator) {
  size_t colon = text.find(':');
  return colon != std::string::npos && ParseUnsigned(text.substr(0, colon), numerator) &&
         ParseUnsigned(text.substr(colon + 1), denominator);
}

bool ParseChroma(const std::string& text, Y4mChroma& chroma) {
  if (text == "420jpeg" || text == "420") {
    chroma = Y4mChroma::k420Jpeg;
  } else if (text == "420mpeg2") {
    chroma = Y4mChroma::k420Mpeg2;
  } else if (text == "420paldv") {
    chroma = Y4mChroma::k420PalDv;
  } else if (text == "422") {
    chroma = Y4mChroma::k422;
  } else if (text == "444") {
    chroma = Y4mChroma::k444;
  } else {
    return false;
  }
  return true;
}

const char* ChromaTag(Y4mChroma chroma) {
  switch (chroma) {
    case Y4mChroma::k420Jpeg:
      return "420jpeg";
    case Y4mChroma::k420Mpeg2:
      return "420mpeg2";
    case Y4mChroma::k420PalDv:
      return "420paldv";
    case Y4mChroma::k422:
      return "422";
    case Y4mChroma::k444:
      return "444";
  }
  return "";
}

bool Is420(Y4mChroma chroma) { return chroma != Y4mChroma::k422 && chroma != Y4mChroma::k444; }

Siting420 SitingOf(Y4mChroma chroma) {
  if (chroma == Y4mChroma::k420Mpeg2) return Siting420::kLeft;
  if (chroma == Y4mChroma::k420PalDv) return Siting420::kTopLeft;
  return Siting420::kCentred;
}

}  // namespace

bool Y4mFormat::operator==(const Y4mFormat& other) const {
  return width == other.width && height == other.height && rateNumerator == other.rateNumerator &&
         rateDenominator == other.rateDenominator && aspectNumerator == other.aspectNumerator &&
         aspectDenominator == other.aspectDenominator && interlace == other.interlace && chroma == other.chroma &&
         range == other.range;
}

Y4mFormat ParseY4mHeader(const std::string& line, const std::string& name) {
  const size_t signature = std::strlen(kY4mSignature);
  if (line.compare(0, signature, kY4mSignature) != 0 || (line.size() > signature && line[signature] != ' ')) {
    throw MediaError(name + ": not a YUV4MPEG2 stream");
  }
  Y4mFormat format;
  bool haveWidth = false, haveHeight = false;
  std::istringstream tags(line.substr(signature));
  std::string tag;
  while (tags >> tag) {
    const std::string value = tag.substr(1);
    bool good = true;
    uint32_t number = 0;
    switch (tag[0]) {
      case 'W':
        good = ParseUnsigned(value, number) && number >= 1 && number <= kMaxDimension;
        format.width = static_cast<int>(number);
        haveWidth = true;
        break;
      case 'H':
        good = ParseUnsigned(value, number) && number >= 1 && number <= kMaxDimension;
        format.height = static_cast<int>(number);
        haveHeight = true;
        break;
      case 'F':
        good = ParseRatio(value, format.rateNumerator, format.rateDenominator) && format.rateNumerator != 0 &&
               format.rateDenominator != 0;
        break;
      case 'A':
        good = ParseRatio(value, format.aspectNumerator, format.aspectDenominator);
        break;
      case 'I':
        good = value.size() == 1 && std::strchr("ptbm?", value[0]) != nullptr;
        if (good) format.interlace = value[0];
        break;
      case 'C':
        if (!ParseChroma(value, format.chroma)) {
          throw MediaError(name + ": colour space C" + value +
                           " is not supported (kavro reads 8-bit C420jpeg, C420mpeg2, C420paldv, C420, C422, C444)");
        }
        break;
      case 'X':
        if (tag == "XCOLORRANGE=FULL") format.range = Y4mRange::kFull;
        if (tag == "XCOLORRANGE=LIMITED") format.range = Y4mRange::kLimited;
        break;
      default:  // tags of later versions
        break;
    }
    if (!good) throw MediaError(name + ": bad header tag '" + tag + "'");
  }
  if (!haveWidth || !haveHeight) throw MediaError(name + ": the header gives no " + (haveWidth ? "H" : "W"));
  CheckPictureSize(format.width, format.height, name.c_str());
  return format;
}

std::string FormatY4mHeader(const Y4mFormat& format) {
  std::ostringstream text;
  text << kY4mSignature << " W" << format.width << " H" << format.height << " F" << format.rateNumerator << ':'
       << format.rateDenominator << " I" << format.interlace << " A" << format.aspectNumerator << ':'
       << format.aspectDenominator << " C" << ChromaTag(format.chroma);
  if (format.range == Y4mRange::kLimited) text << " XCOLORRANGE=LIMITED";
  if (format.range == Y4mRange::kFull) text << " XCOLORRANGE=FULL";
  text << '\n';
  return text.str();
}

size_t Y4mFrameBytes(const Y4mFormat& format) {
  const size_t luma = static_cast<size_t>(format.width) * format.height;
  const size_t halfWidth = static_cast<size_t>((format.width + 1) / 2);
  size_t chroma = luma;
  if (format.chroma == Y4mChroma::k422) chroma = halfWidth * format.height;
  if (Is420(format.chroma)) chroma = halfWidth * static_cast<size_t>((format.height + 1) / 2);
  return luma + 2 * chroma;
}

char Y4mFrameInterlace(const std::string& frameHeader) {
  std::istringstream tags(frameHeader);
  std::string tag;
  while (tags >> tag) {
    if (tag.size() != 4 || tag[0] != 'I') continue;
    if (tag[3] == 'p') return 'p';
    if (tag[3] != 'i') return '?';
    if (tag[1] == 't' || tag[1] == 'T') return 't';
    if (tag[1] == 'b' || tag[1] == 'B') return 'b';
    return '?';
  }
  return '?';
}

bool IsInterlaced(const Y4mFormat& format) { return format.interlace == 't' || format.interlace == 'b'; }

Picture Y4mPlanesToPicture(const Y4mFormat& format, const uint8_t* planes) {
  Picture picture(format.width, format.height);
  const size_t luma = picture.y.size(), chroma = (Y4mFrameBytes(format) - luma) / 2;
  std::memcpy(picture.y.data(), planes, luma);
  const uint8_t* cb = planes + luma;
  const uint8_t* cr = cb + chroma;
  if (format.chroma == Y4mChroma::k422) {
    std::memcpy(picture.cb.data(), cb, chroma);
    std::memcpy(picture.cr.data(), cr, chroma);
  } else if (format.chroma == Y4mChroma::k444) {
    const size_t width = static_cast<size_t>(format.width), chromaWidth = static_cast<size_t>(picture.chromaWidth());
    for (size_t row = 0; row < static_cast<size_t>(format.height); ++row) {
      DownsampleChromaRow(cb + row * width, format.width, &picture.cb[row * chromaWidth]);
      DownsampleChromaRow(cr + row * width, format.width, &picture.cr[row * chromaWidth]);
    }
  } else {
    const auto upsample = IsInterlaced(format) ? UpsampleChroma420To422ByField : UpsampleChroma420To422;
    upsample(cb, format.width, format.height, SitingOf(format.chroma), picture.cb.data());
    upsample(cr, format.width, format.height, SitingOf(format.chroma), picture.cr.data());
  }
  if (format.range == Y4mRange::kFull) FullRangeToLimited(picture);
  return picture;
}

void EncodeY4m422Frame(const Picture& picture, std::vector<uint8_t>& out) {
  static const char kFrame[] = "FRAME\n";
  out.clear();
  out.reserve(sizeof kFrame - 1 + picture.y.size() + picture.cb.size() + picture.cr.size());
  out.insert(out.end(), kFrame, kFrame + sizeof kFrame - 1);
  out.insert(out.end(), picture.y.begin(), picture.y.end());
  out.insert(out.end(), picture.cb.begin(), picture.cb.end());
  out.insert(out.end(), picture.cr.begin(), picture.cr.end());
}

}  // namespace kavro
