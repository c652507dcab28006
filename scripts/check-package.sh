#!/usr/bin/env bash
# Checks an add-on package before it ships: runs packcheck.exe of the 64-bit
# build under Wine, in the build's prefix, building it first when needed.
# Wine's XML parser says why a definition is not well-formed but not where:
# xmllint's line and column are handed to packcheck for each definition.
# Usage: check-package.sh <package folder> [packcheck options]   (--help lists them)
# Exit code: 0 the package would install, 1 it has problems, 2 the folder
# cannot be read.
# PACKCHECK names a packcheck.exe to run instead of the build's, and
# WINE_RUN a build's wine-run script to run it with (the tests do both).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
if [ $# -lt 1 ]; then
    echo "usage: $0 <package folder> [/InstallFolder:<path>] [/AppData:<path>] [/Program:<name>.exe] [--json] [--help]" >&2
    exit 2
fi

# <file>:<line>:<column>:<reason> for a definition that xmllint finds not
# well-formed; nothing for one it reads. The column counts characters.
xml_error() {
    local dir=$1 name=$2 report
    report=$(cd "$dir" && LC_ALL=C xmllint --noout "./$name" 2>&1 >/dev/null) && return 0
    LC_ALL=C awk -v name="$name" -v path="$dir/$name" '
        NR == 1 {
            if (!match($0, /:[0-9]+: [a-z ]*error : /)) exit
            line = substr($0, RSTART + 1) + 0
            reason = substr($0, RSTART + RLENGTH)
            next
        }
        NR == 2 { context = $0; next }
        NR == 3 {
            # xmllint shows up to 80 bytes of the line around the place,
            # with a caret under it: find that excerpt in the line.
            caret = index($0, "^")
            while ((getline text < path) > 0)
                if (++n == line) break
            sub(/\r$/, "", text)
            start = context == "" ? 0 : index(text, context)
            bytes = (start > 0 ? start - 1 : 0) + caret
            prefix = substr(text, 1, bytes - 1)
            continued = gsub(/[\200-\277]/, "", prefix)
            printf "%s:%d:%d:%s\n", name, line, bytes - continued, reason
            exit
        }' <<<"$report"
}

package=$(realpath -m -- "$1")
shift
options=("$@")
if [ -d "$package" ]; then
    for definition in "$package"/*.def; do
        [ -f "$definition" ] || continue
        position=$(xml_error "$package" "$(basename "$definition")")
        [ -z "$position" ] || options+=("--xml-error=$position")
    done
fi

if [ -n "${PACKCHECK:-}" ]; then
    packcheck=$PACKCHECK
elif [ -f "$build/win64/CMakeCache.txt" ]; then
    cmake --build "$build/win64" --target packcheck >/dev/null
    "$root/scripts/wine-prefix.sh" "$build/win64/wineprefix" >/dev/null
    packcheck=$build/win64/packcheck/packcheck.exe
else
    "$root/scripts/build.sh" "$build" >/dev/null
    packcheck=$build/win64/packcheck/packcheck.exe
fi
# Wine shows the Linux file system as drive Z:.
if [ -n "${WINE_RUN:-}" ]; then
    exec "$WINE_RUN" "$packcheck" "Z:${package//\//\\}" "${options[@]}"
fi
source "$root/scripts/wine-env.sh"
export WINEPREFIX="$build/win64/wineprefix"
exec "$WINELOADER" "$packcheck" "Z:${package//\//\\}" "${options[@]}"
