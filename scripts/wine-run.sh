#!/bin/sh
# Usage: wine-run.sh PREFIX PROGRAM [ARGS...]
# Runs a Windows program under Wine with the private prefix PREFIX.
# The prefix is initialised once (under a lock) and the wine server is kept
# running between programs, so each test pays only for its own start.
set -e
export WINEPREFIX="$1"
shift
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
WINE=/usr/lib/wine/wine64
mkdir -p "$WINEPREFIX"
(
  flock 9
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$WINE" wineboot --init >/dev/null 2>&1 || true
    /usr/lib/wine/wineserver -w
  fi
) 9>"$WINEPREFIX.lock"
/usr/lib/wine/wineserver -p >/dev/null 2>&1 || true
exec "$WINE" "$@"
