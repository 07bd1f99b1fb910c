#include <gtest/gtest.h>

#include "masks/Pelt.h"

TEST(PeltLifetime, StartsNestAndStopsUnwind) {
  int base = InitializePelt(0);
  EXPECT_EQ(InitializePelt(0), base + 1);
  EXPECT_EQ(UninitializePelt(), base);
  EXPECT_EQ(UninitializePelt(), base - 1);
  while (UninitializePelt() >= 0) {
  }
  EXPECT_LT(UninitializePelt(), 0) << "stopping more often than started is refused";
  EXPECT_EQ(InitializePelt(0), 1);
  EXPECT_EQ(UninitializePelt(), 0);
}
