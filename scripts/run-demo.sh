#!/usr/bin/env bash
# Builds what the demo needs, and only that, and runs the demo
# (scripts/demo.sh) under Wine, printing each phase with its time.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
win64=$build/win64
started=$SECONDS

# phase <title> <command>...: runs the command and prints how long it took.
phase() {
    local title=$1 began=$SECONDS
    shift
    echo "== phase: $title"
    "$@"
    echo "== phase done: $title, $((SECONDS - began)) s"
}

build_demo_programs() {
    cmake -S "$root" -B "$win64" -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-x86_64-mingw32.cmake" >/dev/null
    # The installer, the uninstaller, the UI-automation helper that answers
    # their messages, and the stand-in Tavrel!.
    cmake --build "$win64" -j"$(nproc)" --target packsetup unsetup uiauto_cli tavrel_1_3_0 >/dev/null
}

run_demo() {
    source "$root/scripts/wine-env.sh"
    export WINEPREFIX="$win64/wineprefix"
    trap 'wineserver -k 2>/dev/null || true' EXIT
    # One display for the whole demo: Wine's desktop lives as long as its server.
    "$root/scripts/with-display.sh" "$root/scripts/demo.sh" "$win64"
}

phase "tools (scripts/setup-env.sh)" "$root/scripts/setup-env.sh"
phase "build: packsetup, unsetup, uiauto and the stand-in Tavrel! (64-bit)" build_demo_programs
phase "Wine prefix" "$root/scripts/wine-prefix.sh" "$win64/wineprefix"
phase "demo" run_demo
echo "== demo complete: $((SECONDS - started)) s in all"
