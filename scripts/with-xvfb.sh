#!/bin/sh
# Usage: with-xvfb.sh COMMAND [ARGS...]
# Runs COMMAND on the X display in DISPLAY when there is one; otherwise starts
# a private Xvfb (on the first free display number) with the openbox window
# manager, runs COMMAND there, and shuts both down afterwards. Exits with
# COMMAND's status. Tests that need window decorations and close requests get
# them either way (a desktop has its own window manager).
set -u
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  exec "$@"
fi

workdir=$(mktemp -d "${TMPDIR:-/tmp}/with-xvfb.XXXXXX") || exit 125
xvfb_pid=
wm_pid=
cleanup() {
  [ -n "$wm_pid" ] && kill "$wm_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  [ -n "$wm_pid" ] && wait "$wm_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && wait "$xvfb_pid" 2>/dev/null
  rm -rf "$workdir"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Xvfb writes the display number it took once it accepts connections.
mkfifo "$workdir/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset \
  3>"$workdir/display" >"$workdir/xvfb.log" 2>&1 &
xvfb_pid=$!
read -r number <"$workdir/display" || { cat "$workdir/xvfb.log" >&2; exit 125; }
export DISPLAY=":$number"
unset WAYLAND_DISPLAY

openbox --sm-disable --config-file "$(dirname "$0")/openbox-rc.xml" >"$workdir/openbox.log" 2>&1 &
wm_pid=$!
# The window manager is ready once it has announced itself on the root window.
tries=0
until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; do
  tries=$((tries + 1))
  if [ "$tries" -gt 200 ]; then
    cat "$workdir/openbox.log" >&2
    exit 125
  fi
  sleep 0.05
done

"$@"
