// Frame tables built from resource modules with every frame, with gaps, with
// a missing first frame, and with no module at all.
#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <vector>

#include "masks/MaskCatalogue.h"
#include "masks/MaskImageFactory.h"
#include "masks/Pelt.h"
#include "tests/support/TestPaths.h"

namespace {

std::unique_ptr<MaskImageFactory> FactoryBeside(const wchar_t* pluginStem) {
  std::wstring plugin = TestDirectory() + SharedLibraryFileName(pluginStem);
  return std::make_unique<MaskImageFactory>(plugin.c_str());
}

std::vector<uint16_t> Consecutive(uint16_t first, size_t count) {
  std::vector<uint16_t> ids(count);
  for (size_t k = 0; k < count; ++k) ids[k] = static_cast<uint16_t>(first + k);
  return ids;
}

TEST(FrameTable, CompleteModuleNamesEveryFrame) {
  auto factory = FactoryBeside(L"kiv_complete");
  ASSERT_NE(factory->GetResourceModule(), nullptr);
  EXPECT_EQ(factory->GetMaskCount(), 3u);
  EXPECT_EQ(factory->GetFrameTable(), Consecutive(10000, 479)) << "mask 0 is selected on construction";
  EXPECT_FALSE(factory->reverse);
  factory->BuildFrameTable(1);
  EXPECT_EQ(factory->GetFrameTable(), Consecutive(10480, 210));
  factory->BuildFrameTable(2);
  EXPECT_EQ(factory->GetFrameTable(), Consecutive(10691, 210));
  factory->BuildFrameTable(0);
  EXPECT_EQ(factory->GetFrameTable(), Consecutive(10000, 479));
}

TEST(FrameTable, GapsRepeatTheNearestEarlierFrame) {
  auto factory = FactoryBeside(L"kiv_gapped");
  ASSERT_NE(factory->GetResourceModule(), nullptr);
  const auto& table = factory->GetFrameTable();
  ASSERT_EQ(table.size(), 479u);
  EXPECT_EQ(table[4], 10004);
  EXPECT_EQ(table[5], 10004);
  EXPECT_EQ(table[6], 10004);
  EXPECT_EQ(table[7], 10004);
  EXPECT_EQ(table[8], 10008);
  EXPECT_EQ(table[478], 10478);
}

TEST(FrameTable, AMissingFirstFrameKeepsItsOwnId) {
  auto factory = FactoryBeside(L"kiv_first_missing");
  factory->BuildFrameTable(1);
  const auto& table = factory->GetFrameTable();
  ASSERT_EQ(table.size(), 210u);
  EXPECT_EQ(table[0], 10480) << "names the absent resource";
  EXPECT_EQ(table[1], 10481);
  EXPECT_EQ(table[209], 10689);
}

TEST(FrameTable, WithoutAModuleEveryEntryIsTheFirstId) {
  for (const wchar_t* stem : {L"kiv_none", L"no_such_plugin"}) {
    auto factory = FactoryBeside(stem);
    EXPECT_EQ(factory->GetResourceModule(), nullptr);
    const uint16_t firstIds[] = {10000, 10480, 10691};
    for (uint32_t mask = 0; mask < 3; ++mask) {
      factory->BuildFrameTable(mask);
      EXPECT_EQ(factory->GetFrameTable(), std::vector<uint16_t>(maskFrameCounts[mask], firstIds[mask]));
    }
  }
}

TEST(FrameTable, APathWithoutAFolderLoadsNothingAndRaisesNothing) {
  MaskImageFactory factory(L"KavroVideoTransitionMask_B06");
  EXPECT_EQ(factory.GetResourceModule(), nullptr);
  EXPECT_EQ(factory.GetFrameTable().size(), 479u);
}

TEST(FrameTable, AnIndexPastTheCatalogueThrowsAfterEmptyingTheTable) {
  auto factory = FactoryBeside(L"kiv_complete");
  EXPECT_THROW(factory->BuildFrameTable(3), std::out_of_range);
  EXPECT_TRUE(factory->GetFrameTable().empty());
  factory->BuildFrameTable(2);
  EXPECT_EQ(factory->GetFrameTable().size(), 210u);
}

TEST(FrameTable, EachFactoryHoldsItsOwnModuleAndImageLibraryStart) {
  int depthBefore = InitializePelt(0) - 1;
  UninitializePelt();
  {
    std::vector<std::unique_ptr<MaskImageFactory>> factories;
    for (int i = 0; i < 6; ++i) factories.push_back(FactoryBeside(L"kiv_complete"));
    EXPECT_EQ(InitializePelt(0) - 1, depthBefore + 6);
    UninitializePelt();
    // Releasing some must not unload the module under the others.
    factories.erase(factories.begin(), factories.begin() + 5);
    factories.back()->BuildFrameTable(2);
    EXPECT_EQ(factories.back()->GetFrameTable(), Consecutive(10691, 210));
  }
  EXPECT_EQ(InitializePelt(0) - 1, depthBefore);
  UninitializePelt();
}

TEST(MaskNames, ReplaceWhateverTheListHeld) {
  auto factory = FactoryBeside(L"kiv_none");
  std::vector<CString> names = {L"stale", L"entries", L"here", L"four"};
  factory->GetMaskNames(names);
  ASSERT_EQ(names.size(), 3u);
  EXPECT_EQ(names[0], CString(L"mask_paper (479 frame)"));
  EXPECT_EQ(names[1], CString(L"mask_wafu1 (210 frame)"));
  EXPECT_EQ(names[2], CString(L"mask_wafu2 (210 frame)"));
}

}  // namespace
