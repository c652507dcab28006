#!/usr/bin/env bash
# Checks an add-on package before it ships: runs packcheck.exe of the 64-bit
# build under Wine, in the build's prefix, building it first when needed.
# Usage: check-package.sh <package folder> [/InstallFolder:<Windows path>]
# Exit code: 0 the package would install, 1 it has problems, 2 the folder
# cannot be read.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
if [ $# -lt 1 ]; then
    echo "usage: $0 <package folder> [/InstallFolder:<path>]" >&2
    exit 2
fi
package=$(realpath -m -- "$1")
shift
if [ -f "$build/win64/CMakeCache.txt" ]; then
    cmake --build "$build/win64" --target packcheck >/dev/null
    "$root/scripts/wine-prefix.sh" "$build/win64/wineprefix" >/dev/null
else
    "$root/scripts/build.sh" "$build" >/dev/null
fi
source "$root/scripts/wine-env.sh"
export WINEPREFIX="$build/win64/wineprefix"
# Wine shows the Linux file system as drive Z:.
exec "$WINELOADER" "$build/win64/packcheck/packcheck.exe" "Z:${package//\//\\}" "$@"
