#!/bin/bash
# Usage: scripts/check-headers.sh
# Compiles every public header on its own, and all of them together, as a
# program using the installed library would: with g++ and clang++ at C++17
# and C++20, and with the mingw-w64 cross compiler for the Windows build, all
# with -Wall -Wextra -Wpedantic -Wconversion -Wshadow -Werror. Each header
# must include what it needs and warn about nothing. Any failure fails the run.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
flags=(-fsyntax-only -Wall -Wextra -Wpedantic -Wconversion -Wshadow -Werror
  -I "$root/include" -x c++ -)
compilers=(g++ clang++ x86_64-w64-mingw32-g++)
failed=0
checked=0

headers=()
for header in "$root"/include/*.h; do headers+=("$(basename "$header")"); done

for compiler in "${compilers[@]}"; do
  if ! command -v "$compiler" >/dev/null; then
    echo "check-headers: $compiler is not installed"
    failed=1
    continue
  fi
  for standard in c++17 c++20; do
    # One unit per header, then one with every header.
    units=("${headers[@]}" all)
    for unit in "${units[@]}"; do
      if [ "$unit" = all ]; then
        source=$(printf '#include <%s>\n' "${headers[@]}")
      else
        source="#include <$unit>"
      fi
      if ! output=$("$compiler" -std="$standard" "${flags[@]}" <<<"$source" 2>&1); then
        echo "==== $compiler -std=$standard: $unit"
        echo "$output"
        failed=1
      fi
      checked=$((checked + 1))
    done
  done
done

if [ "$failed" -eq 0 ]; then
  echo "check-headers: $checked compilations, no warnings"
fi
exit "$failed"
