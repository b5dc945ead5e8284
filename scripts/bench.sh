#!/bin/bash
# Usage: scripts/bench.sh [NAME...] [-- BENCHMARK_OPTIONS...]
# Builds the benchmarks (release, in build/bench) and runs them: the programs
# named (bench_containers, ...) or every bench/bench_*.cc program. Options after
# "--" go to each program, e.g. -- --benchmark_filter=Get --benchmark_repetitions=3.
# Each program's results are also written as JSON to build/bench/results/.
# The programs run on a private X server, since the message box benchmarks
# show dialogs. Missing Debian packages are installed first when running as
# root.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

if [ -z "${VEMMISC_BENCH_DISPLAY:-}" ]; then
  "$root/scripts/install-deps.sh"
  export VEMMISC_BENCH_DISPLAY=1
  exec env -u DISPLAY "$root/scripts/with-xvfb.sh" "$0" "$@"
fi

names=()
while [ $# -gt 0 ] && [ "$1" != -- ]; do
  names+=("$1")
  shift
done
[ $# -gt 0 ] && shift
if [ ${#names[@]} -eq 0 ]; then
  for source in "$root"/bench/bench_*.cc; do
    [ -e "$source" ] && names+=("$(basename "$source" .cc)")
  done
fi
if [ ${#names[@]} -eq 0 ]; then
  echo "no benchmarks in bench/" >&2
  exit 1
fi

dir="$root/build/bench"
cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Release -DVEMMISC_BUILD_BENCH=ON \
  -DVEMMISC_BUILD_TESTS=OFF >/dev/null
cmake --build "$dir" --parallel 2 --target "${names[@]}"
mkdir -p "$dir/results"
for name in "${names[@]}"; do
  echo "==== $name"
  "$dir/bin/$name" --benchmark_out="$dir/results/$name.json" --benchmark_out_format=json "$@"
done
