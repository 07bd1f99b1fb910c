// Module and resource services as the mask source uses them.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/module_services/ModuleServices.h"
#include "tests/support/TestPaths.h"

namespace {

const WCHAR kPng[] = L"PNG";

class ResourceModule : public ::testing::Test {
 protected:
  void SetUp() override {
    path = TestDirectory() + SharedLibraryFileName(L"Oldkiv_gapped");
    module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    ASSERT_NE(module, nullptr);
  }
  void TearDown() override { EXPECT_TRUE(FreeLibrary(module)); }

  std::wstring path;
  HMODULE module = nullptr;
};

TEST_F(ResourceModule, FindsExactlyTheIdsItHolds) {
  for (uint16_t id : {10000, 10004, 10008, 10478, 10480, 10689, 10691, 10900}) {
    EXPECT_NE(FindResourceW(module, MAKEINTRESOURCEW(id), kPng), nullptr) << id;
  }
  for (uint16_t id : {10005, 10006, 10007, 10479, 10690, 10901, 9999, 1, 65535}) {
    EXPECT_EQ(FindResourceW(module, MAKEINTRESOURCEW(id), kPng), nullptr) << id;
  }
  EXPECT_EQ(FindResourceW(module, MAKEINTRESOURCEW(10000), L"BMP"), nullptr) << "the type name must match";
}

TEST_F(ResourceModule, HandsOutTheEmbeddedBytesInPlace) {
  std::string expected = ReadWholeFile(TestDirectory() + L"frame.png");
  ASSERT_FALSE(expected.empty());
  HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(10480), kPng);
  ASSERT_NE(resource, nullptr);
  HGLOBAL loaded = LoadResource(module, resource);
  ASSERT_NE(loaded, nullptr);
  const void* bytes = LockResource(loaded);
  ASSERT_NE(bytes, nullptr);
  ASSERT_EQ(SizeofResource(module, resource), expected.size());
  EXPECT_EQ(std::memcmp(bytes, expected.data(), expected.size()), 0);
  EXPECT_EQ(LockResource(LoadResource(module, resource)), bytes) << "no copy is made";
}

TEST_F(ResourceModule, KnowsItsOwnPath) {
  WCHAR buffer[MAX_PATH] = {};
  DWORD length = GetModuleFileNameW(module, buffer, MAX_PATH);
  std::wstring name = SharedLibraryFileName(L"Oldkiv_gapped");
  ASSERT_GE(length, name.size());
  EXPECT_EQ(std::wstring(buffer + length - name.size()), name);
}

TEST(ModuleServices, LoadFailuresGiveNullHandles) {
  EXPECT_EQ(LoadLibraryExW(L"", nullptr, LOAD_WITH_ALTERED_SEARCH_PATH), nullptr);
  std::wstring missing = TestDirectory() + SharedLibraryFileName(L"Oldno_such_module");
  EXPECT_EQ(LoadLibraryExW(missing.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH), nullptr);
  EXPECT_FALSE(FreeLibrary(nullptr));
}

TEST(ModuleServices, TheNullModuleIsTheProgramWhichHoldsNoMaskFrames) {
  EXPECT_EQ(FindResourceW(nullptr, MAKEINTRESOURCEW(10000), kPng), nullptr);
}

// Whether the cut text is terminated differs between Windows versions, so the
// plug-in bounds it by the returned length itself.
TEST(ModuleServices, ATooSmallBufferGetsTheCutPath) {
  WCHAR full[MAX_PATH] = {};
  DWORD fullLength = GetModuleFileNameW(nullptr, full, MAX_PATH);
  ASSERT_GT(fullLength, 5u);
  WCHAR cut[6];
  for (WCHAR& c : cut) c = L'#';
  EXPECT_EQ(GetModuleFileNameW(nullptr, cut, 5), 5u);
  EXPECT_EQ(std::wstring(cut, 4), std::wstring(full, 4));
  EXPECT_EQ(cut[5], L'#') << "nothing is written past the buffer";
}

TEST(ModuleServices, FindsTheModuleThatHoldsAnAddress) {
  HMODULE module = nullptr;
  static const int marker = 0;
  ASSERT_TRUE(GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                 reinterpret_cast<LPCWSTR>(&marker), &module));
  WCHAR viaAddress[MAX_PATH] = {}, viaNull[MAX_PATH] = {};
  GetModuleFileNameW(module, viaAddress, MAX_PATH);
  GetModuleFileNameW(nullptr, viaNull, MAX_PATH);
  EXPECT_EQ(std::wstring(viaAddress), std::wstring(viaNull)) << "the test program holds the marker";
}

// Copies of a resource module cut short or replaced by text: refused at load,
// before anything of them is mapped and read.
TEST(ModuleServices, ACutOrForeignModuleFileDoesNotLoad) {
  for (const wchar_t* name : {L"Oldkiv_broken_cut_half", L"Oldkiv_broken_cut_early", L"Oldkiv_broken_not_a_module"}) {
    SCOPED_TRACE(::testing::PrintToString(std::wstring(name)));
    const std::wstring path = TestDirectory() + SharedLibraryFileName(name);
    HMODULE module = LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    EXPECT_EQ(module, nullptr);
#if !defined(_WIN32)
    EXPECT_EQ(GetLastError(), ERROR_BAD_EXE_FORMAT);
#endif
    if (module) FreeLibrary(module);
  }
}

#if !defined(_WIN32)
// Resource tables whose directory disagrees with the symbol that holds it
// (fixture modules Oldkiv_damaged_<name>): anything inconsistent is no resources.
HMODULE LoadDamaged(const wchar_t* name) {
  std::wstring path = TestDirectory() + SharedLibraryFileName(std::wstring(L"Oldkiv_damaged_") + name);
  return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

TEST(DamagedResourceDirectory, TheIntactFixtureHoldsItsResource) {
  HMODULE module = LoadDamaged(L"intact");
  ASSERT_NE(module, nullptr);
  HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(10000), kPng);
  ASSERT_NE(resource, nullptr);
  ASSERT_EQ(SizeofResource(module, resource), 4u);
  EXPECT_EQ(std::memcmp(LockResource(LoadResource(module, resource)), "data", 4), 0);
  EXPECT_TRUE(FreeLibrary(module));
}

TEST(DamagedResourceDirectory, ADirectoryClaimingMoreThanItsSymbolHoldsNothing) {
  // A huge count and size, a size past the symbol, a symbol of no size, one
  // too small for the header, one that ends before the type name and data.
  for (const wchar_t* name : {L"huge_count", L"beyond_symbol", L"unsized", L"short_symbol", L"cut_symbol"}) {
    SCOPED_TRACE(::testing::PrintToString(std::wstring(name)));
    HMODULE module = LoadDamaged(name);
    ASSERT_NE(module, nullptr) << "the module itself loads";
    EXPECT_EQ(FindResourceW(module, MAKEINTRESOURCEW(10000), kPng), nullptr);
    EXPECT_EQ(FindResourceW(module, MAKEINTRESOURCEW(12345), kPng), nullptr);
    EXPECT_TRUE(FreeLibrary(module));
  }
}
#endif

}  // namespace
