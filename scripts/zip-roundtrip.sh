#!/bin/bash
# Usage: scripts/zip-roundtrip.sh [BUILD_DIR]
# The Windows package, end to end. Makes the .zip of the Windows release
# build (BUILD_DIR, default build/windows, configured and built here as
# scripts/test-all.sh does), checks that it holds the DLL, its import library,
# the headers and the CMake package, unpacks it, and builds the tour
# (examples/) against the unpacked tree with the mingw toolchain and
# find_package(VemMisc); the tour runs under Wine, with the DLL from the
# package. Uses the build's Wine prefix and stops its wine server at the end.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath -m "${1:-$root/build/windows}")
toolchain="$root/cmake/toolchain-mingw64.cmake"
"$root/scripts/install-deps.sh"

echo "==== zip: building it in $build/packages"
cmake -S "$root" -B "$build" -DVEMMISC_WERROR=ON -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" >/dev/null
cmake --build "$build" --parallel 2 >/dev/null
rm -rf "$build/packages"
(cd "$build" && cpack -G ZIP >/dev/null)
zip=$(ls "$build"/packages/VemMisc-*-win64.zip)

work=$(mktemp -d "${TMPDIR:-/tmp}/zip-roundtrip.XXXXXX")
prefix="$build/wineprefix"
trap 'WINEPREFIX="$prefix" /usr/lib/wine/wineserver -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT

(cd "$work" && cmake -E tar xf "$zip")
tree=$(ls -d "$work"/VemMisc-*-win64)
status=0
for file in bin/VemMisc.dll lib/libVemMisc.dll.a include/VemMisc.h lib/cmake/VemMisc/VemMiscConfig.cmake; do
  if [ ! -f "$tree/$file" ]; then
    echo "FAILED: ${zip##*/} has no $file"
    status=1
  fi
done

echo "==== zip: the tour built against ${zip##*/}, run under Wine"
# Output goes to a file, not a pipe: programs that Wine starts in the
# background (its services) inherit the handles and would keep a pipe open.
# Without a terminal the tour shows no message box.
if cmake -S "$root/examples" -B "$work/tour" -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DCMAKE_PREFIX_PATH="$tree" -DCMAKE_FIND_ROOT_PATH="$tree" >"$work/tour.log" 2>&1 &&
  cmake --build "$work/tour" >>"$work/tour.log" 2>&1 &&
  WINEPATH="$tree/bin" "$root/scripts/wine-run.sh" "$prefix" "$work/tour/vemmisc_tour.exe" \
    </dev/null >>"$work/tour.log" 2>&1; then
  echo "ok: tour built with find_package(VemMisc) and the mingw toolchain, run with the packaged DLL"
else
  cat "$work/tour.log"
  echo "FAILED: the tour against the .zip"
  status=1
fi
exit "$status"
