#!/bin/bash
# Usage: scripts/tour.sh
# Builds the library and its tour (Linux release, in build/linux, the build
# directory scripts/test-all.sh also uses) and runs the tour, which prints what
# each service does. Missing Debian packages are installed first when running
# as root. The message box chapter shows its box on the caller's display, if
# there is one.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
dir="$root/build/linux"
cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DVEMMISC_WERROR=ON >/dev/null
cmake --build "$dir" --target vemmisc_tour --parallel 2 >/dev/null
exec "$dir/bin/vemmisc_tour"
