#!/usr/bin/env bash
# The self-extracting package end to end: the sample package built with
# scripts/make-package.sh into one .exe, which cabextract accepts and which
# installs the sample through scripts/try-package.sh in English and, signed
# with osslsigncode, in Japanese. Then one lean run per kind of bad input,
# each of which must stop with its message before anything runs and leave
# no unpack folder behind.
# Usage: packsfx_test.sh <build folder (win64 tree)> <scratch folder>
set -uo pipefail
build=$1 scratch=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
rm -rf "$scratch" && mkdir -p "$scratch" || exit 1
failures=()
# Each failure is told where it happens and again at the end, where a cut
# log still shows it.
fail() { echo "FAIL $*"; failures+=("$*"); }

# In a CTest slot: its copy of the prefix and its display.
prefix=$build/wineprefix
case "${CTEST_RESOURCE_GROUP_0_WINE:-}" in
id:*)
    slot=${CTEST_RESOURCE_GROUP_0_WINE#id:}
    slot=$build/wine-slots/${slot%%,*}
    prefix=$slot/prefix
    export TRY_PACKAGE_PREFIX=$prefix
    DISPLAY=$(cat "$slot/display") || exit 1
    export DISPLAY
    ;;
esac
BUILD_DIR=$(dirname "$build")
export BUILD_DIR
export PACKSFX=$build/packsfx/packsfx.exe PACKSETUP=$build/packsetup/packsetup.exe
export PACKCHECK=$build/packcheck/packcheck.exe WINE_RUN=$build/wine-run
# try-package.sh keeps its working files here, not beside another test's.
export TRY_PACKAGE_WORK=$scratch/try-package
source "$root/scripts/wine-env.sh"
export WINEPREFIX=$prefix
appdata=$(winepath -u "$(wine cmd /c echo '%APPDATA%' | tr -d '\r')")
halvest=$appdata/Halvest
unpack=$halvest/SampleMaterialPack

make_package() { "$root/scripts/make-package.sh" "$@" >"$scratch/make.txt" 2>&1; }

# --- The sample, built, checked, signed and installed ----------------------------

# Built from a folder as deep as an author's may be: its files' own paths pass
# MAX_PATH (a Windows path of 230 characters for the folder, wherever the
# tree is kept).
deep_sample=$scratch/$(printf 'd%.0s' $(seq $((230 - 2 - ${#scratch} - 16))))/sample-package
mkdir -p "$(dirname "$deep_sample")" && cp -r "$root/examples/sample-package" "$deep_sample" || exit 1
sample=$scratch/sample.exe
make_package "$deep_sample" "$sample" || { cat "$scratch/make.txt"; fail "make-package.sh on the sample"; }
cabextract -t "$sample" >"$scratch/cabextract.txt" 2>&1 || { cat "$scratch/cabextract.txt"; fail "cabextract -t rejects the built file"; }

openssl req -x509 -newkey rsa:2048 -nodes -keyout "$scratch/key.pem" -out "$scratch/cert.pem" -subj /CN=Author \
    -days 2 >/dev/null 2>&1
signed=$scratch/signed.exe
osslsigncode sign -certs "$scratch/cert.pem" -key "$scratch/key.pem" -n "Sample Material Pack" \
    -in "$sample" -out "$signed" >/dev/null || fail "osslsigncode cannot sign the built file"
osslsigncode extract-signature -in "$signed" -out "$scratch/signature.der" >/dev/null 2>&1 ||
    fail "the signed file carries no signature"

expected_verdict='verdict: installed: 4 files and 1 folder added, 9 manifest entries added, record written, unpack folder removed; uninstalled, nothing left'
for run in "C.UTF-8 $sample" "ja_JP.UTF-8 $signed"; do
    lang=${run%% *} file=${run#* }
    output=$(LANG=$lang LC_ALL=$lang timeout 600 "$root/scripts/try-package.sh" "$file" --uninstall 2>&1)
    echo "--- $lang $(basename "$file")"; echo "$output"
    [ "$(tail -n 1 <<<"$output")" = "$expected_verdict" ] || fail "$lang: $(basename "$file") did not install and uninstall"
done
grep -qF 'を起動しますか' <<<"$output" || fail "ja_JP.UTF-8: the installer did not speak Japanese"

# A folder left by an earlier run is emptied before the package is unpacked
# there. Tavrel! is gone by now, so the installer stops at once and leaves
# the unpacked package in place.
mkdir -p "$unpack/stale"
echo "from an earlier run" >"$unpack/stale/old.txt"
wine "$build/tests/e2e/uiauto.exe" --timeout 60 --default IDOK -- "$(winepath -w "$sample")" >"$scratch/rerun.txt"
[ -f "$unpack/packsetup.def" ] && [ ! -e "$unpack/stale" ] || fail "an earlier run's folder was not emptied: $(ls -A "$unpack")"

# --- Bad input: its message, nothing run, nothing left --------------------------

# run_bad <name> <file.exe> <text of the message>: the stub ends with 1 after
# showing the text, the installer never runs, and no unpack folder is left.
run_bad() {
    local name=$1 file=$2 text=$3 output
    output=$(wine "$build/tests/e2e/uiauto.exe" --timeout 60 --default IDOK -- "$(winepath -w "$file")" | tr -d '\r')
    echo "--- $name"; echo "$output"
    grep -qF "$text" <<<"$output" || fail "$name: no message \"$text\""
    grep -qx 'exit code: 1' <<<"$output" || fail "$name: the stub did not end with 1"
    ! grep -q 'process=packsetup' <<<"$output" || fail "$name: the installer ran"
    [ ! -e "$unpack" ] || fail "$name: the unpack folder was left: $(ls -A "$unpack" | head -3)"
}
rm -rf "$halvest"

# A flipped byte in the cabinet, and a download cut short.
cabinet_offset=$(tail -c 32 "$sample" | od -An -t u8 -N 8 | tr -d ' ')
cabinet_size=$(tail -c 24 "$sample" | od -An -t u8 -N 8 | tr -d ' ')
cp "$sample" "$scratch/flipped.exe"
at=$((cabinet_offset + cabinet_size / 2))
byte=$(od -An -t u1 -j "$at" -N 1 "$sample" | tr -d ' ')
printf "$(printf '\\%03o' $((byte ^ 1)))" | dd of="$scratch/flipped.exe" bs=1 seek="$at" conv=notrunc 2>/dev/null
run_bad flipped "$scratch/flipped.exe" "This package is damaged or incomplete"
head -c -1000 "$sample" >"$scratch/cut.exe"
run_bad cut "$scratch/cut.exe" "This package is damaged or incomplete"

# Definitions that the checker refuses to build, built anyway.
variant() {
    local name=$1 extract=$2
    rm -rf "$scratch/$name" && cp -r "$root/examples/sample-package" "$scratch/$name"
    sed -i "s|<SfxExtractPath>SampleMaterialPack</SfxExtractPath>|$extract|" "$scratch/$name/packsetup.def"
}
variant escaping '<SfxExtractPath>..\\..\\Startup</SfxExtractPath>'
# For scripts, the build's outcome ends the JSON findings.
make_package "$scratch/escaping" "$scratch/escaping.exe" --json
[ $? = 1 ] && [ ! -e "$scratch/escaping.exe" ] || fail "make-package.sh built a package with problems"
[ "$(tail -n 1 "$scratch/make.txt")" = '{"build": "refused", "message": "the package has problems (--force builds it anyway)"}' ] ||
    fail "--json: no refusal object: $(tail -n 1 "$scratch/make.txt")"
make_package "$scratch/escaping" "$scratch/escaping.exe" --force --json || fail "make-package.sh --force did not build"
grep -qxF '{"build": "built", "output": "Z:'"${scratch//\//\\\\}"'\\escaping.exe"}' "$scratch/make.txt" ||
    fail "--json: no build object: $(tail -n 1 "$scratch/make.txt")"
run_bad "refused SfxExtractPath" "$scratch/escaping.exe" 'names an unpack folder that is not allowed'
variant no-extract-path ''
make_package "$scratch/no-extract-path" "$scratch/no-extract-path.exe" --force
run_bad "no SfxExtractPath" "$scratch/no-extract-path.exe" 'XML Node not found: <SfxExtractPath>'

# File names in the cabinet that leave the unpack folder: "..\" and a
# drive, written over a name of the same length, the trailer's checksum
# made to match (gzip's trailer holds the CRC-32 of its input).
patched_name() {
    local name=$1 from=$2 to=$3 position crc
    cp "$sample" "$scratch/$name.exe"
    position=$(grep -obUaF "$from" "$sample" | tail -n 1 | cut -d: -f1)
    printf '%s' "$to" | dd of="$scratch/$name.exe" bs=1 seek="$position" conv=notrunc 2>/dev/null
    crc=$(tail -c +$((cabinet_offset + 1)) "$scratch/$name.exe" | head -c "$cabinet_size" | gzip -c | tail -c 8 | head -c 4 | od -An -t x1 | tr -d ' \n')
    printf "$(sed 's/../\\x&/g' <<<"$crc")" |
        dd of="$scratch/$name.exe" bs=1 seek=$(($(stat -c %s "$sample") - 16)) conv=notrunc 2>/dev/null
}
patched_name parent 'image\Materials\SamplePack-readme.txt' '..\..\Materials\SamplePack-readme.txt'
run_bad '..\ in a name' "$scratch/parent.exe" 'leads outside its folder'
[ ! -e "$appdata/Materials" ] || fail '..\ in a name: a file was written outside the unpack folder'
patched_name drive 'image\Materials\SamplePack-readme.txt' 'C:\ab\Materials\SamplePack-readme.txt'
run_bad 'a drive in a name' "$scratch/drive.exe" 'leads outside its folder'
[ ! -e "$prefix/drive_c/ab" ] || fail 'a drive in a name: a file was written on that drive'

# The way to the unpack folder: a file where a folder must be, then a link.
echo "not a folder" >"$halvest"
run_bad "folder cannot be created" "$sample" 'The unpack folder cannot be created'
rm -f "$halvest"
mkdir -p "$scratch/elsewhere"
ln -s "$scratch/elsewhere" "$halvest"
run_bad "link on the way" "$sample" 'leads through a link'
[ -z "$(ls -A "$scratch/elsewhere")" ] || fail "link on the way: something was written through the link"
rm -f "$halvest"

# A file that cannot be written halfway through (a name that comes twice,
# as a full disk would stop it): what was unpacked goes again.
variant twice '<SfxExtractPath>SampleMaterialPack</SfxExtractPath>'
echo one >"$scratch/twice/image/Materials/a1.txt"
echo two >"$scratch/twice/image/Materials/a2.txt"
make_package "$scratch/twice" "$scratch/twice-built.exe" || fail "make-package.sh on a good package"
sample=$scratch/twice-built.exe
cabinet_offset=$(tail -c 32 "$sample" | od -An -t u8 -N 8 | tr -d ' ')
cabinet_size=$(tail -c 24 "$sample" | od -An -t u8 -N 8 | tr -d ' ')
patched_name twice 'image\Materials\a2.txt' 'image\Materials\a1.txt'
run_bad "a file that cannot be written" "$scratch/twice.exe" 'could not be unpacked (error 80)'
rm -rf "$halvest"

# A full disk: %APPDATA% moved to a drive whose file system is too small for
# the package, once by far, once by less than the sizes of the files say (a
# file takes whole 4 KiB pages there): the free space looks enough and a
# write fails halfway. Only where this machine lets the test mount one.
small_disk=$scratch/small-disk
mkdir -p "$small_disk"
folders='HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer'
appdata_windows=$(wine cmd /c echo '%APPDATA%' | tr -d '\r')
saved_unpack=$unpack
installer_pages=$((($(stat -c %s "$PACKSETUP") + 4095) / 4096))
for size in 512k $((installer_pages * 4096)); do
    if ! mount -t tmpfs -o size=$size tmpfs "$small_disk" 2>/dev/null; then
        echo "--- full disk: not tried, this machine does not let the test mount a small file system"
        break
    fi
    trap 'umount "$small_disk" 2>/dev/null' EXIT
    mkdir -p "$small_disk/AppData"
    ln -sfn "$small_disk" "$prefix/dosdevices/q:"
    wine reg add "$folders\User Shell Folders" /v AppData /t REG_EXPAND_SZ /d 'Q:\AppData' /f >/dev/null
    wine reg add "$folders\Shell Folders" /v AppData /t REG_SZ /d 'Q:\AppData' /f >/dev/null
    unpack=$small_disk/AppData/Halvest/SampleMaterialPack
    run_bad "full disk ($size bytes)" "$scratch/sample.exe" 'not enough disk space'
    unpack=$saved_unpack
    wine reg add "$folders\User Shell Folders" /v AppData /t REG_EXPAND_SZ /d '%USERPROFILE%\AppData\Roaming' /f >/dev/null
    wine reg add "$folders\Shell Folders" /v AppData /t REG_SZ /d "$appdata_windows" /f >/dev/null
    rm -f "$prefix/dosdevices/q:"
    umount "$small_disk"
done

rm -rf "$scratch"
if [ ${#failures[@]} -gt 0 ]; then
    printf 'FAILED: %s\n' "${failures[@]}"
    exit 1
fi
echo "all self-extractor checks passed"
