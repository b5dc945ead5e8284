#!/bin/bash
# Usage: scripts/loc.sh
# Counts lines of code: non-blank lines that are not only a comment, in C and
# C++ sources (.c .cc .cpp .h .hpp .inc) and in shell and CMake scripts (.sh
# .cmake; CMakeLists.txt files are build descriptions and are not counted).
#
#   code   every top-level folder that is not tests, fuzzing, benchmarks,
#          examples, scripts or build machinery, so a new library folder
#          counts as soon as it exists
#   tests  tests/ and fuzz/, without fuzzing corpora and fixture data
#
# Prints the count of each code folder, the two totals and the ratio of tests
# to code.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

not_code='^(tests|fuzz|bench|examples|scripts|cmake|build.*|doc|docs|debian|packaging)$'

# list_sources DIR...: the countable files below the folders, one a line.
list_sources() {
  find "$@" \( -name corpus -o -name fixtures \) -prune -o -type f \
    \( -name '*.c' -o -name '*.cc' -o -name '*.cpp' -o -name '*.h' -o -name '*.hpp' -o -name '*.inc' \
       -o -name '*.sh' -o -name '*.cmake' \) -print | sort
}

# count FILE...: code lines in the files. C-family files drop // and /* */
# comments (string and character literals are skipped, so "//" in a literal
# is code); scripts drop lines that start with #.
count() {
  [ $# -gt 0 ] || { echo 0; return; }
  awk -v apostrophe="'" '
    FNR == 1 { script = (FILENAME ~ /\.(sh|cmake)$/); in_block = 0 }
    script { if ($0 !~ /^[ \t]*(#.*)?$/) n++; next }
    {
      code = 0; quote = ""; line = $0; len = length(line)
      for (i = 1; i <= len; i++) {
        c = substr(line, i, 1); c2 = substr(line, i, 2)
        if (in_block) { if (c2 == "*/") { in_block = 0; i++ } continue }
        if (quote != "") {
          if (c == "\\") i++; else if (c == quote) quote = ""
          continue
        }
        if (c2 == "//") break
        if (c2 == "/*") { in_block = 1; i++; continue }
        if (c == " " || c == "\t" || c == "\r") continue
        code = 1
        if (c == "\"" || c == apostrophe) quote = c
      }
      if (code) n++
    }
    END { print n + 0 }' "$@"
}

code_total=0
code_dirs=()
for dir in */; do
  dir=${dir%/}
  [[ $dir =~ $not_code ]] && continue
  mapfile -t files < <(list_sources "$dir")
  [ ${#files[@]} -gt 0 ] || continue
  lines=$(count "${files[@]}")
  code_dirs+=("$dir")
  printf '  %-12s %6d\n' "$dir/" "$lines"
  code_total=$((code_total + lines))
done

test_dirs=()
for dir in tests fuzz; do
  [ -d "$dir" ] && test_dirs+=("$dir")
done
mapfile -t files < <([ ${#test_dirs[@]} -eq 0 ] || list_sources "${test_dirs[@]}")
test_total=$(count "${files[@]}")

printf 'code  (%s): %d\n' "${code_dirs[*]}" "$code_total"
printf 'tests (%s): %d\n' "${test_dirs[*]}" "$test_total"
awk -v t="$test_total" -v c="$code_total" \
  'BEGIN { if (c > 0) printf "tests / code: %.1f%%\n", 100 * t / c }'
