#include <gtest/gtest.h>

#include "masks/MaskImageFactory.h"
#include "platform/module_services/ModuleServices.h"

namespace {

std::wstring WithSeparators(std::wstring path) {
  for (auto& c : path) {
    if (c == L'|') c = KIV_PATH_SEPARATOR;
  }
  return path;
}

TEST(ResourceModulePath, PrefixesTheFileNameInTheSameFolder) {
  EXPECT_EQ(ResourceModulePath(WithSeparators(L"|opt|host|KavroVideoTransitionMask_B06.dll").c_str()),
            WithSeparators(L"|opt|host|OldKavroVideoTransitionMask_B06.dll"));
  EXPECT_EQ(ResourceModulePath(WithSeparators(L"a|b.c|plug").c_str()), WithSeparators(L"a|b.c|Oldplug"));
  EXPECT_EQ(ResourceModulePath(WithSeparators(L"|x.so").c_str()), WithSeparators(L"|Oldx.so"));
}

TEST(ResourceModulePath, IsEmptyWithoutAFolder) {
  EXPECT_EQ(ResourceModulePath(L"KavroVideoTransitionMask_B06.dll"), L"");
  EXPECT_EQ(ResourceModulePath(L""), L"");
  EXPECT_EQ(ResourceModulePath(nullptr), L"");
}

TEST(ResourceModulePath, AFolderWithoutAFileNameGivesJustTheMarker) {
  EXPECT_EQ(ResourceModulePath(WithSeparators(L"dir|").c_str()), WithSeparators(L"dir|Old"));
}

}  // namespace
