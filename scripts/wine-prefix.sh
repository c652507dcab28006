#!/usr/bin/env bash
# Creates the private 32-bit Wine prefix of a build tree once.
# Usage: wine-prefix.sh <prefix folder>
set -euo pipefail
prefix=$(realpath -m "$1")
export WINEPREFIX=$prefix WINEARCH=win32 WINEDEBUG=-all
# No Mono or Gecko: nothing here needs them, and their installers would prompt.
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$prefix/system.reg" ]; then
    echo "Creating the Wine prefix $prefix"
    mkdir -p "$prefix"
    wineboot -i >/dev/null 2>&1
    wineserver -w
fi
