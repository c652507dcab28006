#!/usr/bin/env bash
# Builds everything and runs every test: the import checks of the programs as
# shipped, then the unit and end-to-end tests on the 64-bit build under Wine.
# Usage: run-tests.sh [ctest arguments...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
"$root/scripts/build.sh" "$build"
(cd "$build" && ctest --output-on-failure --no-tests=error -R '^imports\.')
source "$root/scripts/wine-env.sh"
export WINEPREFIX="$build/win64/wineprefix"
trap 'wineserver -k 2>/dev/null || true' EXIT
"$root/scripts/with-display.sh" "$root/scripts/ctest-wine.sh" "$build/win64" "$@"
