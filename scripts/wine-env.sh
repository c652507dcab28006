# Sourced by the scripts that run Wine. The tests, the demo and the benchmarks
# run the 64-bit build of the tree (scripts/build.sh) in a 64-bit prefix,
# started by Wine's 64-bit loader directly: the wine command prefers a 32-bit
# loader where one is installed, and some machines cannot execute 32-bit code.
# The caller sets WINEPREFIX.
export WINELOADER=/usr/lib/wine/wine64 WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine() { "$WINELOADER" "$@"; }
wineboot() { "$WINELOADER" wineboot "$@"; }
winepath() { "$WINELOADER" winepath "$@"; }
export -f wine wineboot winepath
# Wine names Unix files in the locale's character set: without a UTF-8 locale
# (a bare environment has none) it cannot make files with Japanese names.
if [ "$(locale charmap 2>/dev/null)" != UTF-8 ]; then
    unset LC_ALL LC_CTYPE
    export LANG=C.UTF-8
fi
