#!/usr/bin/env bash
# Fails when a program is not the kind of image its build must make: the
# build's PE format, a Windows GUI program for subsystem 5.01 (Windows XP),
# with ASLR and DEP, and an application manifest that names the build's own
# processor (with another one Windows binds the common controls 5).
# Usage: check-pe-kind.sh <objdump> <pei-i386|pei-x86-64> <x86|amd64> <program.exe>...
set -euo pipefail
objdump=$1 format=$2 architecture=$3
shift 3

status=0
fail() { echo "$1"; status=1; }
for program in "$@"; do
    headers=$("$objdump" -p "$program")
    grep -q "file format $format\$" <<<"$headers" || fail "$program: not $format"
    grep -qP '^Subsystem\t+00000002\t' <<<"$headers" || fail "$program: not a Windows GUI program"
    grep -qP '^MajorSubsystemVersion\t+5$' <<<"$headers" && grep -qP '^MinorSubsystemVersion\t+1$' <<<"$headers" \
        || fail "$program: subsystem version is not 5.01, which Windows XP needs"
    flags=$(awk '$1 == "DllCharacteristics" { print $2 }' <<<"$headers")
    (( (0x$flags & 0x140) == 0x140 )) || fail "$program: DllCharacteristics $flags lack DYNAMIC_BASE or NX_COMPAT"
    named=$(grep -ao 'processorArchitecture="[^"]*"' "$program" | sort -u)
    [ "$named" = "processorArchitecture=\"$architecture\"" ] \
        || fail "$program: manifest names ${named:-no processor}, not $architecture"
done
[ $status -ne 0 ] || echo "$*: $format, Windows GUI 5.01, ASLR and DEP, manifest for $architecture"
exit $status
