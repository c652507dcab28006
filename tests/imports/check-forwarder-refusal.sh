#!/usr/bin/env bash
# Shows that check-imports.sh refuses a program whose imports Windows forwards
# to DLLs outside KnownDLLs: builds one that imports advapi32's RtlGenRandom
# (SystemFunction036, forwarded to cryptbase.dll) and CryptGenRandom
# (forwarded to cryptsp.dll) and expects the check to fail naming both.
# Usage: check-forwarder-refusal.sh <compiler> <objdump> <list folder> <work folder>
set -euo pipefail
compiler=$1
objdump=$2
lists=$3
work=$4
mkdir -p "$work"
cat >"$work/forwarded_imports.cpp" <<'SOURCE'
#include <windows.h>
#include <ntsecapi.h>
#include <wincrypt.h>

int main()
{
    unsigned char bytes[4];
    HCRYPTPROV provider = 0;
    if (CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) {
        CryptGenRandom(provider, sizeof(bytes), bytes);
        CryptReleaseContext(provider, 0);
    }
    return RtlGenRandom(bytes, sizeof(bytes)) ? 0 : 1;
}
SOURCE
"$compiler" -O0 -static -o "$work/forwarded_imports.exe" "$work/forwarded_imports.cpp" -ladvapi32

if output=$(bash "$(dirname "$0")/check-imports.sh" "$objdump" "$lists" "$work/forwarded_imports.exe"); then
    echo "check-imports.sh passed a program with forwarded imports:"
    echo "$output"
    exit 1
fi
echo "$output"
for expected in 'SystemFunction036 from advapi32.dll, which Windows 7 and later forward to cryptbase.dll' \
                'CryptGenRandom from advapi32.dll, which Windows 7 and later forward to cryptsp.dll'; do
    if ! grep -qF "$expected" <<<"$output"; then
        echo "missing: $expected"
        exit 1
    fi
done
echo "refused as expected"
