#!/usr/bin/env bash
# Runs scripts/try-package.sh as an author would, on a package made here (a
# Japanese caption, nested folders, names with blanks and Japanese letters,
# an obsolete file to remove), with --uninstall in English and in Japanese:
# both must end green. Then on a package whose install fails: the script
# must say so and exit non-zero.
# Usage: try_package_test.sh <build folder (win64 tree)> <scratch folder>
set -uo pipefail
build=$1 scratch=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
rm -rf "$scratch" && mkdir -p "$scratch" || exit 1
failures=()
# Each failure is told where it happens and again at the end, where a cut
# log still shows it.
fail() { echo "FAIL $*"; failures+=("$*"); }

# In a CTest slot: its copy of the prefix and its display.
case "${CTEST_RESOURCE_GROUP_0_WINE:-}" in
id:*)
    slot=${CTEST_RESOURCE_GROUP_0_WINE#id:}
    slot=$build/wine-slots/${slot%%,*}
    export TRY_PACKAGE_PREFIX=$slot/prefix
    DISPLAY=$(cat "$slot/display") || exit 1
    export DISPLAY
    ;;
esac
export BUILD_DIR
BUILD_DIR=$(dirname "$build")

package=$scratch/star-atlas
mkdir -p "$package/image/Materials/星図 Star Maps/北天" "$package/image/Materials/Read Me"
for i in 1 2 3; do echo "map $i" >"$package/image/Materials/星図 Star Maps/北天/map $i.txt"; done
echo "readme" >"$package/image/Materials/Read Me/はじめに.txt"
cat >"$package/AtlasSetup.def" <<'DEF'
<?xml version="1.0" encoding="utf-8"?>
<TavrelSetup>
	<Caption>Tavrel! 星図パック</Caption>
	<BaseRegKey>Tavrel!</BaseRegKey>
	<SfxExtractPath>Packs\StarAtlas</SfxExtractPath>
	<PackageID>StarAtlas</PackageID>
	<PackageTitle>星図パック</PackageTitle>
	<RemoveComponents><File>Materials\old star.txt</File></RemoveComponents>
</TavrelSetup>
DEF

# try <name> <expected status> <package> [LANG] [options]...
try() {
    local name=$1 expected=$2 folder=$3 lang=$4
    shift 4
    local output status
    output=$(LANG=$lang LC_ALL=$lang timeout 600 "$root/scripts/try-package.sh" "$folder" "$@" 2>&1)
    status=$?
    echo "--- $name (exit $status)"; echo "$output"
    [ "$status" = "$expected" ] || fail "$name: exit code $status, expected $expected"
    last=$(tail -n 1 <<<"$output")
    run_output=$output
}

expected_verdict='verdict: installed: 4 files and 3 folders added, 10 manifest entries added, record written, unpack folder removed; uninstalled, nothing left'
for lang in C.UTF-8 ja_JP.UTF-8; do
    try "$lang" 0 "$package" "$lang" --uninstall
    [ "$last" = "$expected_verdict" ] || fail "$lang: last line: $last"
    grep -qF '@="星図パック"' <<<"$run_output" || fail "$lang: the record's title is not shown as text"
    grep -qF 'File Materials\old star.txt: removed' <<<"$run_output" || fail "$lang: the obsolete file was not removed"
done
grep -qF 'を起動しますか' <<<"$run_output" || fail "ja_JP.UTF-8: the installer did not speak Japanese"

# A name that no Windows file can have: the installer cannot open it as a
# source and stops before anything changes, without retrying.
broken=$scratch/broken
cp -r "$package" "$broken"
touch "$broken/image/Materials/what?.txt"
SECONDS=0
try broken 1 "$broken" C
[ "$SECONDS" -lt 100 ] || fail "broken: took $SECONDS s; the failure was retried"
grep -qF 'text="Could not find the original installation file.' <<<"$run_output" || fail "broken: the damaged package was not reported"
# No change listed: the heading is followed at once by the next one.
next=$(grep -A1 -xF '== Changes in the installation folder (+ added, - removed)' <<<"$run_output" | tail -n1)
[[ $next == "== "* ]] || fail "broken: the installation folder changed: $next"
[[ $last == "verdict: NOT installed: "* ]] || fail "broken: last line: $last"

rm -rf "$scratch"
if [ ${#failures[@]} -gt 0 ]; then
    printf 'FAILED: %s\n' "${failures[@]}"
    exit 1
fi
echo "all try-package checks passed"
