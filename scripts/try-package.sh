#!/usr/bin/env bash
# Tries a package as its user would, in the Wine prefix of the 64-bit build:
# sets up (or resets) a stand-in Tavrel! 1.3.0 installed for the current user,
# plants what the package's RemoveComponents names, places the package in its
# unpack folder %APPDATA%\Halvest\<SfxExtractPath> as a self-extractor would,
# runs packsetup.exe from there under the UI-automation helper and prints
# every message shown and what changed. With --uninstall it then removes
# Tavrel! with unsetup.exe and prints what is left.
#
# Usage: try-package.sh <package folder | built package.exe> [--start] [--uninstall]
#   A built self-extracting package (make-package.sh) is run itself, from a
#   folder of its own as from a downloads folder: it unpacks itself and starts
#   its installer; the definition is read from it with cabextract.
#   --start      answer Yes to the question to start Tavrel! (default: No);
#                the stand-in Tavrel! is closed again once it shows its window
#   --uninstall  afterwards place unsetup.exe with its definition in the
#                installation folder and uninstall, answering Yes
# Every other question is answered No, or Cancel where there is no No (OK
# where that is the only button). The last line sums up; the exit code is 0
# only when the install ended with the question to start Tavrel! (and, with
# --uninstall, the uninstall with its message of completion).
# The programs speak the language of LANG/LC_ALL (ja_JP.UTF-8: Japanese).
# BUILD_DIR names the build folder (default: build); its win64 tree is run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

usage() {
    echo "usage: $0 <package folder> [--start] [--uninstall]" >&2
    exit 1
}

package="" start=no uninstall=no
for arg in "$@"; do
    case $arg in
    --start) start=yes ;;
    --uninstall) uninstall=yes ;;
    -*) usage ;;
    *) [ -z "$package" ] || usage; package=$arg ;;
    esac
done
[ -n "$package" ] || usage
built_package=""
if [ -f "$package" ] && [[ $package == *.[eE][xX][eE] ]]; then
    built_package=$(realpath -- "$package")
else
    [ -d "$package" ] || { echo "not a folder: $package" >&2; exit 1; }
    package=$(cd "$package" && pwd)
fi

build=$(cd "${BUILD_DIR:-$root/build}" 2>/dev/null && pwd)/win64
uiauto=$build/tests/e2e/uiauto.exe
for program in "$build/packsetup/packsetup.exe" "$build/unsetup/unsetup.exe" "$uiauto" \
    "$build/tests/fixtures/tavrel_standin/tavrel_1_3_0.exe"; do
    [ -f "$program" ] || { echo "missing $program: run scripts/build.sh first" >&2; exit 1; }
done

# The programs show windows: give them a private display when there is none.
if [ -z "${DISPLAY:-}" ]; then
    exec "$root/scripts/with-display.sh" "$0" "$@"
fi

# Also gives Wine a UTF-8 locale when there is none, for Japanese names.
source "$root/scripts/wine-env.sh"
# TRY_PACKAGE_PREFIX: another prefix made from the build's (the tests' slots).
export WINEPREFIX="${TRY_PACKAGE_PREFIX:-$build/wineprefix}"
# TRY_PACKAGE_WORK: another folder for its working files (tests side by side).
work=${TRY_PACKAGE_WORK:-$build/try-package}
rm -rf "$work"
mkdir -p "$work"
if [ -n "$built_package" ]; then
    package=$work/package
    mkdir -p "$package" "$work/download"
    cabextract -q -d "$package" "$built_package" || { echo "not a self-extracting package: $built_package" >&2; exit 1; }
    cp "$built_package" "$work/download/"
fi

# --- The package's definition ------------------------------------------------

# One value of the definition, or empty.
definition_value() {
    xmllint --xpath "string($1)" "$definition" 2>/dev/null || true
}

