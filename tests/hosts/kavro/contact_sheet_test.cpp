// The contact sheet's choice of frames and its grid, and the progress lines.
#include <gtest/gtest.h>

#include <vector>

#include "hosts/kavro/ContactSheet.h"
#include "hosts/kavro/Progress.h"
#include "media/PngFile.h"

using namespace kavro;

namespace {

std::vector<uint32_t> Shown(const ContactSheet& sheet, uint32_t frames) {
  std::vector<uint32_t> shown;
  for (uint32_t f = 0; f < frames; ++f) {
    if (sheet.Shows(f)) shown.push_back(f);
  }
  return shown;
}

TEST(ContactSheet, ShowsEveryKthFrameAndTheLast) {
  ContactSheet sheet(60, 0, 640, 360);
  EXPECT_EQ(sheet.every(), 3u);  // about 24 cells
  std::vector<uint32_t> shown = Shown(sheet, 60);
  EXPECT_EQ(shown.size(), 21u);
  EXPECT_EQ(shown[1], 3u);
  EXPECT_EQ(shown.back(), 59u);
  EXPECT_EQ(Shown(ContactSheet(10, 4, 8, 8), 10), (std::vector<uint32_t>{0, 4, 8, 9}));
  EXPECT_EQ(Shown(ContactSheet(1, 0, 8, 8), 1), (std::vector<uint32_t>{0}));
}

TEST(ContactSheet, ThumbnailsKeepTheFramesProportions) {
  ContactSheet wide(10, 1, 1920, 1080);
  EXPECT_EQ(wide.thumbnailWidth(), 192);
  EXPECT_EQ(wide.thumbnailHeight(), 108);
  ContactSheet small(10, 1, 64, 36);
  EXPECT_EQ(small.thumbnailWidth(), 64);
  EXPECT_EQ(small.thumbnailHeight(), 36);
  Picture thumbnail = wide.Thumbnail(Picture(1920, 1080));
  EXPECT_EQ(thumbnail.width, 192);
  EXPECT_EQ(thumbnail.height, 108);
}

TEST(ContactSheet, PlacesNumberedCellsInRowsOfSix) {
  ContactSheet sheet(8, 1, 20, 10);
  for (uint32_t f = 0; f < 8; ++f) {
    Picture thumbnail(20, 10);
    std::fill(thumbnail.y.begin(), thumbnail.y.end(), static_cast<uint8_t>(20 + 20 * f));
    if (f == 7) std::fill(thumbnail.alpha.begin(), thumbnail.alpha.end(), 0);
    sheet.Add(f, thumbnail);
  }
  RgbaImage image = sheet.Draw();
  // Cells 28 wide (20 + a gap of 8), 40 high (10 + a 22-pixel label + 8); an 8-pixel margin.
  EXPECT_EQ(image.width, 8 + 6 * 28);
  EXPECT_EQ(image.height, 8 + 2 * 40);
  auto gray = [&](int x, int y) { return image.pixels[(static_cast<size_t>(y) * image.width + x) * 4]; };
  EXPECT_EQ(gray(8 + 5, 8 + 5), 5);              // frame 0: Y 20 is RGB 5
  EXPECT_EQ(gray(8 + 28 * 5 + 5, 8 + 5), 121);   // frame 5: Y 120 is RGB 121
  EXPECT_EQ(gray(8 + 28 + 5, 8 + 40 + 5), 100);  // frame 7 is transparent: the checkerboard shows
  EXPECT_EQ(gray(8 + 28 + 12, 8 + 40 + 5), 160);
  // Frame 6's label: the digit 6 starts with its top bar at column 2 of the glyph.
  EXPECT_EQ(gray(8 + 4, 8 + 40 + 10 + 4), 235);
  EXPECT_EQ(gray(8, 8 + 40 + 10 + 4), 40);
  std::vector<uint8_t> png = sheet.EncodePng();
  EXPECT_EQ(DecodePng(png.data(), png.size(), "sheet").width, image.width);
}

// Labels once overlapped their neighbours and ran past the sheet's edge.
TEST(ContactSheet, LabelsStayInsideTheirCellsOrAreLeftOut) {
  struct Case {
    int frameWidth;
    bool labelled;
  } cases[] = {{8, false}, {20, true}, {64, true}};
  for (const Case& c : cases) {
    ContactSheet sheet(200, 10, c.frameWidth, 8);
    for (uint32_t f = 0; f < 200; ++f) {
      if (sheet.Shows(f)) sheet.Add(f, sheet.Thumbnail(Picture(c.frameWidth, 8)));
    }
    const RgbaImage image = sheet.Draw();
    const int cellWidth = sheet.thumbnailWidth() + 8;
    int ink = 0;
    for (int y = 0; y < image.height; ++y) {
      for (int x = 0; x < image.width; ++x) {
        if (image.pixels[(static_cast<size_t>(y) * image.width + x) * 4] != 235) continue;
        ++ink;
        const int inCell = (x - 8) % cellWidth;
        EXPECT_TRUE(x >= 8 && inCell < sheet.thumbnailWidth()) << c.frameWidth << ": ink at " << x << "," << y;
      }
    }
    EXPECT_EQ(ink > 0, c.labelled) << c.frameWidth;
  }
}

TEST(Progress, DrawsABarWithRateAndTimeLeft) {
  EXPECT_EQ(Progress::Bar(0, 60, 0), "[..............................] 0/60 frames");
  EXPECT_EQ(Progress::Bar(30, 60, 2.0), "[###############...............] 30/60 frames  15.0 fps  0:02 left");
  EXPECT_EQ(Progress::Bar(60, 60, 100.0), "[##############################] 60/60 frames  0.6 fps  0:00 left");
  EXPECT_EQ(Progress::Bar(1, 6000, 10.0), "[..............................] 1/6000 frames  0.1 fps  999:50 left");
  EXPECT_EQ(Progress::Summary(60, 2.5), "60 frames in 2.50 s (24.0 fps)");
}

}  // namespace
