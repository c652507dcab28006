#!/usr/bin/env bash
# Builds the benchmarks and runs them under Wine in the build's own prefix.
# Usage: run-bench.sh [build folder]   (default: build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build}")
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-mingw32.cmake"
fi
cmake --build "$build" -j2 --target manifest_merge_bench package_copy_bench
"$root/scripts/wine-prefix.sh" "$build/wineprefix"
export WINEPREFIX="$build/wineprefix" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap 'wineserver -k 2>/dev/null || true' EXIT
wine "$build/bench/manifest_merge_bench.exe"
wine "$build/bench/package_copy_bench.exe"
