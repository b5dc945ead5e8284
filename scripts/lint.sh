#!/bin/bash
# Usage: scripts/lint.sh
# Static checks of the library, its tools and the fuzzers: cppcheck with the
# suppressions of scripts/cppcheck.supp, then clang-tidy with the checks of
# .clang-tidy over every source file of the Linux build (configured, not
# built, in build/lint), then the public headers compiled alone and together
# by every compiler we support (scripts/check-headers.sh), then the layout
# and header guards (scripts/check-style.sh). Any finding fails the run.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build="$root/build/lint"
failed=0

echo "==== lint: cppcheck"
if ! cppcheck --std=c++17 --language=c++ --enable=warning,performance,portability \
    --inline-suppr --quiet --error-exitcode=1 -I include -I . \
    --suppressions-list=scripts/cppcheck.supp \
    text containers params settings mmf msgbox module tools fuzz; then
  echo "==== lint: cppcheck found problems (above)"
  failed=1
fi

echo "==== lint: clang-tidy"
mkdir -p "$build"
if ! cmake -S "$root" -B "$build" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON \
    -DVEMMISC_BUILD_TESTS=OFF -DVEMMISC_BUILD_EXAMPLES=OFF >"$build/configure.log" 2>&1; then
  cat "$build/configure.log"
  exit 1
fi
# clang-tidy reads GCC's command lines; options only GCC knows are dropped.
mkdir -p "$build/tidy"
sed -e 's/ -fno-gnu-unique//g' -e 's/ -mmemcpy-strategy=[^ "]*//g' \
  "$build/compile_commands.json" >"$build/tidy/compile_commands.json"
# HeaderFilterRegex in .clang-tidy names this checkout's folders; so that a
# clone elsewhere checks its own headers, the filter is given here as well.
filter="$root/(include|text|containers|params|settings|mmf|msgbox|module|tools)/"
if ! run-clang-tidy-14 -p "$build/tidy" -j 2 -quiet -header-filter="$filter" \
    "$root/(text|containers|params|settings|mmf|msgbox|module|tools)/" >"$build/tidy.log" 2>&1; then
  grep -E -A3 "(warning|error):" "$build/tidy.log" | head -n 200
  echo "==== lint: clang-tidy found problems (above; full log in $build/tidy.log)"
  failed=1
fi
echo "==== lint: public headers"
"$root/scripts/check-headers.sh" || failed=1
echo "==== lint: layout and header guards"
"$root/scripts/check-style.sh" || failed=1

[ "$failed" -eq 0 ] && echo "==== lint: no findings"
exit "$failed"
