#!/usr/bin/env bash
# Renders every dialog and every kind of message box of packsetup.exe and
# unsetup.exe, in English and Japanese, into docs/screenshots as 8-bit PNG
# files named <what>-<en|ja>.png. Runs the 64-bit build under Wine in a prefix
# of its own (the proportional IPAPGothic mapped to "MS UI Gothic", Wine's own fonts in
# its Fonts folder, window frames drawn by Wine itself, as there is no window
# manager), on a private X display, so that the tests' prefix is left as is.
# Stand-ins play Tavrel! and the prerequisite setups, as in the tests.
# Usage: screenshots.sh [build folder]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build}")
out=$root/docs/screenshots

# The Japanese font, Wine's own fonts and ImageMagick (called by its
# versioned name, which no other convert on the PATH can shadow).
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
missing=()
for p in fonts-ipafont-gothic fonts-wine imagemagick; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi
# The capture's fourth byte is not alpha: ImageMagick would take it as such.
# No date chunks, so that a picture that looks the same is the same file.
to_png() { convert-im6.q16 "$1" -alpha off +dither -colors 256 -strip "PNG8:$2"; }

if [ ! -x "$build/win64/tests/e2e/uishot.exe" ]; then
    "$root/scripts/build.sh" "$build"
fi
win64=$build/win64
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$build"
fi

source "$root/scripts/wine-env.sh"
export WINEPREFIX=$win64/gallery-prefix
"$root/scripts/wine-prefix.sh" "$WINEPREFIX"
# Wine does not find its own fonts (Tahoma for "MS Shell Dlg", Marlett for
# the caption buttons) where the 64-bit loader looks; without them every
# text falls back to the Japanese font.
cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
# "MS UI Gothic" is proportional, as IPAPGothic is; IPAGothic, of the same
# package, is fixed-pitch and would space Latin letters and "!" wide.
wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v 'MS UI Gothic' /t REG_SZ /d 'IPAPGothic' /f >/dev/null
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /t REG_SZ /d N /f >/dev/null
trap 'wineserver -k 2>/dev/null || true' EXIT

