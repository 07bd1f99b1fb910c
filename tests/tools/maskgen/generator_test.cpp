// Properties of the drawn mask animations, checked on reduced pictures so
// whole animations run in seconds; anti-aliasing is checked at full size.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tools/maskgen/FrameSet.h"
#include "tools/maskgen/Masks.h"
#include "tools/maskgen/PngCodec.h"

namespace {

using maskgen::MaskCatalogue;
using maskgen::RevealAnimation;

constexpr int kWidth = 192, kHeight = 108;

double Mean(const std::vector<uint8_t>& pixels) {
  double sum = 0.0;
  for (uint8_t p : pixels) sum += p;
  return sum / pixels.size();
}

TEST(MaskCatalogue, MatchesTheResourceIdsThePlugInLooksUp) {
  ASSERT_EQ(MaskCatalogue().size(), 3u);
  const struct {
    const char* name;
    int frames;
    uint16_t firstId;
  } expected[] = {{"mask_paper (479 frame)", 479, 10000},
                  {"mask_wafu1 (210 frame)", 210, 10480},
                  {"mask_wafu2 (210 frame)", 210, 10691}};
  for (size_t m = 0; m < 3; ++m) {
    EXPECT_EQ(MaskCatalogue()[m].displayName, expected[m].name);
    EXPECT_EQ(MaskCatalogue()[m].frameCount, expected[m].frames);
    EXPECT_EQ(MaskCatalogue()[m].firstResourceId, expected[m].firstId);
  }
}

class EveryMask : public ::testing::TestWithParam<size_t> {};

// One pass over all frames checks the whole life of the wipe.
TEST_P(EveryMask, WipesFromWhiteToBlackWithoutFlickerAtAnEvenPace) {
  const size_t mask = GetParam();
  RevealAnimation animation = maskgen::BuildMask(mask, kWidth, kHeight, 2);
  const int frames = MaskCatalogue()[mask].frameCount;
  ASSERT_EQ(animation.frameCount(), frames);
  ASSERT_EQ(animation.width(), kWidth);
  ASSERT_EQ(animation.height(), kHeight);

  std::vector<uint8_t> previous(kWidth * kHeight), current(kWidth * kHeight);
  animation.RenderFrame(0, previous.data());
  for (uint8_t p : previous) ASSERT_EQ(p, 255) << "the first frame shows only source A";

  std::vector<double> means = {Mean(previous)};
  for (int f = 1; f < frames; ++f) {
    animation.RenderFrame(f, current.data());
    size_t brighter = 0;
    for (size_t i = 0; i < current.size(); ++i) brighter += current[i] > previous[i];
    ASSERT_EQ(brighter, 0u) << "pixels brighten again at frame " << f;
    means.push_back(Mean(current));
    previous.swap(current);
  }
  for (uint8_t p : previous) ASSERT_EQ(p, 0) << "the last frame shows only source B";

  const double averageStep = 255.0 / (frames - 1);
  for (int f = 1; f < frames; ++f) {
    EXPECT_LE(means[f - 1] - means[f], 3.0 * averageStep) << "the mean level jumps at frame " << f;
  }
  // Half-way through the animation, about half of the picture is through.
  EXPECT_NEAR(means[frames / 2], 127.5, 25.0);
}

// A hard edge would show as neighbouring pixels far apart: every edge must
// spread over a few pixels, so no step between neighbours comes near 255.
TEST_P(EveryMask, EdgesAreSoftAtFullSize) {
  const size_t mask = GetParam();
  const int width = 1920, height = 1080;
  RevealAnimation animation = maskgen::BuildMask(mask, width, height, 2);
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height);
  for (int f : {animation.frameCount() / 4, animation.frameCount() / 2}) {
    animation.RenderFrame(f, pixels.data());
    size_t edges = 0, hard = 0;
    for (int y = 0; y + 1 < height; ++y) {
      for (int x = 0; x + 1 < width; ++x) {
        size_t i = static_cast<size_t>(y) * width + x;
        for (size_t j : {i + 1, i + width}) {
          int step = std::abs(pixels[i] - pixels[j]);
          edges += step > 0;
          hard += step > 160;
        }
      }
    }
    EXPECT_GT(edges, 1000u) << "frame " << f << " has edges to look at";
    EXPECT_EQ(hard, 0u) << "frame " << f << " of mask " << mask << " has hard steps";
  }
}

TEST_P(EveryMask, IsDeterministicWhateverTheThreadCount) {
  const size_t mask = GetParam();
  RevealAnimation one = maskgen::BuildMask(mask, kWidth, kHeight, 1);
  RevealAnimation two = maskgen::BuildMask(mask, kWidth, kHeight, 2);
  std::vector<uint8_t> a(kWidth * kHeight), b(kWidth * kHeight);
  for (int f = 1; f < one.frameCount(); f += 7) {
    one.RenderFrame(f, a.data());
    two.RenderFrame(f, b.data());
    ASSERT_EQ(a, b) << "frame " << f;
  }
}

INSTANTIATE_TEST_SUITE_P(Masks, EveryMask, ::testing::Values(0u, 1u, 2u));

