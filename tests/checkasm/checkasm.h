// One harness for every family of row functions with SIMD variants, after
// dav1d's checkasm. A family names its table's rows, with for each a check
// that holds a variant's row to the reference's bit for bit (gtest
// assertions over seeded random and extreme inputs) and a frame-wide call
// to time. Level by level the harness finds which rows the level gives a
// variant of and registers a test for each: "family.row/level". A level
// this CPU lacks is reported as skipped; a row a level keeps from the level
// below was checked there. With --bench, each variant is timed beside the
// reference once every check has passed.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/cpu/CpuLevel.h"

namespace checkasm {

// One call of a row over prepared inputs, for timing.
using Call = std::function<void()>;

template <typename Table>
struct Row {
  std::string name;
  // Whether two tables hold the same function for this row.
  std::function<bool(const Table& a, const Table& b)> same;
  // Holds the row of `variant` to the row of `reference`.
  std::function<void(const Table& reference, const Table& variant)> check;
  // A call of the row of `table` over a frame-wide row of inputs it holds
  // itself: `table` may be gone by the time it runs.
  std::function<Call(const Table& table)> bench;
};

template <typename Table, typename Fn>
Row<Table> RowOf(const char* name, Fn* Table::*entry, void (*check)(const Table&, const Table&),
                 Call (*bench)(const Table&)) {
  return {name, [entry](const Table& a, const Table& b) { return a.*entry == b.*entry; }, check, bench};
}

template <typename Table>
struct Family {
  std::string name;
  // The family's init function: the reference, then the variants of
  // `level` held to this CPU.
  void (*init)(Table& table, CPU_LEVEL level);
  // The same for any level, this CPU's or not: the reference, then the x86
  // initialiser with `level` as it is. The rows are only put in the table,
  // never run, so this tells which rows each level has a variant of.
  void (*fill)(Table& table, CPU_LEVEL level);
  // The table the library uses.
  const Table& (*inUse)();
  std::vector<Row<Table>> rows;
};

// With --bench, times `variant` beside `reference` once the check named
// `test` ("suite.name") has run and passed.
void AddBenchmark(const std::string& test, const std::string& row, CPU_LEVEL level, std::function<Call()> reference,
                  std::function<Call()> variant);

void RegisterMaskBlend();
void RegisterMediaRows();
void RegisterResizeRows();

namespace detail {

class Check : public ::testing::Test {
 public:
  explicit Check(std::function<void()> body) : body_(std::move(body)) {}
  void TestBody() override { body_(); }

 private:
  std::function<void()> body_;
};

template <typename Table>
Table Filled(void (*fill)(Table&, CPU_LEVEL), CPU_LEVEL level) {
  Table table;
  fill(table, level);
  return table;
}

inline void RegisterCheck(const std::string& suite, const std::string& name, std::function<void()> body) {
  ::testing::RegisterTest(suite.c_str(), name.c_str(), nullptr, nullptr, __FILE__, __LINE__,
                          [body]() -> ::testing::Test* { return new Check(body); });
}

// The one cap of platform/cpu decides the table the library uses, held to
// what this CPU runs; uncapped, the CPU's best.
template <typename Table>
void CheckTheCap(const Family<Table>& family) {
  const CPU_LEVEL cpu = CpuLevel();
  EXPECT_EQ(ActiveCpuLevel(), cpu) << "the best level the CPU has is used unless capped";
  for (int32_t cap = CPU_LEVEL_BASELINE; cap <= kHighestCpuLevel; ++cap) {
    const CPU_LEVEL limit = static_cast<CPU_LEVEL>(cap);
    const CPU_LEVEL expected = limit < cpu ? limit : cpu;
    EXPECT_EQ(SetCpuLevelLimit(limit), expected);
    EXPECT_EQ(ActiveCpuLevel(), expected);
    const Table wanted = Filled(family.init, expected);
    for (const Row<Table>& row : family.rows) {
      EXPECT_TRUE(row.same(family.inUse(), wanted))
          << family.name << "." << row.name << " in use under a cap at " << CpuLevelName(limit) << " is not "
          << CpuLevelName(expected) << "'s";
    }
  }
  SetCpuLevelLimit(kHighestCpuLevel);
#if defined(__x86_64__)
  EXPECT_GE(cpu, CPU_LEVEL_SSE2) << "every x86-64 CPU has SSE2";
#endif
}

}  // namespace detail

template <typename Table>
void Register(Family<Table> family) {
  detail::RegisterCheck(family.name, "TheCapChoosesTheTableInUse", [family] { detail::CheckTheCap(family); });
  for (int32_t next = CPU_LEVEL_SSE2; next <= kHighestCpuLevel; ++next) {
    const CPU_LEVEL level = static_cast<CPU_LEVEL>(next);
    const Table below = detail::Filled(family.fill, static_cast<CPU_LEVEL>(next - 1));
    const Table at = detail::Filled(family.fill, level);
    for (const Row<Table>& row : family.rows) {
      if (row.same(at, below)) continue;
      const std::string test = row.name + "/" + CpuLevelName(level);
      detail::RegisterCheck(family.name, test, [family, row, level] {
        if (CpuLevel() < level) GTEST_SKIP() << "this CPU lacks " << CpuLevelName(level);
        const Table reference = detail::Filled(family.init, CPU_LEVEL_BASELINE);
        const Table variant = detail::Filled(family.init, level);
        ASSERT_TRUE(row.same(variant, detail::Filled(family.fill, level)))
            << "the init function does not give " << CpuLevelName(level) << "'s variant on a CPU that has it";
        row.check(reference, variant);
      });
      AddBenchmark(
          family.name + "." + test, family.name + "." + row.name, level,
          [family, row] { return row.bench(detail::Filled(family.init, CPU_LEVEL_BASELINE)); },
          [family, row, level] { return row.bench(detail::Filled(family.init, level)); });
    }
  }
}

}  // namespace checkasm
