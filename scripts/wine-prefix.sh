#!/usr/bin/env bash
# Creates the private Wine prefix of a build tree once.
# Usage: wine-prefix.sh <prefix folder>
set -euo pipefail
prefix=$(realpath -m "$1")
# No Mono or Gecko (wine-env.sh): nothing here needs them, and their installers would prompt.
source "$(dirname "$0")/wine-env.sh"
export WINEPREFIX=$prefix
if [ ! -f "$prefix/system.reg" ]; then
    echo "Creating the Wine prefix $prefix"
    mkdir -p "$prefix"
    wineboot -i >/dev/null 2>&1
    wineserver -w
fi
# Windows that Wine draws itself, frame and title included: with no window
# manager on the display, a managed window costs about 2 s to close.
if ! grep -q '^"Managed"="N"' "$prefix/user.reg"; then
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    wineserver -w
fi
