#!/bin/sh
# Usage: wine-run.sh PREFIX PROGRAM [ARGS...]
# Runs a Windows program under Wine with the private prefix PREFIX.
# The prefix is initialised once, and one wine server with Wine's background
# services is started once and kept running between programs (under a lock,
# so parallel tests share them), so each test pays only for its own start.
# Stop them with: WINEPREFIX=PREFIX /usr/lib/wine/wineserver -k
set -e
export WINEPREFIX="$1"
shift
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
mkdir -p "$WINEPREFIX"
(
  flock 9
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$WINE" wineboot --init </dev/null >/dev/null 2>&1 9>&- || true
    "$WINESERVER" -w
  fi
  # "-p" fails when a server already runs. A new one gets its services started
  # here, detached from the caller's output: a service started by the program
  # below would inherit the caller's pipe (ctest's) and keep it open forever.
  # Neither may inherit the lock's descriptor: they outlive this script, and
  # would hold the lock for as long as they run.
  if "$WINESERVER" -p </dev/null >/dev/null 2>&1 9>&-; then
    "$WINE" wineboot </dev/null >/dev/null 2>&1 9>&- || true
  fi
) 9>"$WINEPREFIX.lock"
exec "$WINE" "$@"
