// The harness's program: registers every family's checks, runs them, and
// with --bench times each variant this CPU runs beside the reference.
// KIV_TEST_SEED replays a run's random inputs; gtest's flags apply.
#include "checkasm.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <map>
#include <set>

#include "tests/support/TestSeed.h"

namespace checkasm {

namespace {

bool benchmarking = false;

struct Benchmark {
  std::string test, row;
  CPU_LEVEL level;
  std::function<Call()> reference, variant;
};

// The checks that ran and passed, by full name.
std::set<std::string> PassedChecks() {
  std::set<std::string> passed;
  const ::testing::UnitTest& unit = *::testing::UnitTest::GetInstance();
  for (int s = 0; s < unit.total_test_suite_count(); ++s) {
    const ::testing::TestSuite& suite = *unit.GetTestSuite(s);
    for (int t = 0; t < suite.total_test_count(); ++t) {
      const ::testing::TestInfo& info = *suite.GetTestInfo(t);
      if (info.should_run() && info.result()->Passed() && !info.result()->Skipped()) {
        passed.insert(std::string(suite.name()) + "." + info.name());
      }
    }
  }
  return passed;
}

std::vector<Benchmark>& Benchmarks() {
  static std::vector<Benchmark> benchmarks;
  return benchmarks;
}

// The best of five runs of enough calls to take a few milliseconds each.
double NanosecondsPerCall(const Call& call) {
  using Clock = std::chrono::steady_clock;
  const auto timed = [&](size_t calls) {
    const Clock::time_point start = Clock::now();
    for (size_t i = 0; i < calls; ++i) call();
    return std::chrono::duration<double, std::nano>(Clock::now() - start).count();
  };
  call();
  size_t calls = 1;
  double batch = timed(calls);
  while (batch < 5e6 && calls < (size_t{1} << 30)) {
    calls *= 2;
    batch = timed(calls);
  }
  double best = batch;
  for (int run = 1; run < 5; ++run) best = std::min(best, timed(calls));
  return best / static_cast<double>(calls);
}

void RunBenchmarks() {
#if defined(__SANITIZE_ADDRESS__)
  std::printf("\nThis build runs under AddressSanitizer: the times say little of a release build's.\n");
#endif
  std::printf("\n%-40s %-10s %14s %12s\n", "row", "level", "ns per call", "x reference");
  const std::set<std::string> passed = PassedChecks();
  // Each row's levels together, lowest first, as they were registered.
  std::vector<Benchmark> benchmarks = Benchmarks();
  std::stable_sort(benchmarks.begin(), benchmarks.end(),
                   [](const Benchmark& a, const Benchmark& b) { return a.row < b.row; });
  std::map<std::string, double> reference;
  for (const Benchmark& benchmark : benchmarks) {
    if (passed.count(benchmark.test) == 0) continue;
    auto known = reference.find(benchmark.row);
    if (known == reference.end()) {
      known = reference.emplace(benchmark.row, NanosecondsPerCall(benchmark.reference())).first;
      std::printf("%-40s %-10s %14.1f\n", benchmark.row.c_str(), CpuLevelName(CPU_LEVEL_BASELINE), known->second);
    }
    const double variant = NanosecondsPerCall(benchmark.variant());
    std::printf("%-40s %-10s %14.1f %12.2f\n", benchmark.row.c_str(), CpuLevelName(benchmark.level), variant,
                known->second / variant);
  }
}

}  // namespace

void AddBenchmark(const std::string& test, const std::string& row, CPU_LEVEL level, std::function<Call()> reference,
                  std::function<Call()> variant) {
  Benchmarks().push_back({test, row, level, std::move(reference), std::move(variant)});
}

}  // namespace checkasm

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--bench") == 0) {
      checkasm::benchmarking = true;
    } else {
      std::fprintf(stderr, "unknown argument %s; usage: checkasm [--bench] [gtest flags]\n", argv[i]);
      return 2;
    }
  }
  std::printf("checkasm: this CPU runs up to %s; %s\n", CpuLevelName(CpuLevel()), SeedNote().c_str());

  checkasm::RegisterMaskBlend();
  checkasm::RegisterMediaRows();
  checkasm::RegisterResizeRows();

  if (RUN_ALL_TESTS() != 0) {
    if (checkasm::benchmarking) std::printf("\nNo timing: a check failed.\n");
    return 1;
  }
  if (checkasm::benchmarking) checkasm::RunBenchmarks();
  return 0;
}
