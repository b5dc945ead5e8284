#!/bin/sh
# Usage: wine_gui_windows.sh PREFIX PROGRAM [ARGS...]
# Runs a Windows GUI test program under Wine (scripts/wine-run.sh) on the X
# display in DISPLAY, with a wine server of its own. Wine's desktop process
# stays bound to the display it first met, and each GUI test brings its own
# Xvfb, so the server is stopped before the program (a leftover from an
# earlier run) and after it. Exits with the program's status.
set -u
export WINEPREFIX="$1"
stop_wine() { /usr/lib/wine/wineserver -k; /usr/lib/wine/wineserver -w; } >/dev/null 2>&1
stop_wine
"$(dirname "$0")/../../scripts/wine-run.sh" "$@"
status=$?
stop_wine
exit $status
