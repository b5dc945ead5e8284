#!/bin/bash
# Usage: scripts/check-style.sh [--fix]
# The tree's one layout and one header-guard style: every C++ source and
# header is as clang-format (.clang-format) writes it, and every header's
# guard is VEMMISC_ and its path from the repository root in capitals, with
# '/' and '.' as '_', and a trailing '_' (include/VemMisc.h:
# VEMMISC_INCLUDE_VEMMISC_H_). With --fix both are rewritten in place; without
# it any difference is listed and fails the check. Test code (tests/, fuzz/)
# has one namespace of its own, vem_test, besides anonymous ones; that is
# checked, never fixed.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
fix=0
[ "${1:-}" = --fix ] && fix=1
failed=0

mapfile -t sources < <(git ls-files '*.cc' '*.h')
if [ "$fix" -eq 1 ]; then
  clang-format-14 -i "${sources[@]}"
else
  report=$(clang-format-14 --dry-run "${sources[@]}" 2>&1)
  if [ -n "$report" ]; then
    echo "$report" | grep -E "warning:" | cut -d: -f1 | sort -u | sed 's/$/: not as clang-format lays it out/'
    failed=1
  fi
fi

for header in $(git ls-files '*.h'); do
  guard=VEMMISC_$(echo "$header" | tr 'a-z/.' 'A-Z__')_
  first=$(grep -m1 '^#ifndef ' "$header" | cut -d' ' -f2)
  [ "$first" = "$guard" ] && continue
  if [ "$fix" -eq 1 ] && [ -n "$first" ]; then
    sed -i "s/\\b$first\\b/$guard/g" "$header"
  else
    echo "$header: guard ${first:-missing}, expected $guard"
    failed=1
  fi
done

while IFS=: read -r file line text; do
  echo "$file:$line: $text: test code opens vem_test or an anonymous namespace only"
  failed=1
done < <(git grep -nE '^\s*namespace\s+[A-Za-z_:]+\s*\{' -- tests fuzz | grep -vE ':\s*namespace\s+vem_test\s*\{')
exit "$failed"
