#!/usr/bin/env bash
# Runs packsetup.exe on the sample package in a built tree, printing every
# message box it shows as the UI-automation helper answers it.
# Usage: demo.sh <build folder>
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$1
export WINEPREFIX="$build/wineprefix" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Ends Wine while the display still exists.
trap 'wineserver -k 2>/dev/null || true' EXIT

demo=$build/demo
rm -rf "$demo"
mkdir -p "$demo"

run() {
    local folder=$1
    shift
    wine "$build/tests/e2e/uiauto.exe" --timeout 60 --default IDOK \
        --cwd "$(winepath -w "$folder")" -- "$(winepath -w "$folder/packsetup.exe")" "$@"
}

echo "== The sample package ($demo/package)"
cp -r "$root/examples/sample-package" "$demo/package"
cp "$build/packsetup/packsetup.exe" "$demo/package/"
run "$demo/package"

echo
echo "== The same package with its Caption removed from the definition"
mkdir -p "$demo/broken"
cp "$build/packsetup/packsetup.exe" "$demo/broken/"
grep -v '<Caption>' "$root/examples/sample-package/packsetup.def" > "$demo/broken/packsetup.def"
run "$demo/broken"