// Patterns are sized by the picture height: a 4:3 picture shows the middle
// of the 16:9 one, not a squeezed copy of it.
TEST(MaskShapes, ACentreCropOfTheWidePictureIsTheNarrowPicture) {
  const int wide = 256, narrow = 192, height = 144;
  for (size_t mask = 0; mask < MaskCatalogue().size(); ++mask) {
    RevealAnimation full = maskgen::BuildMask(mask, wide, height, 2);
    RevealAnimation cropped = maskgen::BuildMask(mask, narrow, height, 2);
    std::vector<uint8_t> a(static_cast<size_t>(wide) * height), b(static_cast<size_t>(narrow) * height);
    // Each picture picks its own frame times, so compare the order in which
    // pixels darken: the narrow picture must darken like the middle of the wide one.
    std::vector<int> firstDark(a.size(), full.frameCount()), firstDarkCrop(b.size(), cropped.frameCount());
    for (int f = 0; f < full.frameCount(); ++f) {
      full.RenderFrame(f, a.data());
      cropped.RenderFrame(f, b.data());
      for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] < 128 && firstDark[i] == full.frameCount()) firstDark[i] = f;
      }
      for (size_t i = 0; i < b.size(); ++i) {
        if (b[i] < 128 && firstDarkCrop[i] == cropped.frameCount()) firstDarkCrop[i] = f;
      }
    }
    // Count pixel pairs whose order differs between the wide and the narrow picture.
    size_t pairs = 0, swapped = 0;
    const int offset = (wide - narrow) / 2;
    for (int y = 0; y < height; y += 3) {
      for (int x = 0; x + 5 < narrow; x += 5) {
        int w0 = firstDark[static_cast<size_t>(y) * wide + x + offset];
        int w1 = firstDark[static_cast<size_t>(y) * wide + x + 5 + offset];
        int n0 = firstDarkCrop[static_cast<size_t>(y) * narrow + x];
        int n1 = firstDarkCrop[static_cast<size_t>(y) * narrow + x + 5];
        if (w0 == w1 || n0 == n1) continue;
        ++pairs;
        swapped += (w0 < w1) != (n0 < n1);
      }
    }
    ASSERT_GT(pairs, 100u);
    EXPECT_LT(static_cast<double>(swapped) / pairs, 0.02) << "mask " << mask;
  }
}

TEST(PngCodec, FramesDecodeTo8BitGrayOfTheirSize) {
  RevealAnimation animation = maskgen::BuildMask(1, kWidth, kHeight, 2);
  std::vector<uint8_t> pixels(kWidth * kHeight);
  animation.RenderFrame(animation.frameCount() / 3, pixels.data());
  for (const char* filter : {"none", "sub", "up", "average", "paeth"}) {
    maskgen::PngSettings settings;
    ASSERT_TRUE(maskgen::ParseFilter(filter, settings.filter));
    std::vector<uint8_t> png = maskgen::EncodeGrayPng(pixels.data(), kWidth, kHeight, settings);
    maskgen::DecodedImage image = maskgen::DecodeGrayPng(png.data(), png.size());
    EXPECT_EQ(image.width, static_cast<uint32_t>(kWidth));
    EXPECT_EQ(image.height, static_cast<uint32_t>(kHeight));
    EXPECT_EQ(image.bitDepth, 8);
    EXPECT_EQ(image.colorType, 0) << "gray";
    EXPECT_EQ(image.pixels, pixels) << filter;
  }
}

TEST(FrameSet, WritesEveryFrameUnderItsResourceId) {
  namespace fs = std::filesystem;
  fs::path directory = fs::temp_directory_path() /
                       ("kiv_maskgen_test_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                        std::to_string(reinterpret_cast<uintptr_t>(&directory)));
  fs::remove_all(directory);
  maskgen::FrameSetOptions options;
  options.width = 48;
  options.height = 27;
  maskgen::FrameSetSummary summary = maskgen::WriteFrameSet(directory.string(), options);
  EXPECT_EQ(summary.frames, 899u);

  std::ifstream manifest(directory / "manifest.txt");
  ASSERT_TRUE(manifest) << "the manifest is written";
  std::map<int, std::string> files;
  std::string line;
  while (std::getline(manifest, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    int id = 0;
    std::string file;
    ASSERT_TRUE(fields >> id >> file) << line;
    EXPECT_TRUE(files.emplace(id, file).second) << "id " << id << " appears twice";
  }
  std::vector<int> expectedIds;
  for (int id = 10000; id <= 10478; ++id) expectedIds.push_back(id);
  for (int id = 10480; id <= 10689; ++id) expectedIds.push_back(id);
  for (int id = 10691; id <= 10900; ++id) expectedIds.push_back(id);
  std::vector<int> ids;
  for (const auto& entry : files) ids.push_back(entry.first);
  EXPECT_EQ(ids, expectedIds);

  // The first frame of each mask is white, the last black.
  for (const auto& [id, level] : std::vector<std::pair<int, int>>{{10000, 255}, {10478, 0}, {10480, 255}, {10900, 0}}) {
    std::vector<uint8_t> bytes = maskgen::ReadFile((directory / files[id]).string());
    maskgen::DecodedImage image = maskgen::DecodeGrayPng(bytes.data(), bytes.size());
    ASSERT_EQ(image.width, 48u);
    ASSERT_EQ(image.height, 27u);
    for (uint8_t p : image.pixels) ASSERT_EQ(p, level) << "resource " << id;
  }
  fs::remove_all(directory);
}

}  // namespace
