#!/usr/bin/env bash
# Tries the sample package as its user would (scripts/try-package.sh): a
# stand-in Tavrel! 1.3.0, the package installed from its unpack folder and
# then everything removed again with unsetup.exe. Then shows the message for
# a definition without its Caption.
# Usage: demo.sh <build folder>, the win64 tree of a build
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$1
export BUILD_DIR
BUILD_DIR=$(dirname "$build")

"$root/scripts/try-package.sh" "$root/examples/sample-package" --uninstall

echo
echo "== The same package with its Caption removed from the definition"
broken=$build/demo/without-caption
rm -rf "$broken"
mkdir -p "$broken"
cp -r "$root/examples/sample-package/." "$broken/"
grep -v '<Caption>' "$root/examples/sample-package/packsetup.def" >"$broken/packsetup.def"
# This install fails, and try-package.sh says so with its exit code.
if "$root/scripts/try-package.sh" "$broken"; then
    echo "try-package.sh should have failed" >&2
    exit 1
fi
echo "(try-package.sh ended with a non-zero exit code, as the install failed)"
