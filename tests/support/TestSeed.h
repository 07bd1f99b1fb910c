// The seed of a test run's random inputs: KIV_TEST_SEED replays a run, and a
// failure prints the seed it ran with.
#pragma once

#include <cstdint>
#include <string>

uint32_t RunSeed();

// "seed <n> (replay with KIV_TEST_SEED=<n>)"
std::string SeedNote();
