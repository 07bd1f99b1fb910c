// YUV4MPEG2 stream and frame headers, and the frames' plane layouts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "ChromaSiting.h"
#include "Picture.h"

namespace kavro {

enum class Y4mChroma { k420Jpeg, k420Mpeg2, k420PalDv, k422, k444 };

// The XCOLORRANGE comment: absent, LIMITED or FULL.
enum class Y4mRange { kUnstated, kLimited, kFull };

struct Y4mFormat {
  int width = 0;
  int height = 0;
  uint32_t rateNumerator = 25;
  uint32_t rateDenominator = 1;
  uint32_t aspectNumerator = 0;  // pixel aspect; 0:0 when unknown
  uint32_t aspectDenominator = 0;
  char interlace = 'p';                    // p, t, b, m (each frame says), ? (unknown)
  Y4mRange range = Y4mRange::kUnstated;    // unstated reads as limited
  Y4mChroma chroma = Y4mChroma::k420Jpeg;  // the format's default when C is absent

  bool operator==(const Y4mFormat& other) const;
};

constexpr char kY4mSignature[] = "YUV4MPEG2";
constexpr size_t kY4mMaxHeaderLine = 4096;

// The header line without its newline. Throws MediaError naming `name` on
// anything kavro cannot read: a missing W or H, 8-bit colour spaces other
// than C420jpeg, C420mpeg2, C420paldv, C420, C422 and C444, malformed numbers.
// XCOLORRANGE=FULL or LIMITED sets the range; other X comments and unknown
// tags are skipped.
Y4mFormat ParseY4mHeader(const std::string& line, const std::string& name);
// With the newline.
std::string FormatY4mHeader(const Y4mFormat& format);

// Bytes of one frame's planes (Y, then Cb, then Cr).
size_t Y4mFrameBytes(const Y4mFormat& format);

// The interlacing of one frame of an Im stream from its FRAME header's I tag
// (Ixyz: x the presentation, z the chroma sampling): 't' or 'b' for
// interlaced chroma, 'p' for progressive, '?' without a usable tag.
char Y4mFrameInterlace(const std::string& frameHeader);

// t and b: the frame's two fields were sampled apart.
bool IsInterlaced(const Y4mFormat& format);

// One frame's planes to limited-range 4:2:2 with alpha 255: 4:2:0 chroma is
// upsampled at its siting (C420 is read as C420jpeg), field by field for
// interlaced (t, b) frames, 4:4:4 chroma filtered [1 2 1] / 4 onto the even
// columns; full-range samples are brought to the limited range.
Picture Y4mPlanesToPicture(const Y4mFormat& format, const uint8_t* planes);

// "FRAME\n" and the planes of a C422 frame; alpha is not stored.
void EncodeY4m422Frame(const Picture& picture, std::vector<uint8_t>& out);

}  // namespace kavro
