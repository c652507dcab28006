#!/usr/bin/env bash
# Installs the tools and builds the tree twice: the programs as shipped (32-bit,
# for Windows XP SP2 and later) into the build folder, and the whole tree with
# its tests as 64-bit programs into its win64 folder, which the tests, the demo
# and the benchmarks run under Wine; then creates that tree's Wine prefix.
# Usage: build.sh [build folder]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
"$root/scripts/setup-env.sh"
configure() {
    cmake -S "$root" -B "$1" -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$2" >/dev/null
}
configure "$build" toolchain-i686-mingw32.cmake
cmake --build "$build" -j"$(nproc)" --target packsetup unsetup packsfx
configure "$build/win64" toolchain-x86_64-mingw32.cmake
cmake --build "$build/win64" -j"$(nproc)"
"$root/scripts/wine-prefix.sh" "$build/win64/wineprefix"
