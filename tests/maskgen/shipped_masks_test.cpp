// The resource module that ships beside the plug-in: every frame of the
// catalogue under its id, nothing else, each an 8-bit 1920x1080 gray PNG.
// Decoding is checked on Linux with libspng; the Windows build checks the PNG
// headers only, as it has no PNG decoder of its own to call here.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "MaskImageFactory.h"
#include "ModuleServices.h"
#include "TestPaths.h"

#if !defined(_WIN32)
#include <spng.h>

#include "WideUtf8.h"
#endif

namespace {

const WCHAR kPng[] = L"PNG";

struct MaskRange {
  uint16_t first;
  uint16_t last;
};
const MaskRange kMasks[] = {{10000, 10478}, {10480, 10689}, {10691, 10900}};

class ShippedModule : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::wstring path = TestDirectory() + SharedLibraryFileName(L"Oldkiv_shipped");
    module_ = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
  }
  static void TearDownTestSuite() {
    if (module_) FreeLibrary(module_);
    module_ = nullptr;
  }
  void SetUp() override { ASSERT_NE(module_, nullptr) << "the shipped resource module loads"; }

  static std::vector<uint8_t> Bytes(uint16_t id) {
    HRSRC resource = FindResourceW(module_, MAKEINTRESOURCEW(id), kPng);
    if (!resource) return {};
    const auto* data = static_cast<const uint8_t*>(LockResource(LoadResource(module_, resource)));
    if (!data) return {};
    return std::vector<uint8_t>(data, data + SizeofResource(module_, resource));
  }

  static HMODULE module_;
};
HMODULE ShippedModule::module_ = nullptr;

uint32_t BigEndian(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 | static_cast<uint32_t>(p[2]) << 8 |
         p[3];
}

TEST_F(ShippedModule, HoldsExactlyTheCatalogueIds) {
  size_t found = 0;
  for (uint32_t id = 9990; id <= 10910; ++id) {
    bool inCatalogue = false;
    for (const MaskRange& mask : kMasks) inCatalogue |= id >= mask.first && id <= mask.last;
    bool present = FindResourceW(module_, MAKEINTRESOURCEW(id), kPng) != nullptr;
    EXPECT_EQ(present, inCatalogue) << "resource " << id;
    found += present;
  }
  EXPECT_EQ(found, 899u);
  EXPECT_EQ(FindResourceW(module_, MAKEINTRESOURCEW(10000), L"BMP"), nullptr);
}

TEST_F(ShippedModule, EveryFrameIsAn8BitGrayPngOfFullSize) {
  const uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  for (const MaskRange& mask : kMasks) {
    for (uint32_t id = mask.first; id <= mask.last; ++id) {
      std::vector<uint8_t> png = Bytes(static_cast<uint16_t>(id));
      ASSERT_GE(png.size(), 33u) << "resource " << id;
      ASSERT_EQ(std::memcmp(png.data(), signature, 8), 0) << "resource " << id;
      ASSERT_EQ(std::memcmp(png.data() + 12, "IHDR", 4), 0) << "resource " << id;
      EXPECT_EQ(BigEndian(png.data() + 16), 1920u) << "resource " << id;
      EXPECT_EQ(BigEndian(png.data() + 20), 1080u) << "resource " << id;
      EXPECT_EQ(png[24], 8) << "bit depth of resource " << id;
      EXPECT_EQ(png[25], 0) << "colour type (gray) of resource " << id;
    }
  }
}

TEST_F(ShippedModule, FitsItsSizeBudget) {
  std::wstring path = TestDirectory() + SharedLibraryFileName(L"Oldkiv_shipped");
  std::string bytes = ReadWholeFile(path);
  EXPECT_GT(bytes.size(), 1000000u);
  EXPECT_LE(bytes.size(), 64u * 1000 * 1000);
}

#if !defined(_WIN32)
// Decodes a frame the way a renderer would and returns its pixels.
std::vector<uint8_t> Decode(const std::vector<uint8_t>& png, spng_ihdr& header) {
  std::unique_ptr<spng_ctx, void (*)(spng_ctx*)> context(spng_ctx_new(0), spng_ctx_free);
  if (!context || spng_set_png_buffer(context.get(), png.data(), png.size()) || spng_get_ihdr(context.get(), &header)) {
    return {};
  }
  size_t size = 0;
  if (spng_decoded_image_size(context.get(), SPNG_FMT_G8, &size)) return {};
  std::vector<uint8_t> pixels(size);
  if (spng_decode_image(context.get(), pixels.data(), size, SPNG_FMT_G8, 0)) return {};
  return pixels;
}

TEST_F(ShippedModule, EveryFrameDecodesAndEachMaskRunsFromWhiteToBlack) {
  for (const MaskRange& mask : kMasks) {
    for (uint32_t id = mask.first; id <= mask.last; ++id) {
      spng_ihdr header = {};
      std::vector<uint8_t> pixels = Decode(Bytes(static_cast<uint16_t>(id)), header);
      ASSERT_EQ(pixels.size(), 1920u * 1080u) << "resource " << id << " decodes";
      EXPECT_EQ(header.bit_depth, 8);
      EXPECT_EQ(header.color_type, SPNG_COLOR_TYPE_GRAYSCALE);
      if (id == mask.first || id == mask.last) {
        uint8_t expected = id == mask.first ? 255 : 0;
        size_t others = 0;
        for (uint8_t p : pixels) others += p != expected;
        EXPECT_EQ(others, 0u) << "resource " << id << " is entirely " << int(expected);
      }
    }
  }
}
#endif

// The plug-in's own mask source, given the shipped module, finds every frame.
TEST(ShippedModuleInPlugIn, FrameTablesNameEveryFrame) {
  std::wstring plugin = TestDirectory() + SharedLibraryFileName(L"kiv_shipped");
  auto factory = std::make_unique<MaskImageFactory>(plugin.c_str());
  ASSERT_NE(factory->GetResourceModule(), nullptr);
  for (uint32_t m = 0; m < 3; ++m) {
    factory->BuildFrameTable(m);
    std::vector<uint16_t> expected;
    for (uint32_t id = kMasks[m].first; id <= kMasks[m].last; ++id) expected.push_back(static_cast<uint16_t>(id));
    EXPECT_EQ(factory->GetFrameTable(), expected) << "mask " << m;
  }
}

}  // namespace
