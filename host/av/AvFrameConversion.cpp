#include "AvFrameConversion.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
}

#include "ColourConversion.h"
#include "Scaling.h"
#include "Y4m.h"
#include "Y4mPacked.h"

namespace kavro {

namespace {

constexpr int kBt709 = 1;

struct LumaWeights {
  double kr, kb;
};

LumaWeights WeightsOf(int matrix) {
  switch (matrix) {
    case AVCOL_SPC_FCC:
      return {0.30, 0.11};
    case AVCOL_SPC_BT470BG:
    case AVCOL_SPC_SMPTE170M:
      return {0.299, 0.114};
    case AVCOL_SPC_SMPTE240M:
      return {0.212, 0.087};
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL:
      return {0.2627, 0.0593};
    default:
      return {0.2126, 0.0722};
  }
}

bool SameWeights(int a, int b) {
  const LumaWeights x = WeightsOf(a), y = WeightsOf(b);
  return x.kr == y.kr && x.kb == y.kb;
}

// Y' Cb Cr sample values to those of another matrix and range, as one
// affine map in 1/65536: out = offset + sum(m * in).
struct SampleMap {
  int64_t m[3][3];
  int64_t offset[3];
};

// Rows of Y'PbPr (Y' 0..1, Pb and Pr -0.5..0.5) from R'G'B', for a matrix.
void ToYPbPr(LumaWeights w, double out[3][3]) {
  const double kg = 1 - w.kr - w.kb;
  const double y[3] = {w.kr, kg, w.kb};
  for (int j = 0; j < 3; ++j) {
    out[0][j] = y[j];
    out[1][j] = ((j == 2 ? 1 : 0) - y[j]) / (2 * (1 - w.kb));
    out[2][j] = ((j == 0 ? 1 : 0) - y[j]) / (2 * (1 - w.kr));
  }
}

void Invert(const double a[3][3], double out[3][3]) {
  const double det = a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
                     a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
                     a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      const int r0 = (j + 1) % 3, r1 = (j + 2) % 3, c0 = (i + 1) % 3, c1 = (i + 2) % 3;
      out[i][j] = (a[r0][c0] * a[r1][c1] - a[r0][c1] * a[r1][c0]) / det;
    }
  }
}

SampleMap MakeSampleMap(int fromMatrix, bool fromFull, int toMatrix) {
  double from[3][3], fromInverse[3][3], to[3][3];
  ToYPbPr(WeightsOf(fromMatrix), from);
  Invert(from, fromInverse);
  ToYPbPr(WeightsOf(toMatrix), to);
  const double inScale[3] = {fromFull ? 255.0 : 219.0, fromFull ? 255.0 : 224.0, fromFull ? 255.0 : 224.0};
  const double inOffset[3] = {fromFull ? 0.0 : 16.0, 128, 128};
  const double outScale[3] = {219, 224, 224}, outOffset[3] = {16, 128, 128};
  SampleMap map;
  for (int i = 0; i < 3; ++i) {
    double offset = outOffset[i];
    for (int j = 0; j < 3; ++j) {
      double product = 0;
      for (int k = 0; k < 3; ++k) product += to[i][k] * fromInverse[k][j];
      // Chroma never depends on luma; keep rounding noise out of it.
      if (i > 0 && j == 0) product = 0;
      const double weight = product * outScale[i] / inScale[j];
      map.m[i][j] = std::llround(weight * 65536);
      offset -= weight * inOffset[j];
    }
    map.offset[i] = std::llround(offset * 65536) + 32768;
  }
  return map;
}

uint8_t Apply(const SampleMap& map, int row, int y, int cb, int cr) {
  const int64_t value = (map.offset[row] + map.m[row][0] * y + map.m[row][1] * cb + map.m[row][2] * cr) >> 16;
  return static_cast<uint8_t>(std::clamp<int64_t>(value, 0, 255));
}

// Every pixel through the map; luma takes the chroma of its pixel pair.
void MapPicture(Picture& picture, const SampleMap& map) {
  const int chromaWidth = picture.chromaWidth();
  for (int row = 0; row < picture.height; ++row) {
    uint8_t* y = picture.y.data() + size_t(row) * picture.width;
    uint8_t* cb = picture.cb.data() + size_t(row) * chromaWidth;
    uint8_t* cr = picture.cr.data() + size_t(row) * chromaWidth;
    for (int x = 0; x < chromaWidth; ++x) {
      const int b = cb[x], r = cr[x];
      const int left = y[2 * x];
      y[2 * x] = Apply(map, 0, left, b, r);
      if (2 * x + 1 < picture.width) y[2 * x + 1] = Apply(map, 0, y[2 * x + 1], b, r);
      cb[x] = Apply(map, 1, left, b, r);
      cr[x] = Apply(map, 2, left, b, r);
    }
  }
}

// Planes of 8-bit samples as a YUV4MPEG2 frame holds them, and alpha when
// the picture has it.
struct EightBitPlanes {
  Y4mFormat format;
  std::vector<uint8_t> planes;
  std::vector<uint8_t> alpha;
};

