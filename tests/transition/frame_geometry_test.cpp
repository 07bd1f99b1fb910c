// Frame byte geometry without wrap-around, and which fitted masks the row
// loop may read.
#include <gtest/gtest.h>

#include "RenderHost.h"
#include "masks/Pelt.h"
#include "transition/FrameGeometry.h"

namespace {

TEST(FrameGeometry, MeasuresStrideMainPlaneAndWholeFrame) {
  struct Case {
    uint32_t width, height, stride;
    uint32_t expectedStride, mainBytes, totalBytes;
  } cases[] = {
      {10, 2, 0, 20, 40, 64},     // alpha from 40, 12 bytes reserved a row
      {10, 2, 12, 12, 24, 48},    // a stride below 2 x width is kept
      {10, 2, 64, 64, 128, 152},  // and one above it
      {1920, 1080, 0, 3840, 4147200, 6220800},
      {9, 3, 0, 18, 54, 90},
      {0, 5, 0, 0, 0, 0},
      {7, 0, 0, 14, 0, 0},
      {0x40000000u - 1, 0, 0, 0x7FFFFFFEu, 0, 0},    // the widest row that fits
      {4, 178956970, 0, 8, 1431655760, 2147483640},  // the most 12-byte rows below 2^31
      {8, 2, 1, 1, 2, 18},                           // the last row ends at 17: inside
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.width << " x " << c.height << ", stride " << c.stride);
    FrameGeometry geometry = {};
    ASSERT_EQ(MeasureFrame(YuvAlphaFormat(c.width, c.height, c.stride), geometry), FRAME_GEOMETRY_OK);
    EXPECT_EQ(geometry.width, c.width);
    EXPECT_EQ(geometry.height, c.height);
    EXPECT_EQ(geometry.stride, c.expectedStride);
    EXPECT_EQ(geometry.rowBytes, 2 * c.width);
    EXPECT_EQ(geometry.mainBytes, c.mainBytes);
    EXPECT_EQ(geometry.totalBytes, c.totalBytes);
  }
}

TEST(FrameGeometry, RefusesWhatWouldWrapOrPassTheAddressableSize) {
  struct Case {
    uint32_t width, height, stride;
    FRAME_GEOMETRY_CHECK check;
  } cases[] = {
      {65536, 65536, 0, FRAME_GEOMETRY_TOO_LARGE},    // 3 x 2^32, 0 in 32 bits
      {32768, 32768, 0, FRAME_GEOMETRY_TOO_LARGE},    // 3 x 2^30
      {0x40000000u, 0, 0, FRAME_GEOMETRY_TOO_LARGE},  // a row of 2^31 bytes
      {0xFFFFFFFFu, 0, 0, FRAME_GEOMETRY_TOO_LARGE},
      {4, 178956971, 0, FRAME_GEOMETRY_TOO_LARGE},  // 2^31 + 4
      {1, 2, 0xFFFFFFFFu, FRAME_GEOMETRY_TOO_LARGE},
      {0, 0x7FFFFFFFu, 2, FRAME_GEOMETRY_TOO_LARGE},
      {100, 1, 4, FRAME_GEOMETRY_LAST_ROW_OUTSIDE},  // ends at 200, T is 104
      {8, 2, 0x7FFFFFF0u, FRAME_GEOMETRY_TOO_LARGE},
      {64, 1, 2, FRAME_GEOMETRY_LAST_ROW_OUTSIDE},  // ends at 128, T is 66
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.width << " x " << c.height << ", stride " << c.stride);
    FrameGeometry geometry = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(MeasureFrame(YuvAlphaFormat(c.width, c.height, c.stride), geometry), c.check);
    EXPECT_EQ(geometry.totalBytes, 6u) << "left as it was";
  }
}

TEST(MaskCoversFrame, AcceptsOnlyAnEightBitImageOfTheFrameSize) {
  FrameGeometry frame = {};
  ASSERT_EQ(MeasureFrame(YuvAlphaFormat(9, 3, 0), frame), FRAME_GEOMETRY_OK);

  TImage exact;
  ASSERT_NE(exact.Create(9, 3, pf8bit, 0), nullptr);
  EXPECT_TRUE(MaskCoversFrame(exact, frame));

  TImage empty;
  EXPECT_FALSE(MaskCoversFrame(empty, frame));
  struct Case {
    long width, height;
    TPixelFormat format;
  } others[] = {{10, 3, pf8bit}, {8, 3, pf8bit}, {9, 2, pf8bit}, {9, 4, pf8bit}, {9, 3, pf24bit}, {9, 3, pf4bit}};
  for (const Case& c : others) {
    SCOPED_TRACE(::testing::Message() << c.width << " x " << c.height << " at " << int{c.format} << " bits");
    TImage image;
    ASSERT_NE(image.Create(c.width, c.height, c.format, 0), nullptr);
    EXPECT_FALSE(MaskCoversFrame(image, frame));
  }
}

}  // namespace
