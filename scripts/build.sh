#!/usr/bin/env bash
# Installs the tools, configures and builds the tree, and creates the Wine prefix.
# Usage: build.sh [build folder]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
"$root/scripts/setup-env.sh"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-mingw32.cmake" >/dev/null
cmake --build "$build" -j"$(nproc)"
"$root/scripts/wine-prefix.sh" "$build/wineprefix"
