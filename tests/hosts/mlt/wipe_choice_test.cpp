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

TEST(WipeChoice, OnlyKdenlivesUntouchedProgressFollowsThePosition) {
  for (const char* dropped : {"0=0", "00:00:00.000=0", "0|=0", "0~=0.0", "0=0;"}) {
    EXPECT_TRUE(ProgressLeftAsDropped(dropped)) << dropped;
  }
  for (const char* given : {"0", "0=0.5", "0=0;30=1", "10=0", "-1=0", "0=abc", "", "0=0;-1=1"}) {
    EXPECT_FALSE(ProgressLeftAsDropped(given)) << given;
  }
  EXPECT_FALSE(ProgressLeftAsDropped(nullptr));
}

TEST(WipeChoice, ValuesOutOfRangeOrNotUnderstoodAreSaidWithWhatIsUsed) {
  struct Case {
    const char* property;
    const char* text;
    ValueKind kind;
    const char* said;  // empty: nothing to say
  };
  const Case cases[] = {
      {"progress", "0.25", ValueKind::kProgress, ""},
      {"progress", "0=0;50~=0.4;-1=1", ValueKind::kProgress, ""},
      {"progress", "nan", ValueKind::kProgress, "progress=nan: nan is not a progress from 0 to 1: 0 is used"},
      {"progress", "-5", ValueKind::kProgress, "progress=-5: -5 is not a progress from 0 to 1: 0 is used"},
      {"progress", "1e9", ValueKind::kProgress, "progress=1e9: 1e9 is not a progress from 0 to 1: 1 is used"},
      {"progress", "inf", ValueKind::kProgress, "progress=inf: inf is not a progress from 0 to 1: 1 is used"},
      {"progress", "0,5", ValueKind::kProgress, "progress=0,5: 0,5 is not a progress from 0 to 1: 0 is used"},
      {"progress", "0=0;10=abc", ValueKind::kProgress,
       "progress=0=0;10=abc: 'abc' is not a progress from 0 to 1: 0 is used for it"},
      {"invert_mask", "1", ValueKind::kFlag, ""},
      {"invert_mask", "yes", ValueKind::kFlag, "invert_mask=yes: yes is not 0 or 1: 0 is used"},
      {"reverse", "2", ValueKind::kFlag, "reverse=2: 2 is not 0 or 1: 1 is used"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(CheckValues(c.property, c.text, c.kind), c.said);
  }
  EXPECT_EQ(CheckValues("progress", nullptr, ValueKind::kProgress), "");

  for (const char* bad : {"-1", "nan", "99", "inf", "0x2", "1.9"}) {
    EXPECT_NE(MaskFromText(bad).problem.find(std::string("mask=") + bad + " is no mask index"), std::string::npos)
        << bad;
  }
  EXPECT_EQ(MaskFromText("2").problem, "");
  EXPECT_EQ(MaskFromText("wafu2").problem, "");
  EXPECT_EQ(MaskFromText("origami").problem, "no mask 'origami': mask 0 (mask_paper (479 frame)) is used");
}

// Numbers stay indexes even with a dot in them; text naming a file, folder
// or pattern is a matte's path, said as nothing wrong.
TEST(WipeChoice, MaskTextWithAPathNamesAMatteAndNumbersStayIndexes) {
  for (const char* path : {"wipes/iris_%03d.png", "clock.png", "/no/such/folder", "m_%d.pgm"}) {
    const MaskNamed named = MaskFromText(path);
    EXPECT_EQ(named.matte, path);
    EXPECT_TRUE(named.understood) << path;
    EXPECT_EQ(named.problem, "") << path;
  }
  for (const char* notPath : {"1.9", "1e0", "wafu2", "origami", "2"})
    EXPECT_EQ(MaskFromText(notPath).matte, "") << notPath;
}

TEST(WipeChoice, MatteOptionsAreReadAndValuesNotUnderstoodAreTheDefaultsSaidOnceEach) {
  MatteOpeningRead read = ReadMatteOpening("own_rate", "luma", "0.25");
  EXPECT_EQ(read.opening.timing, kavro::MatteTiming::kOwnRate);
  EXPECT_EQ(read.opening.kind, kavro::MatteKind::kLumaMap);
  EXPECT_EQ(read.opening.softness, 0.25);
  EXPECT_TRUE(read.problems.empty());
  read = ReadMatteOpening(nullptr, "animated", "");
  EXPECT_EQ(read.opening.timing, kavro::MatteTiming::kSpread);
  EXPECT_EQ(read.opening.kind, kavro::MatteKind::kAnimated);
  EXPECT_TRUE(read.problems.empty());

  read = ReadMatteOpening("own-rate", "still", "3");
  EXPECT_EQ(read.opening.timing, kavro::MatteTiming::kSpread);
  EXPECT_EQ(read.opening.kind, kavro::MatteKind::kByFrameCount);
  EXPECT_EQ(read.opening.softness, 1.0);
  ASSERT_EQ(read.problems.size(), 3u);
  EXPECT_EQ(read.problems[0].second, "mask_timing=own-rate is neither spread nor own_rate: spread is used");
  EXPECT_EQ(read.problems[1].second, "mask_kind=still is not auto, animated or luma: auto is used");
  EXPECT_EQ(read.problems[2].second, "softness=3: 3 is not a softness from 0 to 1: 1 is used");
  EXPECT_EQ(ReadMatteOpening(nullptr, nullptr, "soft").opening.softness, 0.0);
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
