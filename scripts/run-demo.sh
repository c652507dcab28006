#!/usr/bin/env bash
# Builds everything and runs the demo (scripts/demo.sh) under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
"$root/scripts/build.sh" "$build"
source "$root/scripts/wine-env.sh"
export WINEPREFIX="$build/win64/wineprefix"
trap 'wineserver -k 2>/dev/null || true' EXIT
# One display for the whole demo: Wine's desktop lives as long as its server.
"$root/scripts/with-display.sh" "$root/scripts/demo.sh" "$build/win64"
