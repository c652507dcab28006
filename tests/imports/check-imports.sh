#!/usr/bin/env bash
# Fails when a program imports a DLL outside the allowed list, a function
# that Windows XP SP2 lacks, or a function that later Windows versions
# forward to a DLL outside KnownDLLs.
# Usage: check-imports.sh <objdump> <list folder> <program.exe>...
set -euo pipefail
objdump=$1
lists=$2
shift 2

list() { grep -v '^#' "$1" | sed '/^[[:space:]]*$/d' | tr 'A-Z' 'a-z'; }
allowed=$(list "$lists/allowed-dlls.txt")
denied=$(list "$lists/denied-functions.txt")
declare -A forwardedTo
while read -r dll fn target; do
    forwardedTo["$dll $fn"]=$target
done < <(list "$lists/forwarded-functions.txt")

status=0
for program in "$@"; do
    imports=$("$objdump" -p "$program" | awk '
        /DLL Name:/ { dll = tolower($3); print "dll " dll; next }
        /^[[:space:]]*$/ { next }
        dll != "" && $1 ~ /^[0-9a-f]+$/ && NF >= 3 && $2 ~ /^[0-9]+$/ { print "fn " dll " " $3 }
        /^[A-Za-z]/ && !/DLL Name:/ { dll = "" }')
    if [ -z "$imports" ]; then
        echo "$program: no import table found"
        status=1
        continue
    fi
    while read -r kind dll fn; do
        if [ "$kind" = dll ] && ! grep -qxF "$dll" <<<"$allowed"; then
            echo "$program imports $dll, which is not a KnownDLL: load it by full path at run time"
            status=1
        fi
        [ "$kind" = fn ] || continue
        name=$(tr 'A-Z' 'a-z' <<<"$fn")
        if grep -qxF "$name" <<<"$denied"; then
            echo "$program imports $fn from $dll, which Windows XP SP2 lacks"
            status=1
        fi
        target=${forwardedTo["$dll $name"]:-}
        if [ -n "$target" ]; then
            echo "$program imports $fn from $dll, which Windows 7 and later forward to $target, not a KnownDLL:" \
                "bind it at run time from $target loaded by full path"
            status=1
        fi
    done <<<"$imports"
    [ $status -ne 0 ] || echo "$program: $(grep -c '^dll' <<<"$imports") DLLs, $(grep -c '^fn' <<<"$imports") functions, all available on Windows XP SP2, none forwarded outside KnownDLLs"
done
exit $status
