#!/bin/bash
# Usage: scripts/deb-roundtrip.sh [BUILD_DIR]
# The Debian packages, end to end, as a user gets them. Makes the packages of
# the Linux release build (BUILD_DIR, default build/linux, configured and
# built here as scripts/test-all.sh does), installs all three on this machine
# with apt-get, and with the installed packages only:
#   - builds the tour (examples/) with find_package(VemMisc) and with
#     pkg-config vemmisc, and runs both;
#   - reads with the installed vemreg what the tour stored in the registry;
#   - runs the tour once more on a terminal and a display (a private Xvfb
#     unless DISPLAY has one), so that it shows its message box, drawn by the
#     installed helper, and closes the box as its user would.
# Then it purges every package the installation added and checks that dpkg's
# package list is what it was before and that no installed file is left.
# Needs root; fails if one of the packages is installed already.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

# Internal: --box TOUR runs TOUR on a terminal of its own (script) on the
# current display, waits for its box and presses Return in it until the box
# is gone (a key typed before the box takes input is lost). Fails when no box
# appears: a mode 1 box that cannot be drawn is no error to the tour.
if [ "${1:-}" = --box ]; then
  timeout 60 script -qec "$2" /dev/null &
  tour=$!
  title='^VemMisc tour$'
  closed=false
  if window=$(timeout 30 xdotool search --sync --onlyvisible --name "$title" | head -n 1) &&
    [ -n "$window" ]; then
    for _ in $(seq 60); do
      if ! xdotool search --onlyvisible --name "$title" >/dev/null 2>&1; then
        closed=true
        break
      fi
      xdotool windowactivate --sync "$window" key --clearmodifiers Return >/dev/null 2>&1 || true
      sleep 0.5
    done
  fi
  if wait "$tour" && $closed; then exit 0; fi
  echo "no box appeared, or it did not close"
  exit 1
fi

build=$(realpath -m "${1:-$root/build/linux}")
ours=(libvemmisc1 libvemmisc-dev vemreg)

if [ "$(id -u)" != 0 ]; then
  echo "deb-roundtrip.sh installs packages: run it as root" >&2
  exit 1
fi
for p in "${ours[@]}"; do
  if dpkg-query -W -f='${db:Status-Abbrev}' "$p" 2>/dev/null | grep -q '^.[^n]'; then
    echo "$p is installed already: remove it first (apt-get purge $p)" >&2
    exit 1
  fi
done
"$root/scripts/install-deps.sh"

echo "==== packages: building them in $build/packages"
cmake -S "$root" -B "$build" -DVEMMISC_WERROR=ON -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" --parallel 2 >/dev/null
rm -rf "$build/packages"
(cd "$build" && cpack -G DEB >/dev/null)
debs=()
for p in "${ours[@]}"; do debs+=("$(ls "$build"/packages/"$p"_*.deb)"); done

work=$(mktemp -d "${TMPDIR:-/tmp}/deb-roundtrip.XXXXXX")
list_packages() { dpkg-query -W -f='${binary:Package} ${Version} ${db:Status-Abbrev}\n' | sort; }
list_packages >"$work/before"

# Put the machine back as it was, whatever happened: purge what the
# installation added (our packages and anything they pulled in).
restore() {
  local added
  added=$(comm -13 <(cut -d' ' -f1 "$work/before") <(list_packages | cut -d' ' -f1))
  if [ -n "$added" ]; then
    echo "==== packages: purging ${added//$'\n'/ }"
    # shellcheck disable=SC2086
    DEBIAN_FRONTEND=noninteractive apt-get purge -y -q $added >"$work/purge.log" 2>&1 ||
      cat "$work/purge.log"
  fi
}
trap 'restore; rm -rf "$work"' EXIT

failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

# Runs a step quietly; on failure prints its output and counts it.
step() {
  local what=$1
  shift
  if "$@" >"$work/step.log" 2>&1; then
    echo "ok: $what"
  else
    cat "$work/step.log"
    fail "$what"
  fi
}

