#!/usr/bin/env bash
# Builds a static libspng for i686 MinGW-w64 from Debian's own source package.
# Debian ships no MinGW build of it, so the cross build makes one, once, and
# keeps it in OUT_DIR (under build/): OUT_DIR/include/spng.h, OUT_DIR/lib/libspng.a.
#
# The source is fetched with `apt-get source` through a private apt state in
# OUT_DIR/apt, whose deb-src lines are derived from this machine's own apt
# sources: the system's configuration is only read, never changed, and no
# mirror is named here. Needs dpkg-dev and the MinGW compiler and zlib
# (libz-mingw-w64-dev); not root.
#
# Usage: build-libspng-mingw.sh OUT_DIR
set -euo pipefail

[ $# -eq 1 ] || { echo "usage: $0 OUT_DIR" >&2; exit 2; }
out=$(realpath -m "$1")
cc=${KIV_MINGW_CC:-i686-w64-mingw32-gcc-posix}
ar=${KIV_MINGW_AR:-i686-w64-mingw32-ar}

if [ -f "$out/lib/libspng.a" ] && [ -f "$out/include/spng.h" ]; then
  exit 0
fi

mkdir -p "$out"
# Two cross builds configured at once must not fetch into one folder together.
exec 9>"$out.lock"
flock 9
if [ -f "$out/lib/libspng.a" ] && [ -f "$out/include/spng.h" ]; then
  exit 0
fi

apt_dir="$out/apt"
rm -rf "$apt_dir" "$out/src" "$out/obj" "$out/lib" "$out/include"
mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial" "$out/src"

# deb-src twins of every enabled system source: deb822 stanzas get their
# Types rewritten, one-line entries their leading "deb".
derive_sources() {
  local f
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    sed -E 's/^[Tt]ypes:.*/Types: deb-src/' "$f" >"$apt_dir/sources.list.d/$(basename "$f")"
  done
  local lists=()
  [ -f /etc/apt/sources.list ] && lists+=(/etc/apt/sources.list)
  for f in /etc/apt/sources.list.d/*.list; do [ -f "$f" ] && lists+=("$f"); done
  : >"$apt_dir/sources.list"
  if [ ${#lists[@]} -gt 0 ]; then
    sed -n -E 's/^[[:space:]]*deb(-src)?([[:space:]])/deb-src\2/p' "${lists[@]}" | sort -u >>"$apt_dir/sources.list"
  fi
}
derive_sources
if ! grep -qs '^deb-src' "$apt_dir/sources.list" && ! grep -qsi '^Types: deb-src' "$apt_dir"/sources.list.d/*.sources; then
  echo "build-libspng-mingw: no apt sources found to derive deb-src entries from" >&2
  exit 1
fi

apt_options=(
  -o "Dir::Etc::SourceList=$apt_dir/sources.list"
  -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
  -o "Dir::State::Lists=$apt_dir/lists"
  -o "Dir::Cache=$apt_dir/cache"
  -o "APT::Sandbox::User=$(id -un)"
)
echo "build-libspng-mingw: fetching Debian's libspng source package"
apt-get -q "${apt_options[@]}" update >"$apt_dir/update.log" 2>&1 || {
  cat "$apt_dir/update.log" >&2
  exit 1
}
(cd "$out/src" && apt-get -q "${apt_options[@]}" source libspng) >"$apt_dir/source.log" 2>&1 || {
  cat "$apt_dir/source.log" >&2
  exit 1
}

src=$(find "$out/src" -mindepth 1 -maxdepth 1 -type d -name 'libspng-*' | head -n 1)
if [ -z "$src" ] || [ ! -f "$src/spng/spng.c" ] || [ ! -f "$src/spng/spng.h" ]; then
  echo "build-libspng-mingw: unexpected layout of the libspng source in $out/src" >&2
  exit 1
fi

echo "build-libspng-mingw: compiling $(basename "$src") with $cc"
mkdir -p "$out/obj" "$out/lib" "$out/include"
# SPNG_STATIC: no dllimport/dllexport decoration; users define it too.
# SPNG_DISABLE_OPT: the portable filter code; the SIMD paths need SSE
# headers that this target's compiler rejects without -msse2.
"$cc" -std=c99 -O2 -DSPNG_STATIC -DSPNG_DISABLE_OPT -DNDEBUG -w -c "$src/spng/spng.c" -o "$out/obj/spng.o"
"$ar" rcs "$out/lib/libspng.a.tmp" "$out/obj/spng.o"
cp "$src/spng/spng.h" "$out/include/spng.h"
cp "$src/LICENSE" "$out/LICENSE" 2>/dev/null || true
mv "$out/lib/libspng.a.tmp" "$out/lib/libspng.a"
echo "build-libspng-mingw: $out/lib/libspng.a"
