#include "TestSeed.h"

#include <cstdlib>
#include <random>

uint32_t RunSeed() {
  static const uint32_t seed = [] {
    if (const char* text = std::getenv("KIV_TEST_SEED")) return static_cast<uint32_t>(std::strtoul(text, nullptr, 0));
    return std::random_device{}();
  }();
  return seed;
}

std::string SeedNote() {
  const std::string seed = std::to_string(RunSeed());
  return "seed " + seed + " (replay with KIV_TEST_SEED=" + seed + ")";
}
