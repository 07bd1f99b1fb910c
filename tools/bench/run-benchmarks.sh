#!/usr/bin/env bash
# Runs every benchmark of the optimised native build, the timing program on
# both targets (win32 under Wine) and kavro render at full HD, keeps the
# results in build/linux-release/bench/results, and writes bench/README.md
# from them.
# `make bench` builds what this needs first.
#
# Usage: tools/bench/run-benchmarks.sh [REPETITIONS]
set -euo pipefail

cd "$(dirname "$0")/../.."
repetitions=${1:-5}
results=build/linux-release/bench/results
rm -rf "$results"
mkdir -p "$results"

uptime >"$results/load-before.txt"
for program in build/linux-release/bench/bin/*; do
  name=$(basename "$program")
  echo "== $program"
  "$program" --benchmark_repetitions="$repetitions" \
    --benchmark_out="$results/$name.json" --benchmark_out_format=json
done
echo "== kavro render, 1920x1080 C422 in, nothing out"
python3 tools/bench/kavro_fps.py build/linux-release/host/kavro build/linux-release/bench/clips "$repetitions" |
  tee "$results/kavro-fps.txt"
# The two targets take turns, so that a spell of load on the shared machine
# falls on both; the README takes each figure's median over the rounds.
rounds=3
for round in $(seq "$rounds"); do
  echo "== kiv_timing, round $round of $rounds: linux"
  build/linux-release/bench/timing/kiv_timing "$PWD/build/linux-release/dist" "$repetitions" |
    tee -a "$results/timing-linux.txt"
  echo "== kiv_timing, round $round of $rounds: win32 under Wine"
  tools/wine/run-under-wine build/win32/bench/timing/kiv_timing.exe "$PWD/build/win32/dist" "$repetitions" |
    tee -a "$results/timing-win32.txt"
done
uptime >"$results/load-after.txt"

python3 tools/bench/write_bench_readme.py "$results" bench/README.md "tools/bench/run-benchmarks.sh $repetitions"
echo "== wrote bench/README.md"
