#!/usr/bin/env bash
# melt renders a wipe on four threads at once, out of order, with the MLT
# module of a ThreadSanitizer build (melt itself is not instrumented: the
# sanitizer's runtime is preloaded). Passes when no data race is reported and
# the frames are those of a render on one thread. Lock-order reports are off:
# the ones seen come from MLT's own avformat producer.
# Usage: melt_threads_under_tsan.sh REPOSITORY RUN_MELT SCRATCH_FOLDER
set -uo pipefail
repository=$1 run_melt=$2 scratch=$3
runtime=$(gcc -print-file-name=libtsan.so)
if ! melt -version > /dev/null 2>&1; then
  echo "[  SKIPPED ] melt cannot run here"
  exit 0
fi
if [ ! -e "$runtime" ]; then
  echo "melt_threads_under_tsan: no ThreadSanitizer runtime ($runtime)" >&2
  exit 1
fi
rm -rf "$scratch"
mkdir -p "$scratch"
# Two moving clips, from melt itself.
for clip in a:color:red b:noise:; do
  name=${clip%%:*}
  melt -quiet "${clip#*:}" in=0 out=39 -consumer "avformat:$scratch/$name.y4m" pix_fmt=yuv422p width=192 height=108 \
    > "$scratch/$name.log" 2>&1 || { cat "$scratch/$name.log" >&2; exit 1; }
done
# run-melt finds this melt first; only melt gets the runtime, not the shells.
mkdir -p "$scratch/bin"
printf '#!/bin/sh\nexec env LD_PRELOAD=%q %q "$@"\n' "$runtime" "$(command -v melt)" > "$scratch/bin/melt"
chmod +x "$scratch/bin/melt"
render() {
  env PATH="$scratch/bin:$PATH" MLT_REPOSITORY="$repository" TSAN_OPTIONS="detect_deadlocks=0 exitcode=66" \
    "$run_melt" -quiet "$scratch/a.y4m" in=0 out=39 -track "$scratch/b.y4m" in=0 out=39 \
    -transition kavro_wipe in=0 out=39 a_track=0 b_track=1 mask=2 invert_mask=1 \
    -consumer "avformat:$scratch/$1.y4m" pix_fmt=yuv422p "real_time=$2" > "$scratch/$1.log" 2>&1
}
status=0
render one -1 || status=1
render four -4 || status=1
if grep -q "ThreadSanitizer" "$scratch/one.log" "$scratch/four.log" || [ "$status" != 0 ]; then
  cat "$scratch/one.log" "$scratch/four.log" >&2
  echo "melt_threads_under_tsan: ThreadSanitizer reported, or melt failed" >&2
  exit 1
fi
if ! cmp -s "$scratch/one.y4m" "$scratch/four.y4m"; then
  echo "melt_threads_under_tsan: four threads wrote other frames than one" >&2
  exit 1
fi
if cmp -s "$scratch/a.y4m" "$scratch/four.y4m"; then
  echo "melt_threads_under_tsan: the wipe left clip A as it was" >&2
  exit 1
fi
echo "four render threads under ThreadSanitizer: no report, the same frames as one thread"
