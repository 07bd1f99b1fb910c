#!/usr/bin/env bash
# Runs every benchmark of the optimised native build, the timing program on
# both targets (win32 under Wine), kavro render, melt and kavro against
# ffmpeg's xfade at full HD, keeps the
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
echo "== kavro render, 1920x1080 C422 in, nothing out; a 1080p PNG-sequence matte beside the built-in mask"
python3 tools/bench/kavro_fps.py build/linux-release/host/kavro build/linux-release/bench/clips "$repetitions" \
  build/linux-release/masks/animations/frames |
  tee "$results/kavro-fps.txt"
echo "== melt, 1920x1080 C422 in and out: the MLT module kavro_wipe, MLT's luma, the frei0r mixer"
python3 tools/bench/melt_fps.py build/linux-release/mlt/repository build/linux-release/frei0r \
  build/linux-release/bench/clips build/linux-release/bench/melt-out.y4m "$repetitions" |
  tee "$results/melt-fps.txt"
echo "== kavro and ffmpeg's xfade, 1920x1080 H.264 in and out"
python3 tools/bench/xfade_compare.py build/linux-release/host/kavro build/linux-release/bench/clips "$repetitions" |
  tee "$results/xfade-compare.txt"
# The two targets take turns figure group by figure group, so that a spell
# of load on the shared machine falls on both alike; the README takes each
# figure's median over the rounds, and the median of the rounds' ratios.
rounds=5
win32=yes
# Under qemu-user the win32 figures time the emulator: shown, not judged.
if ! tools/wine/can-run-win32 --mode >"$results/win32-mode.txt" 2>"$results/win32-not-run.txt"; then
  win32=no
  cat "$results/win32-not-run.txt" >&2
  echo "== the win32 timings are NOT measured on this machine; the Linux ones are" >&2
else
  rm "$results/win32-not-run.txt"
  echo "== win32 under Wine: $(cat "$results/win32-mode.txt")"
  # Wine's session services start with its first program and run for seconds;
  # a session brought up and settled first keeps them out of the figures.
  tools/wine/settle-session
fi
for round in $(seq "$rounds"); do
  for group in decode resize render; do
    echo "== kiv_timing $group, round $round of $rounds: linux, then win32 under Wine"
    build/linux-release/bench/timing/kiv_timing "$PWD/build/linux-release/dist" "$repetitions" "$group" |
      tee -a "$results/timing-linux.txt"
    [ "$win32" = yes ] || continue
    tools/wine/run-under-wine build/win32/bench/timing/kiv_timing.exe "$PWD/build/win32/dist" "$repetitions" "$group" |
      tee -a "$results/timing-win32.txt"
  done
done
uptime >"$results/load-after.txt"

python3 tools/bench/write_bench_readme.py "$results" bench/README.md "tools/bench/run-benchmarks.sh $repetitions"
echo "== wrote bench/README.md"
