#!/usr/bin/env bash
# Speed and size of the self-extracting package, under Wine in the build's
# prefix (scripts/run-bench.sh runs it inside its display):
# - unpacking a package of 2,000 files of 1 to 5 KiB in 40 folders and two of
#   60 MiB (one of random bytes, one of text) by the built .exe, from its
#   start until it has started the installer, against Wine's expand.exe on
#   the same cabinet in the same run, best of two each; target at most 1.3x;
#   then the small files and the big ones as packages of their own;
# - the built file against gcab -z of the same files plus the stub; target
#   no larger.
# Wine 8's expand.exe writes every file of a cabinet over one target file: it
# inflates and writes the same bytes but creates no folders and one file,
# so it is the quicker baseline wherever there are many files: Wine creates
# a new file in about half a millisecond.
# Usage: packsfx_bench.sh <build folder (win64 tree)>
set -eu
build=$(realpath "$1")
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine-env.sh"
export WINEPREFIX=${WINEPREFIX:-$build/wineprefix}
work=$build/bench-packsfx
rm -rf "$work" && mkdir -p "$work"
windows() { echo "Z:${1//\//\\}"; }
appdata=$(winepath -u "$(wine cmd /c echo '%APPDATA%' | tr -d '\r')")
unpack=$appdata/Halvest/BenchPack

# Deterministic bytes: AES-CTR of zeros under a fixed key.
random_bytes() { openssl enc -aes-128-ctr -K 000102030405060708090a0b0c0d0e0f -iv "$1" -nosalt </dev/zero 2>/dev/null | head -c "$2"; }

echo "== making the package (2,000 small files, two of 60 MiB)"
package=$work/package
mkdir -p "$package/image/big"
cat >"$package/packsetup.def" <<'DEF'
<?xml version="1.0" encoding="utf-8"?>
<TavrelSetup>
	<Caption>Tavrel! Bench Pack</Caption>
	<BaseRegKey>Tavrel!</BaseRegKey>
	<SfxExtractPath>BenchPack</SfxExtractPath>
	<PackageID>BenchPack</PackageID>
</TavrelSetup>
DEF
random_bytes 00000000000000000000000000000001 $((2000 * 5 * 1024)) | base64 -w 76 >"$work/text"
offset=0
for ((i = 0; i < 2000; i++)); do
    folder=$package/image/small/d$((i / 50))
    [ -d "$folder" ] || mkdir -p "$folder"
    size=$((1024 + (i * 2654435761) % 4097))
    tail -c +$((offset + 1)) "$work/text" | head -c "$size" >"$folder/f$i.txt"
    offset=$((offset + size))
done
random_bytes 00000000000000000000000000000002 $((60 << 20)) >"$package/image/big/random.bin"
random_bytes 00000000000000000000000000000003 $((45 << 20)) | base64 -w 76 | head -c $((60 << 20)) >"$package/image/big/text.txt"
rm -f "$work/text"

# The installer that the package starts: a Windows program that ends at once.
installer=$WINEPREFIX/drive_c/windows/system32/hostname.exe
stub=$build/packsfx/packsfx.exe
built=$work/bench.exe

seconds() {
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null 2>&1 || true
    end=$(date +%s.%N)
    awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f\n", e - s }'
}
best() { printf '%s\n' "$@" | sort -n | head -n 1; }

# measure <label> <package folder> <built .exe>: builds the package, then
# unpacks it by the .exe and its cabinet by expand.exe, twice each in turn.
measure() {
    local label=$1 folder=$2 file=$3 offset size ours=() theirs=() count expected ours_best theirs_best
    PACKSFX=$stub PACKSETUP=$installer PACKCHECK=$build/packcheck/packcheck.exe WINE_RUN=$build/wine-run \
        "$root/scripts/make-package.sh" "$folder" "$file" >/dev/null
    cabextract -q -t "$file" >/dev/null || { echo "$label: cabextract -t rejects the built file" >&2; exit 1; }
    offset=$(tail -c 32 "$file" | od -An -t u8 -N 8 | tr -d ' ')
    size=$(tail -c 24 "$file" | od -An -t u8 -N 8 | tr -d ' ')
    tail -c +$((offset + 1)) "$file" | head -c "$size" >"$work/bench.cab"
    expected=$(($(find "$folder" -type f | wc -l) + 1))
    for run in 1 2; do
        rm -rf "$unpack"
        ours+=("$(seconds wine "$file")")
        count=$(find "$unpack" -type f | wc -l)
        [ "$count" = "$expected" ] || { echo "$label: the package did not unpack: $count files" >&2; exit 1; }
        rm -f "$work/expanded"
        theirs+=("$(seconds wine expand.exe "$(windows "$work/bench.cab")" "$(windows "$work/expanded")")")
    done
    rm -rf "$unpack"
    ours_best=$(best "${ours[@]}")
    theirs_best=$(best "${theirs[@]}")
    echo "$label: unpack by the built .exe ${ours[*]} s, Wine's expand.exe ${theirs[*]} s;" \
        "best $ours_best s against $theirs_best s, ratio $(awk -v a="$ours_best" -v b="$theirs_best" 'BEGIN { printf "%.2f", a / b }')"
}

measure "whole package (target: ratio at most 1.3)" "$package" "$built"
# The two parts on their own: where the time goes.
for part in big small; do
    mkdir -p "$work/$part/image"
    cp "$package/packsetup.def" "$work/$part/"
    cp -r "$package/image/$part" "$work/$part/image/"
    measure "the $part files alone" "$work/$part" "$work/$part.exe"
done

mkdir -p "$work/gcab"
cp -r "$package/." "$work/gcab/"
cp "$installer" "$work/gcab/packsetup.exe"
(cd "$work/gcab" && find . -type f -printf '%P\n' | LC_ALL=C sort | xargs gcab -c -z "$work/gcab.cab")
stub_size=$(stat -c %s "$stub")
gcab_size=$(stat -c %s "$work/gcab.cab")
built_size=$(stat -c %s "$built")
echo "size: built $built_size bytes; gcab -z $gcab_size + stub $stub_size = $((gcab_size + stub_size)) bytes;" \
    "difference $((built_size - gcab_size - stub_size)) bytes (target at most 0)"
[ -n "${KEEP_BENCH:-}" ] || rm -rf "$work"
