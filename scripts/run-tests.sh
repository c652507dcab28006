#!/usr/bin/env bash
# Builds everything and runs every test: the import checks of the programs as
# shipped, then the unit and end-to-end tests on the 64-bit build under Wine,
# side by side in private Wine slots (scripts/ctest-wine.sh).
# Usage: run-tests.sh [ctest arguments...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
"$root/scripts/build.sh" "$build"
(cd "$build" && ctest --output-on-failure --no-tests=error -R '^imports\.')
"$root/scripts/ctest-wine.sh" "$build/win64" "$@"
