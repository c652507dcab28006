#!/usr/bin/env bash
# Installs what building and testing need on a Debian 12 machine, idempotently:
# the MinGW-w64 cross compilers (32-bit for the programs, 64-bit for the tests'
# build), doctest, Boost headers, 64-bit Wine, Xvfb, the Japanese locale, and
# cabextract and gcab, which check and compare the self-extractor's cabinets,
# and osslsigncode with openssl, which sign one in a test.
# apt runs only when something is missing.
set -euo pipefail

packages=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

for p in cmake make libxml2-utils g++-mingw-w64-i686-win32 binutils-mingw-w64-i686 \
         g++-mingw-w64-x86-64-win32 binutils-mingw-w64-x86-64 doctest-dev libboost-dev \
         wine wine64 xvfb xauth locales cabextract gcab osslsigncode openssl; do
    have "$p" || packages+=("$p")
done

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo

if [ ${#packages[@]} -gt 0 ]; then
    echo "Installing: ${packages[*]}"
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${packages[@]}" >/dev/null
fi

# Wine takes the user interface language from the Unix locale, so the
# Japanese runs need the locale to exist.
if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
    echo "Generating the ja_JP.UTF-8 locale"
    if ! grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
        echo 'ja_JP.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
    fi
    $SUDO locale-gen >/dev/null
fi
