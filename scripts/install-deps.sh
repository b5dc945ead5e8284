#!/bin/sh
# Installs the Debian 12 packages that building and testing VemMisc needs.
# Does nothing for packages already present; needs root to install.
set -e
PACKAGES="build-essential cmake pkg-config git libgtest-dev googletest libbenchmark-dev
  libsqlite3-dev sqlite3 libgtk-3-dev librsvg2-bin imagemagick icoutils
  g++-mingw-w64-x86-64-posix wine64 xvfb xdotool x11-utils openbox zenity
  libicu-dev clang libclang-rt-14-dev valgrind cppcheck clang-tidy clang-format doxygen file"
missing=""
for p in $PACKAGES; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
if [ "$(id -u)" != 0 ]; then
  echo "missing Debian packages:$missing (run as root to install them)" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends $missing
