// Picture scaling: tent weights worked out by hand, chroma kept at its sites,
// constants kept constant, and the frame layout the plug-in mixes.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "media/PackedFrame.h"
#include "media/Scaling.h"

using namespace kavro;

namespace {

Picture Row(std::vector<uint8_t> luma) {
  Picture picture(static_cast<int>(luma.size()), 1);
  picture.y = std::move(luma);
  return picture;
}

TEST(ScalePicture, EnlargingInterpolatesBetweenPixelCentres) {
  // Output centres fall at -0.25, 0.25, 0.75, 1.25 input pixels; the edges repeat.
  EXPECT_EQ(ScalePicture(Row({0, 100}), 4, 1).y, (std::vector<uint8_t>{0, 25, 75, 100}));
}

TEST(ScalePicture, ShrinkingWeighsEveryInputUnderAWideTent) {
  // Output 0 sits at input 0.5 under a tent reaching 2 inputs: weights 1.5, 1.5, 0.5 on
  // 0, 40, 80 give 28.6; output 1 at 2.5: weights 0.5, 1.5, 1.5 on 40, 80, 120 give 91.4.
  EXPECT_EQ(ScalePicture(Row({0, 40, 80, 120}), 2, 1).y, (std::vector<uint8_t>{29, 91}));
}

TEST(ScalePicture, ScalesRowsLikeColumns) {
  Picture column(1, 2);
  column.y = {0, 100};
  EXPECT_EQ(ScalePicture(column, 1, 4).y, (std::vector<uint8_t>{0, 25, 75, 100}));
}

TEST(ScalePicture, ChromaIsInterpolatedAtItsOwnSites) {
  // Chroma samples 0 and 100 sit on luma columns 0 and 2 of 4. Doubling the
  // width puts the output's chroma on output columns 0, 2, 4, 6, which are
  // input columns -0.25, 0.75, 1.75, 2.75: 0, 37.5, 87.5 and 100.
  Picture picture(4, 1);
  picture.cb = {0, 100};
  picture.cr = {100, 0};
  Picture wide = ScalePicture(picture, 8, 1);
  EXPECT_EQ(wide.cb, (std::vector<uint8_t>{0, 38, 88, 100}));
  EXPECT_EQ(wide.cr, (std::vector<uint8_t>{100, 63, 13, 0}));
}

TEST(ScalePicture, KeepsEveryPlaneOfAConstantPictureConstant) {
  Picture picture(37, 23);
  std::fill(picture.y.begin(), picture.y.end(), 201);
  std::fill(picture.cb.begin(), picture.cb.end(), 17);
  std::fill(picture.cr.begin(), picture.cr.end(), 255);
  std::fill(picture.alpha.begin(), picture.alpha.end(), 99);
  for (auto [width, height] : {std::pair{2, 1}, {64, 36}, {38, 7}, {1000, 3}, {3, 500}}) {
    Picture scaled = ScalePicture(picture, width, height);
    ASSERT_EQ(scaled.width, width);
    ASSERT_EQ(scaled.cb.size(), static_cast<size_t>((width + 1) / 2 * height));
    EXPECT_EQ(scaled.y, std::vector<uint8_t>(scaled.y.size(), 201)) << width << "x" << height;
    EXPECT_EQ(scaled.cb, std::vector<uint8_t>(scaled.cb.size(), 17)) << width << "x" << height;
    EXPECT_EQ(scaled.cr, std::vector<uint8_t>(scaled.cr.size(), 255)) << width << "x" << height;
    EXPECT_EQ(scaled.alpha, std::vector<uint8_t>(scaled.alpha.size(), 99)) << width << "x" << height;
  }
}

TEST(ScalePicture, KeepsTheSameSizeAndCopiesAnUnchangedAxis) {
  std::mt19937 random(7);
  Picture picture(6, 3);
  for (auto* plane : {&picture.y, &picture.cb, &picture.cr, &picture.alpha}) {
    for (uint8_t& value : *plane) value = static_cast<uint8_t>(random());
  }
  EXPECT_EQ(ScalePicture(picture, 6, 3), picture);
  // Only the height changes: every column is scaled on its own, rows agree with a 1-wide picture's.
  Picture taller = ScalePicture(picture, 6, 5);
  Picture column(1, 3);
  column.y = {picture.y[2], picture.y[8], picture.y[14]};
  Picture scaledColumn = ScalePicture(column, 1, 5);
  for (int row = 0; row < 5; ++row) EXPECT_EQ(taller.y[row * 6 + 2], scaledColumn.y[row]) << row;
}

TEST(ScalePicture, RefusesEmptyAndOversizedTargets) {
  Picture picture(4, 4);
  EXPECT_THROW(ScalePicture(picture, 0, 4), MediaError);
  EXPECT_THROW(ScalePicture(picture, 4, 20000), MediaError);
}

TEST(PackedLayout, SizesTheMainAndAlphaPlanes) {
  PackedLayout layout(10, 2);
  EXPECT_EQ(layout.stride, 20u);
  EXPECT_EQ(layout.alphaOffset(), 40u);
  EXPECT_EQ(layout.usedBytes(), 60u);
  EXPECT_EQ(layout.bufferBytes(), 64u);  // alpha rows reserved at 12 bytes
  EXPECT_EQ(PackedLayout(10, 2, 24).alphaOffset(), 48u);
}

TEST(PackedFrame, InterleavesYuy2AndKeepsAlphaRowsWidthApart) {
  Picture picture(4, 2);
  picture.y = {1, 2, 3, 4, 5, 6, 7, 8};
  picture.cb = {11, 12, 13, 14};
  picture.cr = {21, 22, 23, 24};
  picture.alpha = {31, 32, 33, 34, 35, 36, 37, 38};
  PackedLayout layout(4, 2, 10);  // two padding bytes a row
  std::vector<uint8_t> frame(layout.bufferBytes() + 4, 0xEE);
  PackPicture(picture, layout, frame.data());
  EXPECT_EQ(frame,
            (std::vector<uint8_t>{1, 11, 2,    21,   3,  12, 4,  22, 0xEE, 0xEE, 5,  13, 6,    23,   7,    14,
                                  8, 24, 0xEE, 0xEE, 31, 32, 33, 34, 35,   36,   37, 38, 0xEE, 0xEE, 0xEE, 0xEE}));
  EXPECT_EQ(UnpackPicture(frame.data(), layout), picture);
  EXPECT_THROW(PackPicture(Picture(3, 2), PackedLayout(3, 2), frame.data()), MediaError);
}

}  // namespace
