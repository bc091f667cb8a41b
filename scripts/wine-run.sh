#!/usr/bin/env bash
# Runs a Windows program under wine64 in the given prefix, creating the prefix
# on first use: wine-run.sh PREFIX PROGRAM.exe [ARGS...]
# CMake uses it as the cross-compiling emulator of the win64 build, so ctest
# runs the test programs through it.
set -euo pipefail

prefix=$(realpath -m "$1")
shift

wine=$(command -v wine64 || true)
if [ -z "$wine" ] && [ -x /usr/lib/wine/wine64 ]; then wine=/usr/lib/wine/wine64; fi
if [ -z "$wine" ]; then
  echo "wine-run.sh: wine64 not found (Debian package wine64)" >&2
  exit 127
fi

# No display, no debug channels, no offer to install .NET or a browser engine:
# the test programs are console programs.
unset DISPLAY WAYLAND_DISPLAY
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$(dirname "$prefix")"

# The first start creates the prefix; programs started at the same time wait
# for it instead of racing to create it too.
if [ ! -f "$prefix/system.reg" ]; then
  (
    flock 9
    if [ ! -f "$prefix/system.reg" ]; then
      "$wine" wineboot -i >/dev/null 2>&1
    fi
  ) 9>"$prefix.lock"
fi

exec "$wine" "$@"