// YUV4MPEG2 knows three 4:2:0 sitings; the others go to the nearest.
Y4mChroma Chroma420(AVChromaLocation location) {
  switch (location) {
    case AVCHROMA_LOC_CENTER:
      return Y4mChroma::k420Jpeg;
    case AVCHROMA_LOC_TOPLEFT:
    case AVCHROMA_LOC_TOP:
      return Y4mChroma::k420PalDv;
    default:
      return Y4mChroma::k420Mpeg2;
  }
}

void CopyPlane(const uint8_t* source, int stride, int width, int height, int depth, uint8_t* out) {
  for (int row = 0; row < height; ++row) {
    const uint8_t* line = source + ptrdiff_t(row) * stride;
    if (depth == 8) {
      std::memcpy(out, line, size_t(width));
    } else {
      const int shift = depth - 8, half = 1 << (shift - 1);
      for (int x = 0; x < width; ++x) {
        uint16_t sample;
        std::memcpy(&sample, line + 2 * x, 2);
        out[x] = static_cast<uint8_t>(std::min((sample + half) >> shift, 255));
      }
    }
    out += width;
  }
}

// False for a layout this does not take apart itself.
bool TakePlanes(const AVFrame& frame, AVChromaLocation location, EightBitPlanes& out) {
  const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame.format));
  if (!desc ||
      (desc->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL | AV_PIX_FMT_FLAG_BE | AV_PIX_FMT_FLAG_HWACCEL)) ||
      !(desc->flags & AV_PIX_FMT_FLAG_PLANAR) || desc->nb_components < 3) {
    return false;
  }
  const int depth = desc->comp[0].depth;
  if (depth < 8 || depth > 16) return false;
  for (int c = 0; c < desc->nb_components; ++c) {
    if (desc->comp[c].plane != c || desc->comp[c].depth != depth || desc->comp[c].shift != 0 ||
        desc->comp[c].step != (depth == 8 ? 1 : 2)) {
      return false;
    }
  }
  Y4mFormat& format = out.format;
  format.width = frame.width;
  format.height = frame.height;
  if (desc->log2_chroma_w == 1 && desc->log2_chroma_h == 1) {
    format.chroma = Chroma420(location);
  } else if (desc->log2_chroma_w == 1 && desc->log2_chroma_h == 0) {
    format.chroma = Y4mChroma::k422;
  } else if (desc->log2_chroma_w == 0 && desc->log2_chroma_h == 0) {
    format.chroma = Y4mChroma::k444;
  } else {
    return false;
  }
  const int chromaWidth = AV_CEIL_RSHIFT(frame.width, desc->log2_chroma_w);
  const int chromaHeight = AV_CEIL_RSHIFT(frame.height, desc->log2_chroma_h);
  out.planes.resize(Y4mFrameBytes(format));
  const size_t lumaBytes = size_t(frame.width) * frame.height;
  const size_t chromaBytes = size_t(chromaWidth) * chromaHeight;
  if (out.planes.size() != lumaBytes + 2 * chromaBytes) return false;
  CopyPlane(frame.data[0], frame.linesize[0], frame.width, frame.height, depth, out.planes.data());
  CopyPlane(frame.data[1], frame.linesize[1], chromaWidth, chromaHeight, depth, out.planes.data() + lumaBytes);
  CopyPlane(frame.data[2], frame.linesize[2], chromaWidth, chromaHeight, depth,
            out.planes.data() + lumaBytes + chromaBytes);
  out.alpha.clear();
  if (desc->nb_components == 4) {
    out.alpha.resize(lumaBytes);
    CopyPlane(frame.data[3], frame.linesize[3], frame.width, frame.height, depth, out.alpha.data());
  }
  return true;
}

int SwscaleMatrix(int matrix) {
  switch (matrix) {
    case AVCOL_SPC_FCC:
      return SWS_CS_FCC;
    case AVCOL_SPC_BT470BG:
    case AVCOL_SPC_SMPTE170M:
      return SWS_CS_ITU601;
    case AVCOL_SPC_SMPTE240M:
      return SWS_CS_SMPTE240M;
    case AVCOL_SPC_BT2020_NCL:
    case AVCOL_SPC_BT2020_CL:
      return SWS_CS_BT2020;
    default:
      return SWS_CS_ITU709;
  }
}

// libswscale converts the frame at its own size; it keeps Y'CbCr values as
// they are (same range both sides) and reads R'G'B' and gray as such.
FramePtr ConvertWithScaler(const AVFrame& frame, AVPixelFormat target, int matrix, bool fullRange) {
  ScalerPtr scaler(sws_getContext(frame.width, frame.height, static_cast<AVPixelFormat>(frame.format), frame.width,
                                  frame.height, target, SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT, nullptr,
                                  nullptr, nullptr));
  if (!scaler) {
    throw MediaError(std::string("cannot convert pictures of pixel format ") +
                     av_get_pix_fmt_name(static_cast<AVPixelFormat>(frame.format)));
  }
  const int* table = sws_getCoefficients(SwscaleMatrix(matrix));
  sws_setColorspaceDetails(scaler.get(), table, fullRange ? 1 : 0, table, fullRange ? 1 : 0, 0, 1 << 16, 1 << 16);
  FramePtr out = AllocateFrame();
  out->format = target;
  out->width = frame.width;
  out->height = frame.height;
  if (av_frame_get_buffer(out.get(), 0) < 0) throw MediaError("out of memory for a converted picture");
  sws_scale(scaler.get(), frame.data, frame.linesize, 0, frame.height, out->data, out->linesize);
  return out;
}

