// The resource module that ships beside the plug-in: every frame of the
// catalogue under its id, nothing else, each an 8-bit 1920x1080 gray PNG.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "masks/MaskImageFactory.h"
#include "masks/Pelt.h"
#include "platform/module_services/ModuleServices.h"
#include "tests/support/TestPaths.h"

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

// Every frame through the plug-in's own mask source, decoded by the image
// library exactly as a render would.
TEST(ShippedModuleInPlugIn, EveryFrameDecodesAndEachMaskRunsFromWhiteToBlack) {
  std::wstring plugin = TestDirectory() + SharedLibraryFileName(L"kiv_shipped");
  auto factory = std::make_unique<MaskImageFactory>(plugin.c_str());
  for (uint32_t m = 0; m < 3; ++m) {
    factory->BuildFrameTable(m);
    const uint32_t last = static_cast<uint32_t>(kMasks[m].last - kMasks[m].first);
    for (uint32_t position = 0; position <= last; ++position) {
      std::unique_ptr<TImage> frame(factory->GetFrame(position));
      ASSERT_TRUE(frame) << "mask " << m << " frame " << position << " decodes";
      ASSERT_EQ(frame->GetBitCount(), 8u);
      ASSERT_EQ(frame->GetWidth(), 1920);
      ASSERT_EQ(std::labs(frame->GetHeight()), 1080);
      if (position == 0 || position == last) {
        const uint8_t expected = position == 0 ? 255 : 0;
        size_t others = 0;
        for (long row = 0; row < 1080; ++row) {
          const unsigned char* bits = frame->GetBits() + row * frame->GetWidthBytes();
          for (long x = 0; x < 1920; ++x) others += bits[x] != expected;
        }
        EXPECT_EQ(others, 0u) << "mask " << m << " frame " << position << " is entirely " << int(expected);
      }
    }
  }
}

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
