#!/usr/bin/env bash
# Installs the sample package into a stand-in Tavrel! installation inside the
# build's Wine prefix, as a user would (the UI-automation helper answers the
# message boxes, No to starting Tavrel! and OK where that is all), and prints what changed:
# the files copied, the uninstall manifest's new entries and the registry
# record. Then shows the message for a definition without its Caption, and
# removes everything again with unsetup.exe.
# Usage: demo.sh <build folder>
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$1
source "$root/scripts/wine-env.sh"
export WINEPREFIX="$build/wineprefix"
product_key='HKCU\Software\Halvest\Tavrel!'

# Leaves no installation behind in the prefix that the tests share, then ends
# Wine while the display still exists.
cleanup() {
    wine reg delete "$product_key" /f >/dev/null 2>&1 || true
    wineserver -k 2>/dev/null || true
}
trap cleanup EXIT

demo=$build/demo
rm -rf "$demo"
mkdir -p "$demo"

run() {
    local folder=$1
    shift
    wine "$build/tests/e2e/uiauto.exe" --timeout 60 --default IDNO \
        --cwd "$(winepath -w "$folder")" -- "$(winepath -w "$folder/packsetup.exe")" "$@"
}

# Lists a folder tree below the prefix's drive C: relative to its top.
list_tree() {
    (cd "$1" && find . -mindepth 1 | sort | sed 's|^\./|    |')
}

# The Components entries of a manifest, one per line.
manifest_entries() {
    tr -d '\r' <"$1" | grep -oE '<(File|Directory)>[^<]*</(File|Directory)>' | sed -E 's|</[A-Za-z]+>$||; s|^<([A-Za-z]+)>|\1 |'
}

echo "== A stand-in Tavrel! 1.3.0, installed for the current user"
drive_c=$(winepath -u 'C:\')
install_win='C:\Program Files\Halvest\Tavrel!'
install=$drive_c/Program\ Files/Halvest/Tavrel!
rm -rf "$install"
mkdir -p "$install/Materials/Frames" "$install/Materials/Obsolete"
cp "$build/tests/fixtures/tavrel_standin/tavrel_1_3_0.exe" "$install/tavrel.exe"
# Obsolete parts that the sample's definition removes.
echo "an old frame" >"$install/Materials/Frames/old-frame.txt"
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
manifest_entries "$install/tavrelunsetup.dat" >"$demo/manifest-before.txt"
wine reg delete "$product_key" /f >/dev/null 2>&1 || true
wine reg add "$product_key" /v InstallPath /t REG_SZ /d "$install_win" /f >/dev/null
wine reg add "$product_key\\Package\\SampleMaterialPack" /v UpdateTime /t REG_SZ /d "2026-01-01" /f >/dev/null
echo "$install_win, InstallPath under $product_key"

# What a self-extracting package leaves below the roaming application data:
# the installer, its definition and the image folder, in the folder that the
# definition's SfxExtractPath names.
appdata=$(winepath -u "$(wine cmd /c echo %APPDATA% | tr -d '\r')")
unpack=$appdata/Halvest/SampleMaterialPack
rm -rf "$unpack"
mkdir -p "$unpack"
cp -r "$root/examples/sample-package/." "$unpack/"
cp "$build/packsetup/packsetup.exe" "$unpack/"
echo "unpacked package: $unpack"

echo
echo "== packsetup.exe with the sample package, run from its unpack folder"
run "$unpack"

echo
echo "== The installation folder afterwards"
list_tree "$install"
echo
echo "== New entries of tavrelunsetup.dat"
manifest_entries "$install/tavrelunsetup.dat" | grep -vxF -f "$demo/manifest-before.txt" | sed 's/^/    /'
echo
echo "== The registry record"
wine reg query "$product_key\\Package" /s | tr -d '\r' | grep -v '^$' | sed 's/^/    /'
echo
if [ ! -e "$unpack" ]; then
    echo "== The unpacked package is gone; $(dirname "$unpack") stays"
elif [ "$(ls -A "$unpack")" = packsetup.exe ]; then
    # A running program cannot delete its own file; it stays until it ends.
    echo "== The unpacked package is gone but for packsetup.exe, which ran from it; $(dirname "$unpack") stays"
    rm -rf "$unpack"
else
    echo "== The unpacked package is still there: $unpack"
    list_tree "$unpack"
fi

echo
echo "== The same package with its Caption removed from the definition"
mkdir -p "$demo/broken"
cp "$build/packsetup/packsetup.exe" "$demo/broken/"
grep -v '<Caption>' "$root/examples/sample-package/packsetup.def" >"$demo/broken/packsetup.def"
run "$demo/broken"

echo
echo "== unsetup.exe removes Tavrel! with the package (answering Yes to its confirmation)"
cp "$build/unsetup/unsetup.exe" "$install/"
cat >"$install/unsetup.def" <<EOF2
<?xml version="1.0" encoding="utf-8"?>
<TavrelSetup>
	<Caption>Tavrel!</Caption>
	<BaseRegKey>Tavrel!</BaseRegKey>
	<UninstallerInfoRegKey>Tavrel!</UninstallerInfoRegKey>
	<AppDataPath>Tavrel!</AppDataPath>
	<Edition>normal</Edition>
</TavrelSetup>
EOF2
wine "$build/tests/e2e/uiauto.exe" --timeout 120 --press "Tavrel!=IDYES" --default IDOK \
    -- "$install_win\\unsetup.exe"
if [ -e "$install" ]; then
    echo "== Left in the installation folder:"
    list_tree "$install"
else
    echo "== The installation folder is gone"
fi
if wine reg query "$product_key" >/dev/null 2>&1; then
    echo "== $product_key is still there"
else
    echo "== $product_key is gone"
fi
temp=$(winepath -u "$(wine cmd /c echo %TEMP% | tr -d '\r')")
system_temp=$(winepath -u "$(wine cmd /c echo %SystemRoot%\\Temp | tr -d '\r')")
echo "== Left of unsetup in the temporary folders: $( (ls "$temp"; ls "$system_temp") | grep -ci '^tavrelunsetup' || true) entries"
