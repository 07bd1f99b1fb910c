// YUV4MPEG2 sources that are full range, interlaced, mixed or of odd width,
// brought to the limited-range progressive-safe 4:2:2 pictures kavro mixes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "media/PictureFitting.h"
#include "media/Y4m.h"

using namespace kavro;

namespace {

std::vector<uint8_t> Row(const std::vector<uint8_t>& plane, int width, int row) {
  return std::vector<uint8_t>(plane.begin() + row * width, plane.begin() + (row + 1) * width);
}

// The first column of each row of a plane `width` wide.
std::vector<uint8_t> Column(const std::vector<uint8_t>& plane, int width) {
  std::vector<uint8_t> column;
  for (size_t i = 0; i < plane.size(); i += static_cast<size_t>(width)) column.push_back(plane[i]);
  return column;
}

TEST(Y4mRange, FullRangeIsReadAndBroughtToTheLimitedRange) {
  const Y4mFormat format = ParseY4mHeader("YUV4MPEG2 W2 H1 C422 XYSCSS=422 XCOLORRANGE=FULL", "clip");
  EXPECT_EQ(format.range, Y4mRange::kFull);
  EXPECT_EQ(ParseY4mHeader("YUV4MPEG2 W2 H1 XCOLORRANGE=LIMITED", "clip").range, Y4mRange::kLimited);
  EXPECT_EQ(ParseY4mHeader("YUV4MPEG2 W2 H1", "clip").range, Y4mRange::kUnstated);
  // Y 255 and 0, Cb 0, Cr 255: white, black and the chroma extremes.
  const uint8_t planes[] = {255, 0, 0, 255};
  const Picture picture = Y4mPlanesToPicture(format, planes);
  EXPECT_EQ(picture.y, (std::vector<uint8_t>{235, 16}));
  EXPECT_EQ(picture.cb, (std::vector<uint8_t>{16}));
  EXPECT_EQ(picture.cr, (std::vector<uint8_t>{240}));
  const uint8_t middle[] = {128, 128, 128, 128};
  EXPECT_EQ(Y4mPlanesToPicture(format, middle).cb, (std::vector<uint8_t>{128}));
  EXPECT_EQ(Y4mPlanesToPicture(format, middle).y, (std::vector<uint8_t>{126, 126}));  // 16 + 128 * 219 / 255
  // Limited range goes through as it is.
  EXPECT_EQ(Y4mPlanesToPicture(ParseY4mHeader("YUV4MPEG2 W2 H1 C422", "clip"), planes).y,
            (std::vector<uint8_t>{255, 0}));
}

TEST(Y4mRange, TheRangeIsWrittenWhenKnown) {
  Y4mFormat format;
  format.width = 4;
  format.height = 2;
  format.chroma = Y4mChroma::k422;
  format.range = Y4mRange::kLimited;
  const std::string header = FormatY4mHeader(format);
  EXPECT_EQ(header, "YUV4MPEG2 W4 H2 F25:1 Ip A0:0 C422 XCOLORRANGE=LIMITED\n");
  EXPECT_EQ(ParseY4mHeader(header.substr(0, header.size() - 1), "header"), format);
}

// Top-field chroma rows (even) are 50, bottom-field rows (odd) 200.
TEST(Y4mFields, InterlacedChromaIsUpsampledFieldByField) {
  for (const char* interlace : {"It", "Ib"}) {
    const Y4mFormat format = ParseY4mHeader(std::string("YUV4MPEG2 W8 H8 C420mpeg2 ") + interlace, "clip");
    std::vector<uint8_t> planes(Y4mFrameBytes(format), 128);
    for (int row = 0; row < 4; ++row) {
      std::fill_n(planes.begin() + 64 + row * 4, 4, row % 2 ? 200 : 50);
      std::fill_n(planes.begin() + 80 + row * 4, 4, row % 2 ? 200 : 50);
    }
    const Picture picture = Y4mPlanesToPicture(format, planes.data());
    const std::vector<uint8_t> expected = {50, 200, 50, 200, 50, 200, 50, 200};
    EXPECT_EQ(Column(picture.cb, 4), expected) << interlace;
    EXPECT_EQ(Column(picture.cr, 4), expected) << interlace;
  }
  // Progressive, the same plane blends the rows.
  const Y4mFormat progressive = ParseY4mHeader("YUV4MPEG2 W8 H8 C420mpeg2 Ip", "clip");
  std::vector<uint8_t> planes(Y4mFrameBytes(progressive), 128);
  for (int row = 0; row < 4; ++row) std::fill_n(planes.begin() + 64 + row * 4, 4, row % 2 ? 200 : 50);
  EXPECT_NE(Column(Y4mPlanesToPicture(progressive, planes.data()).cb, 4)[1], 200);
}

TEST(Y4mFields, AFieldShortOfChromaRowsRepeatsItsLast) {
  // 6 rows: three chroma rows, the bottom field has only one of them.
  const Y4mFormat format = ParseY4mHeader("YUV4MPEG2 W2 H6 C420mpeg2 It", "clip");
  std::vector<uint8_t> planes(Y4mFrameBytes(format), 128);
  const uint8_t cb[] = {10, 20, 30};
  std::copy(cb, cb + 3, planes.begin() + 12);
  const Picture picture = Y4mPlanesToPicture(format, planes.data());
  ASSERT_EQ(picture.cb.size(), 6u);
  EXPECT_EQ(picture.cb[1], 20);
  EXPECT_EQ(picture.cb[3], 20);
  EXPECT_EQ(picture.cb[5], 20);
}

TEST(Y4mFields, EachFrameOfAMixedStreamSaysItsInterlacing) {
  EXPECT_EQ(Y4mFrameInterlace("Itpi"), 't');
  EXPECT_EQ(Y4mFrameInterlace("XFOO=1 IBii"), 'b');
  EXPECT_EQ(Y4mFrameInterlace("Itpp"), 'p');
  EXPECT_EQ(Y4mFrameInterlace("I1pp"), 'p');
  EXPECT_EQ(Y4mFrameInterlace(""), '?');
  EXPECT_EQ(Y4mFrameInterlace("Ixx"), '?');
}

// Even rows 50, odd rows 200: scaled by field, the fields stay apart.
TEST(PictureFitting, AnInterlacedPictureIsScaledByField) {
  Picture in(4, 8);
  for (int row = 0; row < 8; ++row) {
    std::fill_n(in.y.begin() + row * 4, 4, row % 2 ? 200 : 50);
    std::fill_n(in.cb.begin() + row * 2, 2, row % 2 ? 200 : 50);
  }
  for (const int height : {4, 6, 16, 17}) {
    const Picture out = FitPicture(in, 6, height, true);
    ASSERT_EQ(out.height, height);
    for (int row = 0; row < height; ++row) {
      EXPECT_EQ(Row(out.y, 6, row), std::vector<uint8_t>(6, row % 2 ? 200 : 50)) << height << " row " << row;
      EXPECT_EQ(Row(out.cb, 3, row), std::vector<uint8_t>(3, row % 2 ? 200 : 50)) << height << " row " << row;
    }
  }
  // Progressive scaling mixes them.
  EXPECT_NE(Row(FitPicture(in, 4, 4, false).y, 4, 0), std::vector<uint8_t>(4, 50));
}

TEST(PictureFitting, AnOddWidthGainsACopyOfItsLastColumn) {
  Picture in(7, 2);
  const std::vector<uint8_t> row = {50, 161, 232, 221, 211, 32, 81};
  std::copy(row.begin(), row.end(), in.y.begin());
  std::copy(row.begin(), row.end(), in.y.begin() + 7);
  for (size_t i = 0; i < in.cb.size(); ++i) in.cb[i] = static_cast<uint8_t>(10 * i);
  in.alpha[6] = 9;
  for (const bool interlaced : {false, true}) {
    const Picture out = FitPicture(in, 8, 2, interlaced);
    EXPECT_EQ(Row(out.y, 8, 0), (std::vector<uint8_t>{50, 161, 232, 221, 211, 32, 81, 81}));
    EXPECT_EQ(out.cb, in.cb);
    EXPECT_EQ(out.alpha[7], 9);
  }
  // Also when the height changes: the column is added, then only the rows are scaled.
  const Picture taller = FitPicture(in, 8, 4, false);
  EXPECT_EQ(Row(taller.y, 8, 0), (std::vector<uint8_t>{50, 161, 232, 221, 211, 32, 81, 81}));
}

}  // namespace
