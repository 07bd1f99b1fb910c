// A plug-in copy in a folder without the image library, loaded by a program
// that does not hold the library either: the load fails cleanly, and the
// host learns why.
#include <gtest/gtest.h>

#include "tests/support/PluginLibrary.h"
#include "tests/support/TestPaths.h"

TEST(MissingImageLibrary, ThePluginFailsToLoadAndTheHostIsTold) {
  PluginLibrary plugin(SharedLibraryFileName(L"kiv_without_image_library"));
  EXPECT_FALSE(plugin.loaded());
  EXPECT_FALSE(plugin.error().empty());
#if !defined(_WIN32)
  EXPECT_NE(plugin.error().find("PeltU"), std::string::npos) << plugin.error();
#endif
  EXPECT_EQ(plugin.Create(), nullptr);
}
