#!/bin/sh
# Usage: compare_transcripts.sh LINUX_PROGRAM WINE_RUN WINE_PREFIX WINDOWS_PROGRAM SEED COUNT
# Runs settings_transcript with the same seed on Linux, in a new hive, and
# under Wine, against Wine's registry, and fails on the first difference.
# Exit status 77 (skipped) when the Linux program or Wine is missing.
set -u
linux=$1 wine_run=$2 prefix=$3 windows=$4 seed=$5 count=$6
[ -x "$linux" ] || { echo "skipped: no Linux build of settings_transcript at $linux (build the Linux one first)"; exit 77; }
[ -x /usr/lib/wine/wine64 ] || { echo "skipped: Wine is not installed"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
run=$$-$(date +%s)
status=0
for args in "$seed $count" "letters"; do
  rm -rf "$work/hive" && mkdir "$work/hive"
  # shellcheck disable=SC2086
  VEMMISC_REGISTRY_DIR="$work/hive" "$linux" "$run" $args >"$work/linux.txt" || status=1
  # shellcheck disable=SC2086
  "$wine_run" "$prefix" "$windows" "$run" $args </dev/null >"$work/wine.raw" || status=1
  tr -d '\r' <"$work/wine.raw" >"$work/wine.txt"
  if diff "$work/wine.txt" "$work/linux.txt" >"$work/diff.txt"; then
    echo "settings_transcript $args: $(wc -l <"$work/wine.txt") lines, Linux and Wine agree"
  else
    echo "settings_transcript $args: Linux differs from Wine (< Wine, > Linux):"
    head -40 "$work/diff.txt"
    status=1
  fi
done
exit $status
