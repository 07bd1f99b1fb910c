#!/usr/bin/env bash
# Installs the Debian packages the build needs; does nothing when they are all
# present. Run as root on Debian 12. Usage: install-deps.sh
#
# Built to get as far as it can on a machine as it comes:
# - an index that still fails after a few tries (a mirror in mid-sync) is a
#   warning, and apt works with the indexes it has;
# - the Linux packages are installed first, on their own, so they never wait
#   on the i386 ones;
# - Wine's i386 libraries must carry exactly the versions of their amd64
#   twins; where the indexes offer no such pair (an amd64 security update with
#   no i386 index beside it), both are set to the newest version both offer;
# - where the kernel runs no 32-bit program, they run through qemu-user
#   (binfmt_misc), from bookworm-backports: bookworm's own qemu is too old
#   for Wine.
# If Wine still cannot be installed, everything else goes on without it; the
# reason is kept in build/setup/wine-unavailable for can-run-win32 to repeat.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
# shellcheck source=tools/setup/apt-helpers.sh
. "$here/apt-helpers.sh"

linux_packages=(
  cmake make ninja-build g++ pkg-config
  googletest libgtest-dev libbenchmark-dev
  libspng-dev zlib1g-dev libdeflate-dev
  gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  mingw-w64-i686-dev libz-mingw-w64-dev
  fonts-ipafont-gothic
  dpkg-dev clang-format python3
  frei0r-plugins-dev melt libmlt-dev libmlt++-dev
  libavformat-dev libavcodec-dev libswscale-dev libswresample-dev libavutil-dev
  ffmpeg  # make bench times kavro against its xfade filter
  clang libclang-rt-14-dev libtsan2
)
wine_packages=(wine wine32:i386 fonts-wine)
wine_status="$root/build/setup/wine-unavailable"

mapfile -t missing_linux < <(missing_packages "${linux_packages[@]}")
mapfile -t missing_wine < <(missing_packages "${wine_packages[@]}")
if [ ${#missing_linux[@]} -eq 0 ] && [ ${#missing_wine[@]} -eq 0 ] && runs_32bit_code; then
  rm -f "$wine_status"
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: missing packages (${missing_linux[*]} ${missing_wine[*]}) or 32-bit execution; run as root to set them up" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive

# 32-bit Wine comes from the i386 architecture.
if [ ${#missing_wine[@]} -gt 0 ]; then
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
fi
if [ ${#missing_linux[@]} -gt 0 ] || [ ${#missing_wine[@]} -gt 0 ]; then
  apt_update
fi

if [ ${#missing_linux[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing_linux[*]}"
  if ! apt-get install -y -q --no-install-recommends "${missing_linux[@]}"; then
    # One that cannot be had keeps none of the others from coming.
    failed=()
    for p in "${missing_linux[@]}"; do
      apt-get install -y -q --no-install-recommends "$p" >/dev/null 2>&1 || failed+=("$p")
    done
    echo "install-deps: these Linux packages could not be installed: ${failed[*]} (apt's messages above)" >&2
    exit 1
  fi
fi

wine_failure() {
  mkdir -p "$(dirname "$wine_status")"
  echo "$1" >"$wine_status"
  echo "install-deps: $1; going on without the Wine steps" >&2
  exit 0
}

if [ ${#missing_wine[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing_wine[*]}"
  # Versions the i386 twins need, worked out from what the indexes offer.
  pins=()
  for round in 1 2 3 4 5 6; do
    if apt-get install -s -q --no-install-recommends --no-remove --allow-downgrades "${missing_wine[@]}" "${pins[@]}" \
      >/tmp/kiv-wine-plan.$$ 2>&1; then
      break
    fi
    if [ "$round" -eq 1 ]; then
      mapfile -t names < <(i386_closure "${missing_wine[@]}")
    else
      mapfile -t names < <(grep -oE '[a-z0-9][a-z0-9.+-]*:i386' /tmp/kiv-wine-plan.$$ | sort -u)
    fi
    mapfile -t more < <(twin_pins "$round" "${names[@]}")
    new=0
    for p in "${more[@]}"; do
      [[ " ${pins[*]} " == *" $p "* ]] || { pins+=("$p"); new=1; }
    done
    [ "$new" -eq 1 ] || break
  done
  rm -f /tmp/kiv-wine-plan.$$
  if [ ${#pins[@]} -gt 0 ]; then
    echo "install-deps: setting amd64 and i386 libraries to versions both architectures offer: ${pins[*]}"
  fi
  if ! apt-get install -y -q --no-install-recommends --no-remove --allow-downgrades "${missing_wine[@]}" "${pins[@]}"; then
    wine_failure "Wine (${missing_wine[*]}) could not be installed from the package indexes this machine has (apt's messages above)"
  fi
fi

if ! runs_32bit_code; then
  echo "install-deps: this kernel runs no 32-bit x86 program; setting up qemu-user to run them"
  if ! setup_i386_emulation; then
    wine_failure "this kernel runs no 32-bit x86 program, and emulating them through qemu-user could not be set up (messages above)"
  fi
  runs_32bit_code || wine_failure "32-bit x86 programs still do not start after registering qemu-i386"
  echo "install-deps: 32-bit x86 programs now run through $(i386_handler_interpreter)"
fi
rm -f "$wine_status"
