#!/usr/bin/env bash
# Builds an add-on package into one self-extracting file: checks it with
# packcheck under Wine (scripts/check-package.sh) and, when it has no
# problems, writes the stub packsfx.exe with the package appended as a
# cabinet, the installer packsetup.exe stored under the definition's name.
# Usage: make-package.sh <package folder> <output.exe> [--force] [packcheck options]
#   --force  builds even a package with problems
# Exit code: 0 built, 1 refused (the package has problems), 2 failed.
# The stub and the installer are the shipped 32-bit programs of the build
# folder's own tree (scripts/build.sh); where that tree has none, those of
# the 64-bit tree, which only this machine's Wine runs (good for trying a
# package, not for shipping). PACKSFX and PACKSETUP name other files.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
if [ $# -lt 2 ]; then
    echo "usage: $0 <package folder> <output.exe> [--force] [packcheck options]" >&2
    exit 2
fi
package=$1 output=$2
shift 2

pick() {
    local name=$1 override=$2
    if [ -n "$override" ]; then
        echo "$override"
    elif [ -f "$build/$name/$name.exe" ]; then
        echo "$build/$name/$name.exe"
    else
        if [ -f "$build/win64/CMakeCache.txt" ]; then
            cmake --build "$build/win64" --target "$name" >/dev/null
        fi
        echo "$root/scripts/make-package.sh: no 32-bit $name.exe in $build; using the 64-bit test build's" >&2
        echo "$build/win64/$name/$name.exe"
    fi
}
stub=$(realpath -- "$(pick packsfx "${PACKSFX:-}")")
installer=$(realpath -- "$(pick packsetup "${PACKSETUP:-}")")
output=$(realpath -m -- "$output")
windows() { echo "Z:${1//\//\\}"; }
exec "$root/scripts/check-package.sh" "$package" "--build=$(windows "$output")" \
    "/Stub:$(windows "$stub")" "/Installer:$(windows "$installer")" "$@"
