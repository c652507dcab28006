#!/usr/bin/env bash
# Runs CTest in a build tree once Wine's server and desktop are up, so that the
# first tests do not race each other starting them.
# Usage: ctest-wine.sh <build folder> [ctest arguments...]
set -euo pipefail
build=$1
shift
source "$(dirname "$0")/wine-env.sh"
export WINEPREFIX="$build/wineprefix"
# Ends Wine while the display still exists.
trap 'wineserver -k 2>/dev/null || true' EXIT
wine cmd /c exit 0
cd "$build"
ctest --output-on-failure --no-tests=error -j"$(nproc)" "$@"
