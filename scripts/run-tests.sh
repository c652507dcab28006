#!/usr/bin/env bash
# Builds everything and runs every test (unit tests and end-to-end tests under Wine).
# Usage: run-tests.sh [ctest arguments...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
"$root/scripts/build.sh" "$build"
export WINEPREFIX="$build/wineprefix" WINEARCH=win32 WINEDEBUG=-all
trap 'wineserver -k 2>/dev/null || true' EXIT
"$root/scripts/with-display.sh" "$root/scripts/ctest-wine.sh" "$build" "$@"
