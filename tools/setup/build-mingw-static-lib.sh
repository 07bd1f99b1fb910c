#!/usr/bin/env bash
# Builds a static library for i686 MinGW-w64 from Debian's own source package,
# for the libraries Debian ships no MinGW build of: libspng and libdeflate.
# The cross build makes each once and keeps it in OUT_DIR (under build/):
# OUT_DIR/include/<header>, OUT_DIR/lib/<name>.a.
#
# The source is fetched with `apt-get source` through a private apt state in
# OUT_DIR/apt, whose deb-src lines are derived from this machine's own apt
# sources: the system's configuration is only read, never changed, and no
# mirror is named here. Needs dpkg-dev and the MinGW compiler, and for libspng
# the MinGW zlib (libz-mingw-w64-dev); not root.
#
# Usage: build-mingw-static-lib.sh libspng|libdeflate OUT_DIR
set -euo pipefail

usage() { echo "usage: $0 libspng|libdeflate OUT_DIR" >&2; exit 2; }
[ $# -eq 2 ] || usage
package=$1
out=$(realpath -m "$2")
cc=${KIV_MINGW_CC:-i686-w64-mingw32-gcc-posix}
ar=${KIV_MINGW_AR:-i686-w64-mingw32-ar}
me="build-mingw-static-lib ($package)"

# What each package yields, and where its sources and header sit in the tree.
case "$package" in
  libspng) archive=libspng.a header=spng/spng.h sources=(spng/spng.c)
    # SPNG_STATIC: no dllimport/dllexport decoration; users define it too.
    # SPNG_DISABLE_OPT: the portable filter code; the SIMD paths need SSE
    # headers that this target's compiler rejects without -msse2.
    flags=(-std=c99 -O2 -DSPNG_STATIC -DSPNG_DISABLE_OPT -DNDEBUG) ;;
  libdeflate) archive=libdeflate.a header=libdeflate.h
    sources=(lib/deflate_decompress.c lib/deflate_compress.c lib/utils.c lib/x86/cpu_features.c
             lib/adler32.c lib/zlib_decompress.c lib/zlib_compress.c lib/crc32.c)
    # Its own release flags; the SIMD paths pick their instruction sets per function.
    flags=(-std=c99 -O2 -fomit-frame-pointer -DNDEBUG) ;;
  *) usage ;;
esac
built() { [ -f "$out/lib/$archive" ] && [ -f "$out/include/$(basename "$header")" ]; }

built && exit 0

mkdir -p "$out"
# Two cross builds configured at once must not fetch into one folder together.
exec 9>"$out.lock"
flock 9
built && exit 0

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
  echo "$me: no apt sources found to derive deb-src entries from" >&2
  exit 1
fi

apt_options=(
  -o "Dir::Etc::SourceList=$apt_dir/sources.list"
  -o "Dir::Etc::SourceParts=$apt_dir/sources.list.d"
  -o "Dir::State::Lists=$apt_dir/lists"
  -o "Dir::Cache=$apt_dir/cache"
  -o "APT::Sandbox::User=$(id -un)"
)
echo "$me: fetching Debian's source package"
# A mirror in mid-sync fails on some index; the one with this package may
# still have come.
update_failed=0
apt-get -q "${apt_options[@]}" update >"$apt_dir/update.log" 2>&1 || update_failed=1
(cd "$out/src" && apt-get -q "${apt_options[@]}" source "$package") >"$apt_dir/source.log" 2>&1 || {
  [ "$update_failed" -eq 0 ] || grep -E '^(E|W):' "$apt_dir/update.log" >&2
  cat "$apt_dir/source.log" >&2
  exit 1
}

src=$(find "$out/src" -mindepth 1 -maxdepth 1 -type d -name "$package-*" | head -n 1)
for file in "$header" "${sources[@]}"; do
  if [ -z "$src" ] || [ ! -f "$src/$file" ]; then
    echo "$me: unexpected layout of the source in $out/src (no $file)" >&2
    exit 1
  fi
done

echo "$me: compiling $(basename "$src") with $cc"
mkdir -p "$out/obj" "$out/lib" "$out/include"
objects=()
for file in "${sources[@]}"; do
  object="$out/obj/$(basename "${file%.c}").o"
  "$cc" "${flags[@]}" -I"$src" -w -c "$src/$file" -o "$object"
  objects+=("$object")
done
rm -f "$out/lib/$archive.tmp"
"$ar" rcs "$out/lib/$archive.tmp" "${objects[@]}"
cp "$src/$header" "$out/include/"
for license in LICENSE COPYING; do
  if [ -f "$src/$license" ]; then cp "$src/$license" "$out/$license"; fi
done
mv "$out/lib/$archive.tmp" "$out/lib/$archive"
echo "$me: $out/lib/$archive"
