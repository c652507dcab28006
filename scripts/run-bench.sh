#!/usr/bin/env bash
# Builds the benchmarks and runs them under Wine in the build's own prefix.
# Usage: run-bench.sh [build folder]   (default: build; its 64-bit tree win64 runs)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build}")/win64
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release \
          -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64-mingw32.cmake"
fi
cmake --build "$build" -j2 --target manifest_merge_bench package_copy_bench install_bench uninstall_bench \
    packsfx packcheck
"$root/scripts/wine-prefix.sh" "$build/wineprefix"
source "$root/scripts/wine-env.sh"
export WINEPREFIX="$build/wineprefix"
# The self-extractor's benchmark is a script: it builds packages and times programs.
export SFX_BENCH="$root/bench/packsfx_bench.sh" SFX_BENCH_BUILD="$build"
# The install benchmark shows windows: every benchmark runs inside one display,
# and Wine ends while the display still exists.
"$root/scripts/with-display.sh" bash -c 'trap "wineserver -k 2>/dev/null || true" EXIT
status=0
for program in "$@"; do "$WINELOADER" "$program" || status=1; done
bash "$SFX_BENCH" "$SFX_BENCH_BUILD" || status=1
exit $status' run-bench \
    "$build/bench/manifest_merge_bench.exe" "$build/bench/package_copy_bench.exe" "$build/bench/install_bench.exe" "$build/bench/uninstall_bench.exe"
