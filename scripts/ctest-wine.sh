#!/usr/bin/env bash
# Runs CTest in a build tree with the tests side by side, each in a slot of its
# own: a fresh copy of the build's Wine prefix and a private X display, so that
# named objects, the registry, the desktop and real input are never shared.
# Usage: ctest-wine.sh <build folder> [ctest arguments...]
# TEST_SLOTS sets how many tests run at once (default: the number of cores + 1,
# since most of a test's time is spent waiting on Wine).
set -euo pipefail
build=$(realpath "$1")
shift
source "$(dirname "$0")/wine-env.sh"
slots=${TEST_SLOTS:-$(( $(nproc) + 1 ))}
root=$build/wine-slots
servers=()

stop_slots() {
    for slot in "$root"/*/; do
        [ -d "$slot/prefix" ] && WINEPREFIX="$slot/prefix" wineserver -k 2>/dev/null || true
    done
    for pid in "${servers[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
}
# Ends Wine while the displays still exist.
trap stop_slots EXIT

rm -rf "$root"
mkdir -p "$root"
groups=()
for ((id = 0; id < slots; id++)); do
    slot=$root/$id
    mkdir -p "$slot"
    cp -a "$build/wineprefix" "$slot/prefix"
    Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp 9>"$slot/display-number" 2>/dev/null &
    servers+=($!)
    for _ in $(seq 100); do
        [ -s "$slot/display-number" ] && break
        sleep 0.1
    done
    [ -s "$slot/display-number" ] || { echo "No X display for test slot $id" >&2; exit 1; }
    echo ":$(head -n1 "$slot/display-number")" > "$slot/display"
    groups+=("{\"id\": \"$id\", \"slots\": 1}")
done
# Each slot's server and desktop come up before the first test and stay up
# between tests; otherwise a test's program would start the desktop and find
# it among its own processes. A server ends with its last program, and a
# desktop that no program uses is closed after a moment, so a fixture that
# only waits keeps it in use. Asking for the desktop window starts it.
keeper=$build/tests/e2e/uiauto_fixture.exe
starting=()
for ((id = 0; id < slots; id++)); do
    (
        export WINEPREFIX=$root/$id/prefix DISPLAY
        DISPLAY=$(cat "$root/$id/display")
        wineserver -p
        "$WINELOADER" "$keeper" hang >/dev/null 2>&1 &
        "$WINELOADER" rundll32.exe user32.dll,GetDesktopWindow
    ) &
    starting+=($!)
done
wait "${starting[@]}"

# The build's CTest configuration names this file.
(IFS=,; echo "{\"version\": {\"major\": 1, \"minor\": 0}, \"local\": [{\"wine\": [${groups[*]}]}]}") \
    > "$root/resources.json"
cd "$build"
# A failing test runs once more, so that a one-off failure does not fail the
# whole run; both runs are in the log, and the tests that needed the second
# are named at the end.
status=0
ctest --output-on-failure --no-tests=error -j"$slots" --repeat until-pass:2 "$@" 2>&1 | tee "$root/ctest.log" ||
    status=$?
second=$(sed -nE 's/^[0-9/ ]*Test +#[0-9]+: ([^ ]+) .*\*\*\*.*/\1/p' "$root/ctest.log" | sort -u)
if [ "$status" = 0 ] && [ -n "$second" ]; then
    echo "Passed only when run a second time: ${second//$'\n'/ }"
fi
exit "$status"
