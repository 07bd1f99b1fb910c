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

#include "media/ColourConversion.h"
#include "media/ColourMap.h"
#include "media/Scaling.h"
#include "media/Y4m.h"
#include "media/Y4mPacked.h"

namespace kavro {

namespace {

constexpr int kBt709 = 1;

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

bool NeedsMap(int matrix, bool fullRange, int outputMatrix) { return fullRange || !SameMatrix(matrix, outputMatrix); }

}  // namespace

PictureColour DescribePictures(const AVCodecParameters& parameters) {
  PictureColour colour;
  const AVPixelFormat format = static_cast<AVPixelFormat>(parameters.format);
  colour.matrix = parameters.color_space;
  if (colour.matrix == AVCOL_SPC_UNSPECIFIED || colour.matrix == AVCOL_SPC_RESERVED || colour.matrix >= AVCOL_SPC_NB) {
    colour.matrix = MatrixOfUntagged(parameters.height);
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
    if (!SameMatrix(kBt709, outputMatrix)) MapPicture(picture, MakeColourMap(kBt709, false, outputMatrix));
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
  if (mapped) MapPicture(picture, MakeColourMap(matrix, fullRange, outputMatrix));
  PackScaled(picture, layout, packed);
}

}  // namespace kavro
