#!/bin/bash
# Usage: scripts/test-all.sh
# Builds VemMisc three ways and runs every test of each build:
#   linux    release build, warnings as errors
#   asan     AddressSanitizer + UndefinedBehaviorSanitizer build
#   windows  mingw-w64 cross build, test programs run under Wine
# Build directories are build/<name> in the repository; they are reused, so a
# second run only rebuilds what changed. Missing Debian packages are installed
# first when running as root.
#
# One private X server (Xvfb with the openbox window manager) serves the whole
# run, so the message box tests have a display on Linux and under Wine. The
# Windows programs share one Wine prefix, made afresh once per run, and one
# wine server kept running between them.
#
# Every stage runs even if an earlier one failed. The output ends with the
# summary lines ctest printed for each stage; the exit status is non-zero if
# any build or test failed.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

# Start the private X server first: the script runs again under it. An X
# server of the caller's desktop is not used, so no dialog lands on it.
if [ -z "${VEMMISC_TEST_ALL_DISPLAY:-}" ]; then
  "$root/scripts/install-deps.sh" || exit 1
  export VEMMISC_TEST_ALL_DISPLAY=1
  exec env -u DISPLAY "$root/scripts/with-xvfb.sh" "$0" "$@"
fi

jobs=2
test_timeout=300
wine_prefix="$root/build/windows/wineprefix"
start_seconds=$SECONDS
failed=0
summaries=()

stop_wine_server() {
  if [ -d "$wine_prefix" ]; then
    WINEPREFIX="$wine_prefix" /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true
  fi
}
trap stop_wine_server EXIT

# run_stage NAME CMAKE_ARGS...: configures, builds and tests build/NAME.
run_stage() {
  local name=$1
  shift
  local dir="$root/build/$name"
  echo
  echo "==== $name: configure and build"
  if ! cmake -S "$root" -B "$dir" -DVEMMISC_WERROR=ON "$@" >"$dir.configure.log" 2>&1; then
    cat "$dir.configure.log"
    summaries+=("==== $name: configuration failed (see above)")
    failed=1
    return
  fi
  if ! cmake --build "$dir" --parallel "$jobs"; then
    summaries+=("==== $name: build failed (see above)")
    failed=1
    return
  fi
  if [ "$name" = windows ]; then
    prepare_wine
  fi
  echo
  echo "==== $name: tests"
  # Tests labelled "gui" drive windows on the shared display, so they run one
  # at a time after the others; those labelled "manual" run by hand only.
  run_ctest "$name" "$dir" parallel --parallel "$jobs" --label-exclude 'gui|manual'
  if [ "$name" = windows ]; then
    # Wine's X11 driver now and then crashes a program that drives many
    # dialogs (outside our code: glibc reports the heap of Wine's Unix side).
    # Such a program gets one more run; failing twice fails the stage.
    run_ctest "$name" "$dir" gui --label-regex gui --repeat until-pass:2
  else
    run_ctest "$name" "$dir" gui --label-regex gui
  fi
}

# run_ctest NAME DIR PART CTEST_ARGS...: runs part of build NAME's tests and
# keeps ctest's closing lines (from its "N% tests passed" line on).
run_ctest() {
  local name=$1 dir=$2 part=$3
  shift 3
  local log="$dir/ctest-$part.log"
  ctest --test-dir "$dir" --output-on-failure --timeout "$test_timeout" --no-tests=ignore "$@" 2>&1 | tee "$log"
  local status=${PIPESTATUS[0]}
  [ "$status" -eq 0 ] || failed=1
  summaries+=("==== $name, $part tests:" "$(sed -n '/% tests passed/,$p' "$log")")
}

# A fresh prefix per run keeps the Windows tests independent of earlier runs;
# initialising it here, once, keeps that cost out of the first test.
prepare_wine() {
  echo "==== windows: preparing the Wine prefix"
  stop_wine_server
  rm -rf "$wine_prefix"
  "$root/scripts/wine-run.sh" "$wine_prefix" cmd /c exit 0 >/dev/null 2>&1 || true
}

mkdir -p "$root/build"
run_stage linux -DCMAKE_BUILD_TYPE=Release
run_stage asan -DCMAKE_BUILD_TYPE=Debug -DVEMMISC_SANITIZE=ON
run_stage windows -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw64.cmake"
stop_wine_server

elapsed=$((SECONDS - start_seconds))
echo
echo "==== all stages done in $((elapsed / 60)) min $((elapsed % 60)) s"
for line in "${summaries[@]}"; do
  echo "$line"
done
exit "$failed"