check_packages() {
  local runtime soname
  runtime=$(dpkg-deb -f "${debs[0]}" Package)
  soname=$(objdump -p /usr/lib/libVemMisc.so.1 | awk '$1 == "SONAME" { print $2 }')
  # Debian's rule: the runtime package is the SONAME without ".so.", in lower case.
  [ "$runtime" = "$(echo "$soname" | sed 's/\.so\.//' | tr '[:upper:]' '[:lower:]')" ] ||
    { echo "runtime package $runtime for SONAME $soname"; return 1; }
  dpkg-deb -f "${debs[0]}" Depends | grep -q 'libgtk-3-0' ||
    { echo "libvemmisc1 does not depend on GTK (dpkg-shlibdeps)"; return 1; }
  dpkg-deb -f "${debs[1]}" Depends | grep -qx "$runtime (= $(dpkg-deb -f "${debs[0]}" Version))" ||
    { echo "libvemmisc-dev does not depend on exactly its runtime"; return 1; }
  dpkg-deb -f "${debs[2]}" Depends | grep -q 'libsqlite3' ||
    { echo "vemreg does not depend on SQLite (dpkg-shlibdeps)"; return 1; }
  [ -x /usr/libexec/vemmisc/vemmsgbox ] || { echo "no message box helper"; return 1; }
  dpkg -L vemreg | grep -qx '/usr/share/man/man1/vemreg.1' || { echo "no manual page"; return 1; }
  # An install rule without a component would be in no package.
  cmake --install "$build" --component Unspecified --prefix "$work/unspecified" >/dev/null
  [ ! -e "$work/unspecified" ] || { echo "files in no package:"; find "$work/unspecified" -type f; return 1; }
}

tour_with_cmake() {
  cmake -S "$root/examples" -B "$work/tour-cmake" -DCMAKE_BUILD_TYPE=Release &&
    cmake --build "$work/tour-cmake" && run_tour "$work/tour-cmake/vemmisc_tour"
}

tour_with_pkgconfig() {
  # shellcheck disable=SC2046
  c++ -std=c++17 "$root"/examples/*.cc $(pkg-config --cflags --libs vemmisc) -o "$work/tour-pc" &&
    run_tour "$work/tour-pc"
}

# The tour keeps its settings in a registry of its own here, not root's, and
# runs with the installed library, not one of the build tree. The loader may
# name it by /lib, which is /usr/lib on a merged-/usr system.
run_tour() {
  local loaded
  loaded=$(ldd "$1" | awk '$1 == "libVemMisc.so.1" { print $3 }')
  [ -n "$loaded" ] && [ "$(realpath "$loaded")" = "$(realpath /usr/lib/libVemMisc.so.1)" ] ||
    { echo "$1 loads libVemMisc.so.1 from ${loaded:-nowhere}"; return 1; }
  VEMMISC_REGISTRY_DIR="$work/registry" "$1" </dev/null
}

vemreg_reads_the_tour() {
  local out
  out=$(VEMMISC_REGISTRY_DIR="$work/registry" vemreg query 'HKCU\Software\Tamrel\VemTools\Tour')
  echo "$out"
  grep -q 'Gain' <<<"$out" && grep -q 'LastRun' <<<"$out"
}

tour_shows_its_box() {
  local out
  out=$(VEMMISC_REGISTRY_DIR="$work/registry" "$root/scripts/with-xvfb.sh" \
    "$0" --box "$work/tour-cmake/vemmisc_tour" </dev/null 2>&1)
  echo "$out"
  grep -q 'VTisMessageBoxReaded() returned 1: the box has been closed' <<<"$out"
}

echo "==== packages: installing ${debs[*]##*/}"
if ! DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${debs[@]}" >"$work/install.log" 2>&1; then
  cat "$work/install.log"
  fail "apt-get install"
else
  dpkg -L "${ours[@]}" | sort -u >"$work/files"
  step "package names, dependencies and contents" check_packages
  step "tour built with find_package(VemMisc)" tour_with_cmake
  step "tour built with pkg-config vemmisc" tour_with_pkgconfig
  step "vemreg reads what the tour stored" vemreg_reads_the_tour
  step "the tour's message box, drawn by the installed helper" tour_shows_its_box
fi

restore
list_packages >"$work/after"
if ! diff -u "$work/before" "$work/after"; then
  fail "dpkg's package list differs from the one before the installation"
fi
if [ -f "$work/files" ]; then
  while read -r file; do
    if [ -e "$file" ] && [ ! -d "$file" ]; then fail "$file is left after the purge"; fi
  done <"$work/files"
fi

if [ "$failures" -ne 0 ]; then
  echo "==== packages: $failures failure(s)"
  exit 1
fi
echo "==== packages: installed, used and removed; the machine is as it was"