void PackScaled(const Picture& picture, const PackedLayout& layout, uint8_t* packed) {
  if (picture.width == static_cast<int>(layout.width) && picture.height == static_cast<int>(layout.height)) {
    PackPicture(picture, layout, packed);
  } else {
    PackPicture(ScalePicture(picture, static_cast<int>(layout.width), static_cast<int>(layout.height)), layout, packed);
  }
}

bool NeedsMap(int matrix, bool fullRange, int outputMatrix) { return fullRange || !SameWeights(matrix, outputMatrix); }

}  // namespace

PictureColour DescribePictures(const AVCodecParameters& parameters) {
  PictureColour colour;
  const AVPixelFormat format = static_cast<AVPixelFormat>(parameters.format);
  colour.matrix = parameters.color_space;
  if (colour.matrix == AVCOL_SPC_UNSPECIFIED || colour.matrix == AVCOL_SPC_RESERVED || colour.matrix >= AVCOL_SPC_NB) {
    colour.matrix = parameters.height < 720 ? AVCOL_SPC_SMPTE170M : AVCOL_SPC_BT709;
  }
  colour.fullRange = parameters.color_range == AVCOL_RANGE_JPEG || format == AV_PIX_FMT_YUVJ420P ||
                     format == AV_PIX_FMT_YUVJ422P || format == AV_PIX_FMT_YUVJ444P || format == AV_PIX_FMT_YUVJ440P ||
                     format == AV_PIX_FMT_YUVJ411P;
  if (parameters.chroma_location != AVCHROMA_LOC_UNSPECIFIED) colour.chromaLocation = parameters.chroma_location;
  return colour;
}

void PackAvFrame(const AVFrame& frame, const PictureColour& stream, int outputMatrix, const PackedLayout& layout,
                 uint8_t* packed) {
  const AVPixelFormat format = static_cast<AVPixelFormat>(frame.format);
  const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
  if (!desc) throw MediaError("a decoded picture has no pixel format");
  CheckPictureSize(frame.width, frame.height, "a decoded picture");
  int matrix = stream.matrix;
  if (frame.colorspace != AVCOL_SPC_UNSPECIFIED && frame.colorspace != AVCOL_SPC_RESERVED &&
      frame.colorspace < AVCOL_SPC_NB) {
    matrix = frame.colorspace;
  }
  bool fullRange = stream.fullRange;
  if (frame.color_range != AVCOL_RANGE_UNSPECIFIED) fullRange = frame.color_range == AVCOL_RANGE_JPEG;
  const AVChromaLocation location =
      frame.chroma_location != AVCHROMA_LOC_UNSPECIFIED ? frame.chroma_location : stream.chromaLocation;

  const bool rgb = (desc->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL)) || desc->nb_components < 3;
  if (rgb) {
    // R'G'B', palettes and gray: through RGBA and the media library's BT.709.
    FramePtr converted = ConvertWithScaler(frame, AV_PIX_FMT_RGBA, matrix, fullRange);
    RgbaImage image(frame.width, frame.height);
    for (int row = 0; row < frame.height; ++row) {
      std::memcpy(image.pixels.data() + size_t(row) * frame.width * 4,
                  converted->data[0] + ptrdiff_t(row) * converted->linesize[0], size_t(frame.width) * 4);
    }
    Picture picture = RgbaToPicture(image);
    if (!SameWeights(kBt709, outputMatrix)) MapPicture(picture, MakeSampleMap(kBt709, false, outputMatrix));
    PackScaled(picture, layout, packed);
    return;
  }

  EightBitPlanes planes;
  if (!TakePlanes(frame, location, planes)) {
    const bool alpha = desc->flags & AV_PIX_FMT_FLAG_ALPHA;
    FramePtr converted =
        ConvertWithScaler(frame, alpha ? AV_PIX_FMT_YUVA444P16LE : AV_PIX_FMT_YUV444P16LE, matrix, fullRange);
    if (!TakePlanes(*converted, AVCHROMA_LOC_LEFT, planes)) throw MediaError("cannot take a converted picture apart");
  }
  const bool mapped = NeedsMap(matrix, fullRange, outputMatrix);
  if (!mapped && planes.alpha.empty() && PacksAsItIs(planes.format, layout)) {
    PackY4m422Planes(planes.format, planes.planes.data(), layout, packed);
    return;
  }
  Picture picture = Y4mPlanesToPicture(planes.format, planes.planes.data());
  if (!planes.alpha.empty()) picture.alpha = std::move(planes.alpha);
  if (mapped) MapPicture(picture, MakeSampleMap(matrix, fullRange, outputMatrix));
  PackScaled(picture, layout, packed);
}

}  // namespace kavro