# The texts of the RemoveComponents entries of one kind, one per line.
remove_entries() {
    local count i
    count=$(xmllint --xpath "count(/TavrelSetup/RemoveComponents/$1)" "$definition" 2>/dev/null || echo 0)
    for ((i = 1; i <= count; i++)); do
        printf '%s\n' "$(definition_value "/TavrelSetup/RemoveComponents/$1[$i]")"
    done
}

read_definition() {
    local found=("$package"/*.def)
    if [ ${#found[@]} -ne 1 ] || [ ! -f "${found[0]}" ]; then
        echo "$package must hold exactly one definition (*.def)" >&2
        exit 1
    fi
    definition=${found[0]}
    program_name=$(basename "$definition" .def).exe
    base_key=$(definition_value /TavrelSetup/BaseRegKey)
    package_id=$(definition_value /TavrelSetup/PackageID)
    extract_path=$(definition_value /TavrelSetup/SfxExtractPath)
    # A definition without BaseRegKey stops the installer; the stand-in still needs a key.
    product_key="HKCU\\Software\\Halvest\\${base_key:-Tavrel!}"
}

# --- Paths as the installer reads them ----------------------------------------

# The unpack folder below %APPDATA%\Halvest as the installer reads SfxExtractPath,
# levels joined by '/'; fails for a spelling from which it deletes nothing.
unpack_levels() {
    local value=${1//\//\\} level levels=() parts
    # Two leading backslashes spell a network path.
    [[ $value == '\\'* ]] && return 1
    IFS='\' read -ra parts <<<"$value"
    for level in "${parts[@]}"; do
        [ -n "$level" ] || continue
        [[ $level == . || $level == .. || $level == *[:*?\"\<\>\|]* || $level == *[.\ ] ]] && return 1
        levels+=("$level")
    done
    [ ${#levels[@]} -gt 0 ] || return 1
    (IFS=/ && echo "${levels[*]}")
}

# A RemoveComponents entry as a path below the installation folder, levels
# joined by '/'; fails for an entry that the installer skips.
component_path() {
    local value=${1//\//\\} level levels=() parts
    [[ -n $value && $value != '\'* && $value != *:* ]] || return 1
    IFS='\' read -ra parts <<<"$value"
    for level in "${parts[@]}"; do
        [ -n "$level" ] || continue
        [[ $level == *[!.\ ]* ]] || return 1
        levels+=("$level")
    done
    [ ${#levels[@]} -gt 0 ] || return 1
    (IFS=/ && echo "${levels[*]}")
}

windows_folder() {
    winepath -u "$(wine cmd /c echo "$1" | tr -d '\r')"
}

# --- What the run changes -----------------------------------------------------

# A folder tree relative to its top, folders marked with a trailing '/'.
tree_snapshot() {
    [ -d "$1" ] || return 0
    (cd "$1" && find . -mindepth 1 \( -type d -printf '%P/\n' -o -printf '%P\n' \) | LC_ALL=C sort)
}

# Lines of the second sorted list that the first lacks; byte order in any locale.
added_lines() { LC_ALL=C comm -13 "$1" "$2"; }
removed_lines() { LC_ALL=C comm -23 "$1" "$2"; }

# A registry key with its subkeys as text, whatever the console's code page:
# reg export writes UTF-16. Nothing for a key that does not exist.
registry_text() {
    local file=$work/registry.reg
    rm -f "$file"
    wine reg export "$1" "$(winepath -w "$file")" /y >/dev/null 2>&1 || return 0
    iconv -f UTF-16 -t UTF-8 "$file" | tr -d '\r' | LC_ALL=C grep -av '^$' | LC_ALL=C grep -av '^Windows Registry Editor' || true
}

# The Components entries of a manifest, one per line.
manifest_entries() {
    tr -d '\r' <"$1" | LC_ALL=C grep -aoE '<(File|Directory)>[^<]*</(File|Directory)>' |
        sed -E 's|</[A-Za-z]+>$||; s|^<([A-Za-z]+)>|\1 |' || true
}

indent() { sed 's/^/    /'; }

# --- The stand-in installation ---------------------------------------------------

install_win='C:\Program Files\Halvest\Tavrel!'

setup_standin() {
    echo "== A stand-in Tavrel! 1.3.0, installed for the current user"
    install=$(winepath -u 'C:\')/Program\ Files/Halvest/Tavrel!
    rm -rf "$install"
    mkdir -p "$install"
    cp "$build/tests/fixtures/tavrel_standin/tavrel_1_3_0.exe" "$install/tavrel.exe"
    cat >"$install/tavrelunsetup.dat" <<EOF
<?xml version="1.0" encoding="utf-8" standalone="yes"?>
<TavrelUninstall>
	<Options>
		<CurrentUser>1</CurrentUser>
	</Options>
	<Components>
		<File>$install_win\\tavrel.exe</File>
		<File>$install_win\\tavrelunsetup.dat</File>
		<File>$install_win\\unsetup.exe</File>
		<File>$install_win\\unsetup.def</File>
		<Directory>$install_win</Directory>
	</Components>
</TavrelUninstall>
EOF
    wine reg delete "$product_key" /f >/dev/null 2>&1 || true
    wine reg add "$product_key" /v InstallPath /t REG_SZ /d "$install_win" /f >/dev/null
    echo "$install_win, InstallPath under $product_key"
}

# Puts in place what RemoveComponents names, so that its removal shows:
# a file with a line of text, a folder empty.
plant_obsolete_components() {
    local entry path
    while IFS= read -r entry; do
        path=$(component_path "$entry") || continue
        mkdir -p "$install/$(dirname "$path")"
        echo "an obsolete file" >"$install/$path"
    done < <(remove_entries File)
    while IFS= read -r entry; do
        path=$(component_path "$entry") || continue
        mkdir -p "$install/$path"
    done < <(remove_entries Directory)
}

# What a self-extractor leaves: the package with the installer under the
# definition's name, in the folder that SfxExtractPath names.
unpack_package() {
    appdata=$(windows_folder '%APPDATA%')
    if [ -n "$built_package" ]; then
        local levels
        if levels=$(unpack_levels "$extract_path"); then
            unpack=$appdata/Halvest/$levels
            echo "self-extracting package: $(basename "$built_package"), unpacks itself into $unpack"
        else
            unpack=""
            echo "self-extracting package: $(basename "$built_package"), whose SfxExtractPath names no unpack folder"
        fi
        return
    fi
    local levels
    if levels=$(unpack_levels "$extract_path"); then
        unpack=$appdata/Halvest/$levels
    else
        unpack=$work/unpacked
        echo "SfxExtractPath \"$extract_path\" names no unpack folder: the package runs from $unpack"
    fi
    rm -rf "$unpack"
    mkdir -p "$unpack"
    cp -r "$package/." "$unpack/"
    cp "$build/packsetup/packsetup.exe" "$unpack/$program_name"
    echo "unpacked package: $unpack"
}

# --- The installation ---------------------------------------------------------

run_install() {
    local answer=IDNO close=() started=$unpack/$program_name cwd=$unpack
    if [ -n "$built_package" ]; then
        started=$work/download/$(basename "$built_package")
        cwd=$work/download
    fi
    if [ "$start" = yes ]; then
        answer=IDYES
        close=(--close Tavrel_MainWindow)
    fi
    echo
    echo "== $program_name, run from its unpack folder (messages as shown, with the answer given)"
    # The question to start Tavrel!, in English and in Japanese. Started
    # without elevation, as a user starts it: Wine runs everything elevated,
    # and an elevated installer starts Tavrel! only with a desktop shell's token.
    wine "$uiauto" --timeout 120 --answer "start Tavrel!=$answer" --answer "を起動しますか=$answer" \
        --default IDNO,IDCANCEL,IDOK "${close[@]}" --cwd "$(winepath -w "$cwd")" --limited \
        -- "$(winepath -w "$started")" | tr -d '\r' >"$work/install-run.txt" || true
    indent <"$work/install-run.txt"
    # The install succeeded when it asked whether to start Tavrel!.
    if LC_ALL=C grep -aqE 'text="[^"]*(start Tavrel! \?|を起動しますか)' "$work/install-run.txt"; then
        installed=yes
    fi
}

report_started_tavrel() {
    local marker=$install/tavrel-started.txt
    [ -f "$marker" ] || return 0
    echo
    echo "== Tavrel! was started, and closed again:"
    tr -d '\r' <"$marker" | grep -E '^(command_line|working_folder)=' | indent
    rm -f "$marker"
}

report_obsolete_components() {
    local kind entry path
    for kind in File Directory; do
        while IFS= read -r entry; do
            if ! path=$(component_path "$entry"); then
                echo "    $kind $entry: skipped, not a plain relative path"
            elif [ -e "$install/$path" ]; then
                echo "    $kind $entry: still there"
            else
                echo "    $kind $entry: removed"
            fi
        done < <(remove_entries "$kind")
    done
}

report_unpack_folder() {
    unpack_state=kept
    if [ -z "$unpack" ]; then
        unpack_state=unknown
        echo "== No unpack folder to look at"
    elif [ ! -e "$unpack" ]; then
        unpack_state=removed
        echo "== The unpack folder is gone"
    elif [ "$(ls -A "$unpack")" = "$program_name" ]; then
        # A running program cannot delete its own file; it stays until it ends.
        unpack_state=removed
        echo "== The unpack folder is gone but for $program_name, which ran from it"
        rm -rf "$unpack"
    else
        echo "== The unpack folder is still there: $unpack"
        tree_snapshot "$unpack" | indent
    fi
}

try_install() {
    setup_standin
    plant_obsolete_components
    unpack_package
    tree_snapshot "$install" >"$work/tree-before.txt"
    manifest_entries "$install/tavrelunsetup.dat" >"$work/manifest-before.txt"

    run_install
    report_started_tavrel
    tree_snapshot "$install" >"$work/tree-after.txt"

    echo
    echo "== Changes in the installation folder (+ added, - removed)"
    added_lines "$work/tree-before.txt" "$work/tree-after.txt" >"$work/tree-added.txt"
    {
        sed 's/^/+ /' "$work/tree-added.txt"
        removed_lines "$work/tree-before.txt" "$work/tree-after.txt" | sed 's/^/- /'
    } | indent
    added_files=$(LC_ALL=C grep -acv '/$' "$work/tree-added.txt" || true)
    added_folders=$(LC_ALL=C grep -ac '/$' "$work/tree-added.txt" || true)
    if [ -n "$(remove_entries File)$(remove_entries Directory)" ]; then
        echo "== RemoveComponents"
        report_obsolete_components
    fi
    echo "== New entries of tavrelunsetup.dat"
    manifest_entries "$install/tavrelunsetup.dat" | LC_ALL=C sort >"$work/manifest-after.txt"
    LC_ALL=C sort -o "$work/manifest-before.txt" "$work/manifest-before.txt"
    added_lines "$work/manifest-before.txt" "$work/manifest-after.txt" >"$work/manifest-added.txt"
    indent <"$work/manifest-added.txt"
    manifest_added=$(wc -l <"$work/manifest-added.txt")
    echo "== The registry record"
    registry_text "$product_key" | indent
    if [ -n "$package_id" ] && [ -n "$(registry_text "$product_key\\Package\\$package_id")" ]; then
        record=written
    fi
    report_unpack_folder
}

# --- The uninstallation --------------------------------------------------------

try_uninstall() {
    echo
    echo "== unsetup.exe removes Tavrel! with the package (answering Yes to its confirmation)"
    cp "$build/unsetup/unsetup.exe" "$install/"
    cat >"$install/unsetup.def" <<EOF
<?xml version="1.0" encoding="utf-8"?>
<TavrelSetup>
	<Caption>Tavrel!</Caption>
	<BaseRegKey>${base_key:-Tavrel!}</BaseRegKey>
	<UninstallerInfoRegKey>Tavrel!</UninstallerInfoRegKey>
	<AppDataPath>Tavrel!</AppDataPath>
	<Edition>normal</Edition>
</TavrelSetup>
EOF
    wine "$uiauto" --timeout 120 --press "Tavrel!=IDYES" --default IDNO,IDCANCEL,IDOK \
        -- "$install_win\\unsetup.exe" | tr -d '\r' >"$work/uninstall-run.txt" || true
    indent <"$work/uninstall-run.txt"
    if LC_ALL=C grep -aqE 'text="(Uninstallation complete\.|アンインストールが完了しました。)"' "$work/uninstall-run.txt"; then
        uninstalled=yes
    fi
    local left=()
    if [ -e "$install" ]; then
        echo "== Left in the installation folder:"
        tree_snapshot "$install" | indent
        left+=("$(tree_snapshot "$install" | wc -l) entries in the installation folder")
    else
        echo "== The installation folder is gone"
    fi
    if wine reg query "$product_key" >/dev/null 2>&1; then
        echo "== $product_key is still there"
        left+=("the product key")
    else
        echo "== $product_key is gone"
    fi
    local temp system_temp working
    temp=$(windows_folder '%TEMP%')
    system_temp=$(windows_folder '%SystemRoot%\Temp')
    working=$( (ls "$temp"; ls "$system_temp") | LC_ALL=C grep -aci '^tavrelunsetup' || true)
    echo "== Left of unsetup in the temporary folders: $working entries"
    [ "$working" = 0 ] || left+=("$working of unsetup's working files")
    if [ ${#left[@]} -eq 0 ]; then
        uninstall_left="nothing left"
    else
        uninstall_left="left: $(IFS=, && echo "${left[*]}" | sed 's/,/, /g')"
    fi
}

# "1 file", "2 files"; the plural as a third argument where it is not regular.
counted() {
    if [ "$1" = 1 ]; then echo "1 $2"; else echo "$1 ${3:-$2s}"; fi
}

# The last line: what the run did, and whether it went as a user expects.
verdict() {
    local status=0 text
    if [ "$installed" = yes ]; then
        text="installed: $(counted "$added_files" file) and $(counted "$added_folders" folder) added,"
        text+=" $(counted "$manifest_added" "manifest entry" "manifest entries") added"
        if [ -z "$package_id" ]; then
            text+=", no record (no PackageID)"
        elif [ "$record" = written ]; then
            text+=", record written"
        else
            text+=", record NOT written"
            status=1
        fi
        text+=", unpack folder $unpack_state"
    else
        text="NOT installed: the installer did not end with the question to start Tavrel!"
        status=1
    fi
    if [ "$uninstall" = yes ]; then
        if [ "$uninstalled" = yes ]; then
            text+="; uninstalled, $uninstall_left"
        else
            text+="; NOT uninstalled: unsetup did not say it was complete, $uninstall_left"
            status=1
        fi
    fi
    echo
    echo "verdict: $text"
    return $status
}

# Leaves no product key behind in the prefix that the tests share, and ends
# Wine while the display still exists.
cleanup() {
    wine reg delete "$product_key" /f >/dev/null 2>&1 || true
    wineserver -k 2>/dev/null || true
}

installed=no uninstalled=no record=no unpack_state=kept uninstall_left=""
added_files=0 added_folders=0 manifest_added=0
read_definition
trap cleanup EXIT
try_install
if [ "$uninstall" = yes ]; then
    try_uninstall
fi
verdict
