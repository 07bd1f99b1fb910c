// The plug-in's load and unload, seen from a host that loads it: decoders
// registered by the load alone, nothing of the plug-in's left at unload.
// This program holds no plug-in code itself, so every registration it sees
// comes from loading the plug-in.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "masks/Pelt.h"
#include "platform/module_services/ModuleServices.h"
#include "tests/support/PluginLibrary.h"
#include "tests/support/TestPaths.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif
#if !defined(_WIN32)
#include <dlfcn.h>

#include "platform/module_services/WideUtf8.h"
#endif

namespace {

const wchar_t kPlugin[] = L"kiv_none";

std::unique_ptr<TImage> Decode(const std::string& bytes) {
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  const auto size = static_cast<unsigned long>(bytes.size());
  std::unique_ptr<TImage> image(TImageGenerator::CreateInstance(data, size, -1));
  if (!image || image->Open(data, kPeltSourceMemory, size, 0) < 0) return nullptr;
  long result = image->Read(0);
  image->Close();
  return result < 0 ? nullptr : std::move(image);
}

bool PluginIsLoaded() {
  std::wstring path = TestDirectory() + SharedLibraryFileName(kPlugin);
#if defined(_WIN32)
  return GetModuleHandleW(path.c_str()) != nullptr;
#else
  void* handle = dlopen(kiv_platform::WideToUtf8(path.c_str()).c_str(), RTLD_NOW | RTLD_NOLOAD);
  if (handle) dlclose(handle);
  return handle != nullptr;
#endif
}

std::string ImageFile(const wchar_t* name) {
  std::wstring path = TestDirectory() + L"images";
  path += KIV_PATH_SEPARATOR;
  return ReadWholeFile(path + name);
}

// One test, because its first check needs a process in which the plug-in has
// never been loaded.
TEST(ModuleLifetime, LoadingRegistersTheDecodersAndUnloadingLeavesNothing) {
  const std::string png = ImageFile(L"pattern.png");
  const std::string bmp = ImageFile(L"pattern8.bmp");
  ASSERT_FALSE(png.empty());
  ASSERT_FALSE(bmp.empty());
  EXPECT_EQ(Decode(png), nullptr) << "no decoder before the plug-in loads";
  EXPECT_EQ(Decode(bmp), nullptr);

  {
    PluginLibrary plugin(SharedLibraryFileName(kPlugin));
    ASSERT_TRUE(plugin.loaded()) << plugin.error();
    // No transition object, no dialog: the load alone makes frames decodable.
    auto frame = Decode(png);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->GetBitCount(), 8);
    EXPECT_EQ(frame->GetBits()[0], 16 * 3) << "bottom row first";
    EXPECT_NE(Decode(bmp), nullptr);
  }
  EXPECT_FALSE(PluginIsLoaded());
  EXPECT_NE(Decode(png), nullptr) << "registrations outlive the plug-in";

  // Loading again registers again; the library keeps one entry per class.
  for (int i = 0; i < 3; ++i) {
    PluginLibrary plugin(SharedLibraryFileName(kPlugin));
    ASSERT_TRUE(plugin.loaded()) << plugin.error();
  }
  EXPECT_FALSE(PluginIsLoaded());
  EXPECT_EQ(TImageGenerator::AddExtendSupportFormat(TImagePNG()), 2u);

#if defined(__SANITIZE_ADDRESS__)
  // Anything of the plug-in's still allocated is now unreachable: its
  // static objects are gone with its code.
  EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0) << "the leak report above lists it";
#endif
}

}  // namespace