work=$win64/gallery
rm -rf "$work"
mkdir -p "$work" "$out"
drive_c=$(winepath -u 'C:\')
install_win='C:\Program Files\Halvest\Tavrel!'
install=$drive_c/Program\ Files/Halvest/Tavrel!
product_key='HKCU\Software\Halvest\Tavrel!'
caption='Tavrel! Sample Material Pack'

shot() { wine "$win64/tests/e2e/uishot.exe" --timeout 120 "$@"; }

# A stand-in Tavrel! 1.3.0 for the current user, whose manifest lists enough
# files to keep the uninstall progress on the screen for a while.
stand_in() {
    rm -rf "$install"
    mkdir -p "$install/Materials/Gallery"
    cp "$win64/tests/fixtures/tavrel_standin/tavrel_1_3_0.exe" "$install/tavrel.exe"
    cp "$win64/unsetup/unsetup.exe" "$install/"
    (cd "$install/Materials/Gallery" && seq 1 1500 | xargs touch)
    {
        printf '<?xml version="1.0" encoding="utf-8" standalone="yes"?>\n<TavrelUninstall>\n'
        printf '\t<Options>\n\t\t<CurrentUser>1</CurrentUser>\n\t</Options>\n\t<Components>\n'
        for name in tavrel.exe tavrelunsetup.dat unsetup.exe unsetup.def; do
            printf '\t\t<File>%s\\%s</File>\n' "$install_win" "$name"
        done
        seq 1 1500 | sed "s|.*|\t\t<File>$(printf '%s' "$install_win" | sed 's/\\/\\\\/g')\\\\Materials\\\\Gallery\\\\&</File>|"
        printf '\t\t<Directory>%s\\Materials\\Gallery</Directory>\n' "$install_win"
        printf '\t\t<Directory>%s\\Materials</Directory>\n' "$install_win"
        printf '\t\t<Directory>%s</Directory>\n\t</Components>\n</TavrelUninstall>\n' "$install_win"
    } >"$install/tavrelunsetup.dat"
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
    wine reg delete "$product_key" /f >/dev/null 2>&1 || true
    wine reg add "$product_key" /v InstallPath /t REG_SZ /d "$install_win" /f >/dev/null
}

# The sample package as a self-extractor leaves it, with large files that
# keep the copy going long enough to be seen.
unpacked_package() {
    local appdata
    appdata=$(winepath -u "$(wine cmd /c echo %APPDATA% | tr -d '\r')")
    unpack=$appdata/Halvest/SampleMaterialPack
    rm -rf "$unpack"
    mkdir -p "$unpack/image/Materials/Large"
    cp -r "$root/examples/sample-package/." "$unpack/"
    cp "$win64/packsetup/packsetup.exe" "$unpack/"
    for i in 1 2 3 4 5 6; do
        head -c 200M /dev/zero >"$unpack/image/Materials/Large/frames-$i.bin"
    done
}

# Saves <name>.bmp of the work folder as <name>-<language>.png.
keep() { to_png "$work/$1.bmp" "$out/$1-$language.png"; }

for language in en ja; do
    if [ "$language" = ja ]; then
        export LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
        downloading=ダウンロード
    else
        export LANG=en_US.UTF-8 LC_ALL=C.UTF-8
        downloading=Downloading
    fi
    # The language is taken when Wine starts.
    wineserver -k 2>/dev/null || true
    wineserver -w
    w=$(winepath -w "$work")
    echo "== $language"

    stand_in
    unpacked_package
    # The copy with its progress, a cancel request (the question, answered
    # No) and the question to start Tavrel!.
    shot --default IDNO --boxes "$w\\install-box" --cwd "$(winepath -w "$unpack")" \
        --wait-text "$caption=1003:frames-3" --shot "$caption=$w\\install-progress.bmp" --command "$caption=2" \
        -- "$(winepath -w "$unpack/packsetup.exe")"
    keep install-progress
    to_png "$work/install-box1.bmp" "$out/cancel-question-$language.png"
    to_png "$work/install-box2.bmp" "$out/start-question-$language.png"

    # The refusal of a Windows that Tavrel! does not support.
    unpacked_package
    wine reg add 'HKCU\Software\Wine\AppDefaults\packsetup.exe' /v Version /t REG_SZ /d win2k /f >/dev/null
    shot --default IDOK --boxes "$w\\refusal-box" -- "$(winepath -w "$unpack/packsetup.exe")"
    wine reg delete 'HKCU\Software\Wine\AppDefaults\packsetup.exe' /f >/dev/null
    to_png "$work/refusal-box1.bmp" "$out/os-refusal-$language.png"

    # The prerequisite setups with stand-ins: the .NET Framework 3 setup's
    # progress, its restart question (answered No), the DirectX setup's
    # progress and the question after its failure.
    core=$work/core
    rm -rf "$core"
    mkdir -p "$core/dotnet" "$core/directx"
    cp "$win64/packsetup/packsetup.exe" "$core/"
    cp "$root/examples/sample-package/packsetup.def" "$core/"
    cp "$win64/tests/fixtures/dotnetfx3_standin/dotnetfx3.exe" "$core/dotnet/"
    printf 'record 1 100 0\nrecord 2 40 100\nsleep 3000\nexit 3010\n' >"$core/dotnet/dotnetfx3-script.txt"
    cp "$win64"/tests/fixtures/dsetup_standin/{dsetup,dsetup_helper,dsetup_helper_late}.dll "$core/directx/"
    printf 'sleep 3000\nresult -16\n' >"$core/directx/dsetup-script.txt"
    shot --default IDNO --boxes "$w\\prereq-box" \
        --wait-text ".NET=1010:$downloading" --shot ".NET=$w\\dotnet-progress.bmp" \
        --shot "DirectX=$w\\directx-progress.bmp" \
        -- "$(winepath -w "$core/packsetup.exe")" "/CoreExec:$(winepath -w "$core")" /CurrentUser:1 /DotnetSetup /DxSetup
    keep dotnet-progress
    keep directx-progress
    to_png "$work/prereq-box1.bmp" "$out/restart-question-$language.png"
    to_png "$work/prereq-box2.bmp" "$out/directx-failed-$language.png"

    # The uninstaller's refusal while Tavrel! runs.
    stand_in
    wine "$install_win\\tavrel.exe" /ExitAfter:15000 &
    running=$!
    sleep 3
    shot --default IDOK --boxes "$w\\running-box" -- "$install_win\\unsetup.exe"
    wait "$running" || true
    to_png "$work/running-box1.bmp" "$out/uninstall-refusal-$language.png"

    # The uninstaller: its confirmation with and without the user's data,
    # its progress and its final message.
    stand_in
    shot --default IDOK --boxes "$w\\uninstall-box" \
        --shot "Tavrel!=$w\\uninstall-confirm.bmp" --click "Tavrel!=1009" \
        --shot "Tavrel!=$w\\uninstall-confirm-checked.bmp" --click "Tavrel!=1009" --command "Tavrel!=6" \
        --shot "Tavrel!=$w\\uninstall-progress.bmp" \
        -- "$install_win\\unsetup.exe"
    keep uninstall-confirm
    keep uninstall-confirm-checked
    keep uninstall-progress
    to_png "$work/uninstall-box1.bmp" "$out/uninstall-done-$language.png"
done
wine reg delete "$product_key" /f >/dev/null 2>&1 || true
rm -rf "$install" "$work"
ls -l "$out"
