#!/usr/bin/env bash
# Runs packcheck.exe under Wine on the sample package, which must pass, and on
# packages made here with one fault of each kind, checking the lines printed
# and the exit code. Usage: packcheck_test.sh <wine-run> <packcheck.exe> <sample package> <scratch folder>
set -uo pipefail
wine_run=$1 packcheck=$2 sample=$3 scratch=$4
check_package=$(cd "$(dirname "$0")/../.." && pwd)/scripts/check-package.sh
rm -rf "$scratch" && mkdir -p "$scratch" || exit 1
failures=()
# Each failure is told where it happens and again at the end, where a cut
# log still shows it.
fail() { echo "FAIL $*"; failures+=("$*"); }

windows() { local p; p=$(realpath -m -- "$1"); echo "Z:${p//\//\\}"; }
# padding <length> <letter> <leaf>: a folder name of that letter that brings
# the Windows path of $scratch\<name>\<leaf> to the length, wherever the tree is.
padding() {
    local scratch_path n
    scratch_path=$(windows "$scratch")
    n=$(($1 - ${#scratch_path} - 2 - ${#3}))
    printf "$2%.0s" $(seq $((n > 0 ? n : 1)))
}

# check <expected exit code> <package folder> [option] -- <expected lines>...
check() {
    local expected=$1 package=$2 option=()
    shift 2
    if [ "$1" != "--" ]; then option=("$1"); shift; fi
    shift
    local output status before=${#failures[@]}
    output=$("$wine_run" "$packcheck" "$(windows "$package")" "${option[@]}")
    status=$?
    if [ "$status" != "$expected" ]; then
        fail "$package: exit code $status, expected $expected"
    fi
    for line in "$@"; do
        if ! grep -qxF -- "$line" <<<"$output"; then
            fail "$package: no line: $line"
        fi
    done
    # What packcheck printed, where it was not what was expected.
    if [ ${#failures[@]} != "$before" ]; then
        echo "--- $package (exit $status)"; echo "$output"
    fi
}

definition() { mkdir -p "$1" && printf '%s\n' "$2" >"$1/packsetup.def"; }
fields='<Caption>Broken</Caption><BaseRegKey>Tavrel!</BaseRegKey>'

check 0 "$sample" -- "files: 4, folders: 3, total size: 179 bytes" "no problems: the package would install" \
    "definition: packsetup.def, utf-8, declared; the installer reads it" \
    'longest source path: 111 characters (148 to spare): C:\Users\twenty-char-username\AppData\Roaming\Halvest\SampleMaterialPack\image\Materials\Backgrounds\street.txt'


# Everything an author can get wrong in a definition that still loads, an
# image with a link, a huge file and a path that does not fit below a deep
# installation folder, and prerequisite folders without their setups.
broken=$scratch/broken
definition "$broken" "<TavrelSetup>$fields<SfxExtractPath>\\tavrel!\\Temp</SfxExtractPath>
<RequiredTavrelVerison>1.2.0</RequiredTavrelVerison><RequiredTavrelVersion>1.2</RequiredTavrelVersion>
<RemoveComponents><File>..\\tavrel.exe</File><File>Old\\ok.txt</File><Directory>C:\\Windows</Directory><Folder>Old</Folder>
<File>Tavrel.EXE</File><File>tavrelunsetup.dat\\</File><Directory>unsetup.def</Directory></RemoveComponents>
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
    'packsetup.def <SfxExtractPath>: "\tavrel!\Temp" lies in the product'"'"'s data folder %APPDATA%\Halvest\tavrel!; the installer would delete %APPDATA%\Halvest\tavrel!\Temp with everything in it' \
    'packsetup.def <RemoveComponents/File>: "Tavrel.EXE" names a file of Tavrel! or its uninstaller; removing it would break the installation' \
    'packsetup.def <RemoveComponents/File>: "tavrelunsetup.dat\" names a file of Tavrel! or its uninstaller; removing it would break the installation' \
    'packsetup.def <RemoveComponents/Directory>: "unsetup.def" names a file of Tavrel! or its uninstaller; removing it would break the installation' \
    'packsetup.def <RequiredTavrelVersion>: "1.2" is not three numbers joined by dots (Error code: Invalid RequiredVersion field)' \
    'packsetup.def <RequiredTavrelVerison>: unknown element, ignored by the installer (misspelt?)' \
    'packsetup.def <RemoveComponents/Folder>: unknown element, ignored by the installer (misspelt?)' \
    'image\shared: junction or symbolic link; the installer refuses a package that holds one' \
    "image\\huge.bin: 4294967296 bytes, 4 GiB or more: the installer's free-space check counts only the low 32 bits of its size" \
    "image\\$(basename "$(dirname "$deep")")\\$(basename "$deep")\\long-name.txt: target path of 261 characters, 2 more than 259: $install\\$(basename "$(dirname "$deep")")\\$(basename "$deep")\\long-name.txt" \
    'dotnet: holds neither dotnetfx3.exe nor dotnetfx3setup.exe' \
    'directx: holds no dsetup.dll' \
    'files: 2, folders: 3, total size: 4294967301 bytes' \
    '14 problem(s)'

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

definition "$scratch/unreadable-fields" '<TavrelSetup><Caption/><SfxExtractPath></SfxExtractPath></TavrelSetup>'
check 1 "$scratch/unreadable-fields" -- \
    'packsetup.def <Caption>: empty; the installer stops with "XML Node not found: <Caption>"' \
    'packsetup.def <BaseRegKey>: missing; the installer stops with "XML Node not found: <BaseRegKey>"' \
    'packsetup.def <SfxExtractPath>: empty; the installer stops with "XML Node not found: <SfxExtractPath>"' 'image: missing'

definition "$scratch/wrong-root" "<TavrelSetp>$fields</TavrelSetp>"
mkdir -p "$scratch/wrong-root/image/Empty"
check 1 "$scratch/wrong-root" -- \
    'packsetup.def <TavrelSetp>: wrong root element; the installer reads <TavrelSetup>' 'image: holds no files' \
    'warning: image\Empty: empty folder: recorded in the uninstall manifest, but not created on the user'"'"'s machine' \
    '2 problem(s), 1 warning(s)'

# Wine's parser gives a reason but no position: check-package.sh adds xmllint's.
definition "$scratch/not-well-formed" "<TavrelSetup>
  $fields</Tavrelsetup>"
check 1 "$scratch/not-well-formed" -- 'image: missing' \
    'definition: packsetup.def, UTF-8 (no encoding declared, so XML'"'"'s default); the installer cannot read it'
output=$(WINE_RUN=$wine_run PACKCHECK=$packcheck "$check_package" "$scratch/not-well-formed")
grep -qx 'packsetup.def:2:[0-9]*: not well-formed: .*Tavrelsetup.*' <<<"$output" \
    || { echo "$output"; fail "not-well-formed: no line and column"; }

# A Shift_JIS save that declares UTF-8: the line and byte that are not UTF-8.
mkdir -p "$scratch/shift-jis"
printf '<?xml version="1.0" encoding="utf-8"?>\n<TavrelSetup>\n<Caption>\x83e\x83X\x83g</Caption>%s<SfxExtractPath>P</SfxExtractPath></TavrelSetup>\n' \
    '<BaseRegKey>Tavrel!</BaseRegKey>' >"$scratch/shift-jis/packsetup.def"
check 1 "$scratch/shift-jis" -- \
    'packsetup.def:3:10: not UTF-8 as read: byte 0x83 at line 3, byte 10 (saved as Shift_JIS or another code page?); save it as UTF-8 or declare its encoding'

# Names that Windows cannot hold or keep apart, and the uninstaller's and the
# program's own files at the top of the image.
names=$scratch/names/image
mkdir -p "$names/Sub"
touch "$names/"{'a?b.txt','x<y|z','c:d','trail.','blank ','CON','nul.txt','lpt9.dat','Sub/Name.txt','Sub/NAME.txt',unsetup.exe,TAVRELUNSETUP.DAT,tavrel.exe,ok.txt} \
    "$names/$(printf 'bell\007')"
mkdir -p "$names/com1"
touch "$names/com1/inside.txt"
definition "$scratch/names" "<TavrelSetup>$fields<SfxExtractPath>P</SfxExtractPath></TavrelSetup>"
check 1 "$scratch/names" -- \
    "image\\a?b.txt: name holds '?', which Windows names cannot hold" \
    "image\\x<y|z: name holds '<', which Windows names cannot hold" \
    "image\\c:d: name holds ':', which Windows names cannot hold" \
    "image\\$(printf 'bell\007'): name holds the control character U+0007, which Windows names cannot hold" \
    'image\trail.: name ends in a dot or blank, which Windows drops: it would name another file' \
    'image\blank : name ends in a dot or blank, which Windows drops: it would name another file' \
    'image\CON: "CON" is a device name; Windows opens the device, not a file' \
    'image\nul.txt: "nul.txt" is a device name; Windows opens the device, not a file' \
    'image\lpt9.dat: "lpt9.dat" is a device name; Windows opens the device, not a file' \
    'image\com1: "com1" is a device name; Windows opens the device, not a file' \
    "image\\unsetup.exe: would replace the uninstaller's own unsetup.exe; the installer refuses the package" \
    "image\\TAVRELUNSETUP.DAT: would replace the uninstaller's own TAVRELUNSETUP.DAT; the installer refuses the package" \
    "image\\tavrel.exe: would replace Tavrel!'s own program tavrel.exe" \
    '14 problem(s)'
grep -qE '^image\\Sub\\Name.txt: differs from image\\Sub\\NAME.txt only|^image\\Sub\\NAME.txt: differs from image\\Sub\\Name.txt only' \
    <<<"$("$wine_run" "$packcheck" "$(windows "$scratch/names")")" \
    || fail "names: no line for names that differ only in case"

# The definition that goes with the installer's name, in UTF-16, with the
# warnings that still let it install; a source path that fits only below a
# short profile folder. The package is kept deeper than MAX_PATH allows for its
# files, which must not change what it is told.
night=$scratch/$(padding 200 n night-sky)/night-sky
deep=$night/image/$(printf 'd%.0s' {1..100})
mkdir -p "$deep" "$night/image/Empty"
touch "$night/NightSkySetup.exe" "$deep/$(printf 'e%.0s' {1..80}).txt"
printf '%s\n' '<?xml version="1.0" encoding="utf-16"?>' "<TavrelSetup><Caption>夜空</Caption><BaseRegKey>Tavrel!</BaseRegKey>" \
    '<SfxExtractPath>SampleMaterialPack</SfxExtractPath><RequiredTavrelVersion>1.2.0.5</RequiredTavrelVersion></TavrelSetup>' |
    iconv -f UTF-8 -t UTF-16 >"$night/NightSkySetup.def"
source_path='C:\Users\twenty-char-username\AppData\Roaming\Halvest\SampleMaterialPack\image\'$(basename "$deep")'\'$(printf 'e%.0s' {1..80}).txt
check 1 "$night" -- \
    "image\\$(basename "$deep")\\$(printf 'e%.0s' {1..80}).txt: source path on the user's machine of 264 characters, 5 more than 259: $source_path" \
    'warning: NightSkySetup.def <RequiredTavrelVersion>: "1.2.0.5": the installer compares 1.2.0 and ignores ".5"' \
    "warning: image\\Empty: empty folder: recorded in the uninstall manifest, but not created on the user's machine" \
    'definition: NightSkySetup.def, UTF-16LE with a byte order mark; the installer reads it' \
    '1 problem(s), 2 warning(s)'
check 0 "$night" '/AppData:C:\A' -- 'no problems: the package would install, 2 warning(s)'
# For scripts: one JSON object per finding.
json=$("$wine_run" "$packcheck" "$(windows "$night")" --json)
grep -qxF '{"severity": "warning", "file": "NightSkySetup.def", "line": null, "column": null, "code": "version-parts-ignored", "message": "\"1.2.0.5\": the installer compares 1.2.0 and ignores \".5\"", "element": "RequiredTavrelVersion"}' <<<"$json" \
    && [ "$(wc -l <<<"$json")" = 3 ] || { echo "$json"; fail "--json: not the three findings above"; }
# Kept where the definition's own path passes MAX_PATH: said so, not misread.
far=$scratch/$(padding 250 f night-sky)/night-sky
mkdir -p "$far" && cp "$night/NightSkySetup.exe" "$night/NightSkySetup.def" "$far" || fail "cannot make $far"
far_definition="$(windows "$far")\\NightSkySetup.def"
check 1 "$far" -- "NightSkySetup.def: path of ${#far_definition} characters, too long for the XML reader; move the package to a shorter folder to check it"
touch "$night/Other.exe"
check 1 "$night" -- '.: holds several programs (NightSkySetup.exe, Other.exe); each reads its own definition: name the installer with /Program:<name>.exe'
check 1 "$night" '/Program:Other.exe' -- 'Other.def: missing'

mkdir -p "$scratch/no-definition/image" && echo x >"$scratch/no-definition/image/a.txt"
check 1 "$scratch/no-definition" -- 'packsetup.def: missing' '1 problem(s)'

check 2 "$scratch/no-such-folder" -- "$(windows "$scratch/no-such-folder"): cannot be read"
check 2 "$sample" '/InstallFolder:Tavrel!' -- 'packcheck: /InstallFolder: must be an absolute Windows path such as C:\Tavrel!, not "Tavrel!"'
check 0 "$sample" --help -- '  --help                 this text'

rm -rf "$scratch"
if [ ${#failures[@]} -gt 0 ]; then
    printf 'FAILED: %s\n' "${failures[@]}"
    exit 1
fi
echo "all packcheck checks passed"
