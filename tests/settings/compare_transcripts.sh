#!/bin/sh
# Usage: compare_transcripts.sh LINUX_PROGRAM WINE_RUN WINE_PREFIX WINDOWS_PROGRAM SEED COUNT
# Runs settings_transcript with the same seed on Linux, in a new hive, and
# under Wine, against Wine's registry, and fails on any difference.
# Exit status 77 (skipped) when there is no Linux program to compare with.
set -u
linux=$1 wine_run=$2 prefix=$3 windows=$4 seed=$5 count=$6
[ -x "$linux" ] || { echo "skipped: no Linux build of settings_transcript at $linux (build the Linux one first)"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
run=$$-$(date +%s)
VEMMISC_REGISTRY_DIR="$work" "$linux" "$run" "$seed" "$count" >"$work/linux.txt" || exit 1
"$wine_run" "$prefix" "$windows" "$run" "$seed" "$count" </dev/null >"$work/wine.txt" || exit 1
if tr -d '\r' <"$work/wine.txt" | diff - "$work/linux.txt" >"$work/diff.txt"; then
  echo "settings_transcript $seed $count: $(wc -l <"$work/linux.txt") lines, Linux and Wine agree"
else
  echo "settings_transcript $seed $count: Linux differs from Wine (< Wine, > Linux):"
  head -40 "$work/diff.txt"
  exit 1
fi
