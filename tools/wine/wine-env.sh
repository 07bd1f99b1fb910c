# shellcheck shell=bash
# The environment every Wine run of the project uses: its own 32-bit prefix,
# no debug output, no display. Sourced by run-under-wine and settle-session.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
export WINEPREFIX="${KIV_WINEPREFIX:-$root/build/wine}"
export WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
