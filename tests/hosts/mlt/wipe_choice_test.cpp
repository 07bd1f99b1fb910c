// How the MLT transition reads its mask, progress and proportions.
#include <gtest/gtest.h>

#include <cmath>

#include "hosting/MaskChoice.h"
#include "hosts/mlt/WipeChoice.h"

using namespace kavro_mlt;

namespace {

TEST(WipeChoice, MaskIsAClampedIndexOrTheStartOfAName) {
  struct Case {
    const char* text;
    uint32_t mask;
    bool understood;
  };
  const Case cases[] = {
      {nullptr, 0, true},      {"", 0, true},           {"1", 1, true},     {"2", 2, true},        {"9", 2, true},
      {"4294967297", 2, true}, {"-1", 0, true},         {"1.9", 1, true},   {"nan", 0, true},      {"wafu2", 2, true},
      {"MASK_PAPER", 0, true}, {"mask_wafu1", 1, true}, {"wafu", 0, false}, {"origami", 0, false}, {"1x", 0, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text ? c.text : "(null)");
    const MaskNamed named = MaskFromText(c.text);
    EXPECT_EQ(named.mask, c.mask);
    EXPECT_EQ(named.understood, c.understood);
  }
}

TEST(WipeChoice, ShownProportionsAreInLowestTerms) {
  struct Case {
    uint64_t width, height;
    int pixelWidth, pixelHeight;
    uint32_t shownWidth, shownHeight;
  };
  const Case cases[] = {
      {1920, 1080, 1, 1, 16, 9}, {720, 576, 16, 15, 4, 3}, {720, 576, 64, 45, 16, 9},
      {640, 360, 0, 1, 16, 9},   {640, 360, -2, 1, 16, 9}, {0, 360, 1, 1, 0, 0},
  };
  for (const Case& c : cases) {
    const Proportions shown = ShownProportions(c.width, c.height, c.pixelWidth, c.pixelHeight);
    EXPECT_EQ(shown.width, c.shownWidth) << c.width << "x" << c.height;
    EXPECT_EQ(shown.height, c.shownHeight) << c.width << "x" << c.height;
  }
  // Terms past 32 bits are halved, keeping the shape.
  const Proportions wide = ShownProportions(UINT32_MAX, 3, INT32_MAX, 1);
  EXPECT_GT(wide.width, 1000u * wide.height);
  EXPECT_GT(wide.height, 0u);
}

}  // namespace
