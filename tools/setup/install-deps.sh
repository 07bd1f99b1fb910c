#!/usr/bin/env bash
# Installs the Debian packages the build needs; does nothing when they are all present.
# Run as root on Debian 12. Usage: install-deps.sh
set -euo pipefail

packages=(
  cmake make ninja-build g++ pkg-config
  googletest libgtest-dev libbenchmark-dev
  libspng-dev zlib1g-dev libdeflate-dev
  gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix binutils-mingw-w64-i686
  mingw-w64-i686-dev libz-mingw-w64-dev
  wine wine32:i386 fonts-wine
  fonts-ipafont-gothic
  dpkg-dev clang-format python3
  frei0r-plugins-dev melt
  clang libclang-rt-14-dev libtsan2
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: missing packages (${missing[*]}); run as root to install them" >&2
  exit 1
fi

echo "install-deps: installing ${missing[*]}"
# 32-bit Wine comes from the i386 architecture.
dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
