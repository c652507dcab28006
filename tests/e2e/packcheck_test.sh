#!/usr/bin/env bash
# Runs packcheck.exe under Wine on the sample package, which must pass, and on
# packages made here with one fault of each kind, checking the lines printed
# and the exit code. Usage: packcheck_test.sh <wine-run> <packcheck.exe> <sample package> <scratch folder>
set -uo pipefail
wine_run=$1 packcheck=$2 sample=$3 scratch=$4
rm -rf "$scratch" && mkdir -p "$scratch" || exit 1
failures=0

windows() { local p; p=$(realpath -m -- "$1"); echo "Z:${p//\//\\}"; }

# check <expected exit code> <package folder> [option] -- <expected lines>...
check() {
    local expected=$1 package=$2 option=()
    shift 2
    if [ "$1" != "--" ]; then option=("$1"); shift; fi
    shift
    local output status
    output=$("$wine_run" "$packcheck" "$(windows "$package")" "${option[@]}")
    status=$?
    if [ "$status" != "$expected" ]; then
        echo "FAIL $package: exit code $status, expected $expected"; failures=$((failures + 1))
    fi
    for line in "$@"; do
        if ! grep -qxF -- "$line" <<<"$output"; then
            echo "FAIL $package: no line: $line"; failures=$((failures + 1))
        fi
    done
    echo "--- $package (exit $status)"; echo "$output"
}

definition() { mkdir -p "$1" && printf '%s\n' "$2" >"$1/packsetup.def"; }
fields='<Caption>Broken</Caption><BaseRegKey>Tavrel!</BaseRegKey>'

check 0 "$sample" -- "files: 4, folders: 3, total size: 179 bytes" "no problems: the package would install"

# Everything an author can get wrong in a definition that still loads, an
# image with a link, a huge file and a path that does not fit below a deep
# installation folder, and prerequisite folders without their setups.
broken=$scratch/broken
definition "$broken" "<TavrelSetup>$fields<SfxExtractPath>\\tavrel!\\Temp</SfxExtractPath>
<RequiredTavrelVerison>1.2.0</RequiredTavrelVerison><RequiredTavrelVersion>1.2</RequiredTavrelVersion>
<RemoveComponents><File>..\\tavrel.exe</File><File>Old\\ok.txt</File><Directory>C:\\Windows</Directory><Folder>Old</Folder></RemoveComponents>
</TavrelSetup>"
deep=$broken/image/$(printf 'a%.0s' {1..60})/$(printf 'b%.0s' {1..60})
mkdir -p "$deep" "$broken/dotnet" "$broken/directx"
echo text >"$deep/long-name.txt"
truncate -s 4G "$broken/image/huge.bin"
ln -s "$scratch" "$broken/image/shared"
install='C:\Program Files\Halvest\'$(printf 'c%.0s' {1..100})
check 1 "$broken" "/InstallFolder:$install" -- \
    'packsetup.def <RemoveComponents/File>: "..\tavrel.exe" is not a plain relative path; the installer skips it' \
    'packsetup.def <RemoveComponents/Directory>: "C:\Windows" is not a plain relative path; the installer skips it' \
    'packsetup.def <SfxExtractPath>: "\tavrel!\Temp" names the product'"'"'s own folder; the installer would delete it' \
    'packsetup.def <RequiredTavrelVersion>: "1.2" is not three numbers joined by dots (Error code: Invalid RequiredVersion field)' \
    'packsetup.def <RequiredTavrelVerison>: unknown element, ignored by the installer (misspelt?)' \
    'packsetup.def <RemoveComponents/Folder>: unknown element, ignored by the installer (misspelt?)' \
    'image\shared: junction or symbolic link; the installer refuses a package that holds one' \
    "image\\huge.bin: 4294967296 bytes, 4 GiB or more: the installer's free-space check counts only the low 32 bits of its size" \
    "image\\$(basename "$(dirname "$deep")")\\$(basename "$deep")\\long-name.txt: target path of 261 characters, 2 more than 259: $install\\$(basename "$(dirname "$deep")")\\$(basename "$deep")\\long-name.txt" \
    'dotnet: holds neither dotnetfx3.exe nor dotnetfx3setup.exe' \
    'directx: holds no dsetup.dll' \
    'files: 2, folders: 3, total size: 4294967301 bytes' \
    '11 problem(s)'

# Prerequisites that the 32-bit installer could neither start nor load: a
# .NET setup that is no program, a dsetup.dll that is a (64-bit) program.
unusable=$scratch/unusable-prerequisites
definition "$unusable" "<TavrelSetup>$fields<SfxExtractPath>Pack</SfxExtractPath></TavrelSetup>"
mkdir -p "$unusable/image" "$unusable/dotnet" "$unusable/directx"
echo x >"$unusable/image/a.txt"
echo 'not a program' >"$unusable/dotnet/dotnetfx3.exe"
cp "$packcheck" "$unusable/directx/dsetup.dll"
check 1 "$unusable" -- \
    'dotnet\dotnetfx3.exe: not a Windows program; the installer cannot start it' \
    'directx\dsetup.dll: not a Windows DLL; the installer cannot load it' '2 problem(s)'

definition "$scratch/unreadable-fields" '<TavrelSetup><Caption>Broken</Caption><SfxExtractPath/></TavrelSetup>'
check 1 "$scratch/unreadable-fields" -- \
    'packsetup.def <BaseRegKey>: XML Node not found: <BaseRegKey>' \
    'packsetup.def <SfxExtractPath>: XML Node not found: <SfxExtractPath>' 'image: missing'

definition "$scratch/wrong-root" "<TavrelSetp>$fields</TavrelSetp>"
mkdir -p "$scratch/wrong-root/image/Empty"
check 1 "$scratch/wrong-root" -- \
    'packsetup.def <TavrelSetp>: wrong root element; the installer reads <TavrelSetup>' 'image: holds no files'

definition "$scratch/not-well-formed" "<TavrelSetup>
$fields</Tavrelsetup>"
check 1 "$scratch/not-well-formed" -- 'image: missing'
# Wine's parser gives a reason but no position; Windows' gives both.
grep -q '^packsetup.def: not well-formed\( at line 2, column [0-9]*\)\?: ..*' <<<"$("$wine_run" "$packcheck" "$(windows "$scratch/not-well-formed")")" \
    || { echo "FAIL not-well-formed: no parser position and reason"; failures=$((failures + 1)); }

mkdir -p "$scratch/no-definition/image" && echo x >"$scratch/no-definition/image/a.txt"
check 1 "$scratch/no-definition" -- 'packsetup.def: missing' '1 problem(s)'

check 2 "$scratch/no-such-folder" -- "$(windows "$scratch/no-such-folder"): cannot be read"

rm -rf "$scratch"
[ "$failures" = 0 ] && echo "all packcheck checks passed"
exit $((failures > 0))
