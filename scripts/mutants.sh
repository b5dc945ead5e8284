#!/bin/bash
# Usage: scripts/mutants.sh [options]
#   --only LIST      subsystems to run, comma-separated (containers,params,...)
#   --faults LIST    fault ids to run, comma-separated (m001,m017,...)
#   --jobs N         parallel build and test jobs (default 2)
#   --timeout S      seconds per test before it counts as hanging (default 90)
#   --exclude REGEX  leave out the tests whose names match (e.g. WinePeer,
#                    whose runs of Wine take half a minute for every fault)
#   --output FILE    also write the results to FILE
#   --list FILE      the fault list (default scripts/mutants.list)
#   --check          only report which faults are stale; build nothing
#   --rescore FILE   score the results in FILE again, with the equivalent
#                    marks the list has now; build nothing
#
# Measures how many seeded faults the tests catch. Each fault of the list is
# applied on its own to a scratch copy of the tree (build/mutants/src; the
# working tree itself is never changed), the copy is rebuilt incrementally in
# a Debug build (build/mutants/build), and the tests of the fault's subsystem
# run. Each fault ends as one of:
#   caught    a test failed, crashed or timed out
#   survived  every test passed
#   no-build  the fault does not compile; the compiler caught it, not the
#             tests, so it counts in neither part of the score
#   stale     its original line no longer occurs exactly once in its file
#             (the code moved on); left out of the score, so scores taken
#             before and after a change compare on the faults both share
# Faults marked equivalent in the list change no behaviour; a surviving one
# is reported as "survived (equivalent)" and left out of the second score.
# To compare with a recorded run on the faults both still share, rescore it
# with --faults set to the faults that --check does not report stale.
#
#   score               caught / (caught + survived)
#   non-equivalent      caught / (caught + survived - equivalent survivors)
#
# The unmutated copy must pass the selected tests first. Tests run with HOME,
# TMPDIR and XDG_CONFIG_HOME in the scratch folder, so a fault that sends the
# registry hive or a block elsewhere stays there. Message box faults also run
# the GUI tests, one at a time, on a private X server for the whole run.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

args=("$@")
only= faults= jobs=2 timeout=90 exclude= output= check=0 rescore=
list="$root/scripts/mutants.list"
while [ $# -gt 0 ]; do
  case $1 in
    --only) only=$2; shift 2 ;;
    --faults) faults=$2; shift 2 ;;
    --jobs) jobs=$2; shift 2 ;;
    --timeout) timeout=$2; shift 2 ;;
    --exclude) exclude=$2; shift 2 ;;
    --output) output=$(realpath -m "$2"); shift 2 ;;
    --list) list=$(realpath -m "$2"); shift 2 ;;
    --check) check=1; shift ;;
    --rescore) rescore=$(realpath -m "$2"); shift 2 ;;
    *) sed -n '2,13s/^# \{0,1\}//p' "$0" >&2; exit 2 ;;
  esac
done

work="$root/build/mutants"
scratch="$work/src"
build="$work/build"

# The tests that can catch a fault in each subsystem, as a pattern over the
# test's command line (its program). A subsystem also runs the tests of the
# subsystems built on it; an unknown folder runs every test.
tests_for() {
  case $1 in
    containers|text) echo 'bin/(containers_|text_|vemmisc_params|settings_|vemreg_test|msgbox_)' ;;
    params) echo 'bin/vemmisc_params' ;;
    settings) echo 'bin/(settings_|vemreg_test)' ;;
    mmf) echo 'bin/mmf_' ;;
    msgbox) echo 'bin/msgbox_' ;;
    tools) echo 'bin/vemreg_test' ;;
    *) echo '.' ;;
  esac
}

# subsystem_of FILE: the subsystem a source file belongs to; public headers
# belong to the subsystem they declare.
subsystem_of() {
  case $1 in
    include/VemContainers.h) echo containers ;;
    include/VemParams.h) echo params ;;
    include/VemSettings.h) echo settings ;;
    include/VemMMF.h) echo mmf ;;
    include/VemMsgBox.h) echo msgbox ;;
    include/*) echo module ;;
    *) echo "${1%%/*}" ;;
  esac
}

# located ROOT FILE: FILE, or where it moved: the one library or tool file of
# the same name below ROOT. Nothing if there is none or more than one.
located() {
  if [ -f "$1/$2" ]; then
    echo "$2"
    return
  fi
  local found
  found=$(cd "$1" && find . \( -path ./build -o -path ./.git -o -path ./tests -o -path ./fuzz \
            -o -path ./bench -o -path ./examples \) -prune -o -type f -name "${2##*/}" -print)
  [ -n "$found" ] && [ "$(wc -l <<<"$found")" = 1 ] && echo "${found#./}"
}

# occurrences FILE: how often $SNIPPET occurs in FILE (taken literally).
occurrences() {
  [ -f "$1" ] || { echo 0; return; }
  SNIPPET=$snippet awk '
    BEGIN { s = ENVIRON["SNIPPET"] }
    { line = $0; while ((i = index(line, s)) > 0) { n++; line = substr(line, i + length(s)) } }
    END { print n + 0 }' "$1"
}

# apply FILE: replaces the one occurrence of $SNIPPET in FILE by $REPLACEMENT.
apply() {
  SNIPPET=$snippet REPLACEMENT=$replacement awk '
    BEGIN { s = ENVIRON["SNIPPET"]; r = ENVIRON["REPLACEMENT"] }
    (i = index($0, s)) > 0 { $0 = substr($0, 1, i - 1) r substr($0, i + length(s)) }
    { print }' "$1" >"$1.mutant" && mv "$1.mutant" "$1"
}

# Reads the fault list: "ID FILE KIND", then "  - ORIGINAL", "  + REPLACEMENT"
# and optionally "  = equivalent: REASON".
ids=() files=() kinds=() snippets=() replacements=() equivalents=()
while IFS= read -r line || [ -n "$line" ]; do
  case $line in
    m[0-9]*)
      read -r id file kind <<<"$line"
      ids+=("$id") files+=("$file") kinds+=("$kind")
      snippets+=("") replacements+=("") equivalents+=("") ;;
    "  - "*) snippets[${#ids[@]}-1]=${line#  - } ;;
    "  +"*) replacements[${#ids[@]}-1]=${line#  +}; replacements[${#ids[@]}-1]=${replacements[${#ids[@]}-1]# } ;;
    "  = "*) equivalents[${#ids[@]}-1]=${line#  = } ;;
  esac
done <"$list"

# The faults chosen by --only and --faults, each with its subsystem.
chosen=()
subsystems=()
for i in "${!ids[@]}"; do
  subsystems[i]=$(subsystem_of "${files[i]}")
  [ -z "$only" ] || [[ ,$only, == *",${subsystems[i]},"* ]] || continue
  [ -z "$faults" ] || [[ ,$faults, == *",${ids[i]},"* ]] || continue
  chosen+=("$i")
done
[ ${#chosen[@]} -gt 0 ] || { echo "mutants: no fault chosen" >&2; exit 2; }

report() {
  echo "$1"
  [ -z "$output" ] || echo "$1" >>"$output"
}

# tally I RESULT: counts fault I's result under its subsystem; sets
# $equivalent to the mark its report line carries.
declare -A count survivors
tally() {
  local s=${subsystems[$1]} key
  equivalent=${equivalents[$1]:+ (equivalent)}
  key="$s $2${equivalent:+ equivalent}"
  count[$key]=$(( ${count[$key]:-0} + 1 ))
  [ "$2" != survived ] || [ -n "$equivalent" ] || survivors[$s]+=" ${ids[$1]}"
}

summary() {
  local name=$1; shift
  local c=0 v=0 e=0 n=0 t=0 x
  for x in "$@"; do
    c=$((c + ${count[$x caught]:-0} + ${count[$x caught equivalent]:-0}))
    v=$((v + ${count[$x survived]:-0} + ${count[$x survived equivalent]:-0}))
    e=$((e + ${count[$x survived equivalent]:-0}))
    n=$((n + ${count[$x no-build]:-0} + ${count[$x no-build equivalent]:-0}))
    t=$((t + ${count[$x stale]:-0} + ${count[$x stale equivalent]:-0}))
  done
  [ $((c + v + n + t)) -gt 0 ] || return 0
  report "$(awk -v name="$name" -v c=$c -v v=$v -v e=$e -v n=$n -v t=$t 'BEGIN {
    s1 = c + v > 0 ? sprintf("%5.1f%%", 100 * c / (c + v)) : "    -"
    s2 = c + v - e > 0 ? sprintf("%5.1f%%", 100 * c / (c + v - e)) : "    -"
    printf "# %-10s %6d %6d %8d %12d %8d %5d %6s %15s\n", name, c + v + n + t, c, v, e, n, t, s1, s2 }')"
}
# report_scores: the table of scores and the surviving faults by subsystem.
report_scores() {
  local names s
  names=$(for i in "${chosen[@]}"; do echo "${subsystems[i]}"; done | sort -u)
  report ""
  report "# subsystem  faults caught survived (equivalent) no-build stale  score  non-equivalent"
  for s in $names; do summary "$s" "$s"; done
  # shellcheck disable=SC2086
  summary all $names
  for s in $names; do
    [ -z "${survivors[$s]:-}" ] || report "# survivors in $s:${survivors[$s]}"
  done
}

if [ -n "$rescore" ]; then
  mapfile -t results <"$rescore"
  [ -z "$output" ] || : >"$output"
  declare -A index
  for i in "${chosen[@]}"; do index[${ids[i]}]=$i; done
  for line in "${results[@]}"; do
    case $line in
      "# scripts/mutants.sh at"*) report "$line" ;;
      m[0-9]*)
        read -r id result rest <<<"$line"
        [ -n "${index[$id]:-}" ] || continue
        tally "${index[$id]}" "$result"
        report "$id $result$equivalent ${rest#(equivalent) }" ;;
    esac
  done
  report_scores
  printf '%s\n' "${results[@]}" | grep '^# [0-9]* min ' | while IFS= read -r line; do report "$line"; done
  exit 0
fi

if [ "$check" = 1 ]; then
  for i in "${chosen[@]}"; do
    snippet=${snippets[i]}
    path=$(located "$root" "${files[i]}")
    if [ -z "$path" ] || [ "$(occurrences "$root/$path")" != 1 ]; then
      echo "${ids[i]} stale ${files[i]}: ${snippets[i]}"
    elif [ "$path" != "${files[i]}" ]; then
      echo "${ids[i]} moved to $path"
    fi
  done
  exit 0
fi

# Message box faults drive dialogs: the whole run gets one private X server
# (not the caller's desktop), as the full test run does.
needs_display=0
for i in "${chosen[@]}"; do [ "${subsystems[i]}" = msgbox ] && needs_display=1; done
if [ "$needs_display" = 1 ] && [ -z "${VEMMISC_MUTANTS_DISPLAY:-}" ]; then
  export VEMMISC_MUTANTS_DISPLAY=1
  exec env -u DISPLAY "$root/scripts/with-xvfb.sh" "$0" "${args[@]}"
fi

# The scratch copy follows the tree: changed files are copied with a fresh
# time (an object built from an older copy may be newer than the file's own
# time), unchanged ones are left alone so the build stays incremental, and
# vanished ones are removed.
mkdir -p "$scratch" "$work/home" "$work/tmp"
(cd "$root" && find . \( -path ./build -o -path ./.git \) -prune -o -type f -print) | sort >"$work/tree.files"
(cd "$scratch" && find . -type f -print) | sort | comm -13 "$work/tree.files" - | (cd "$scratch" && xargs -r rm -f)
while IFS= read -r f; do
  cmp -s "$root/$f" "$scratch/$f" || { mkdir -p "$(dirname "$scratch/$f")" && cp "$root/$f" "$scratch/$f"; }
done <"$work/tree.files"

generator=()
command -v ninja >/dev/null && [ ! -f "$build/CMakeCache.txt" ] && generator=(-G Ninja)
echo "mutants: building the unmutated copy in $build"
if ! cmake -S "$scratch" -B "$build" "${generator[@]}" -DCMAKE_BUILD_TYPE=Debug \
       -DVEMMISC_BUILD_EXAMPLES=OFF -DVEMMISC_BUILD_BENCH=OFF >"$work/configure.log" 2>&1 ||
   ! cmake --build "$build" --parallel "$jobs" >"$work/build.log" 2>&1; then
  cat "$work/configure.log" "$work/build.log" >&2
  echo "mutants: the unmutated copy does not build" >&2
  exit 1
fi

export HOME="$work/home" TMPDIR="$work/tmp" XDG_CONFIG_HOME="$work/home/.config"
ctest --test-dir "$build" -N -V >"$work/tests.txt" 2>&1
ctest --test-dir "$build" -N -L gui 2>&1 | sed -n 's/^ *Test *#\([0-9]*\):.*/\1/p' >"$work/gui-tests.txt"

# selection SUBSYSTEM gui|plain: the ctest -I argument that picks the
# subsystem's tests of one sort, or nothing if there are none.
selection() {
  awk -v pattern="${patterns[$1]}" -v want="$2" -v exclude="$exclude" '
    FNR == NR { gui[$1] = 1; next }
    /^[0-9]+: Test command:/ {
      n = $1; sub(":", "", n)
      wanted = $0 ~ pattern && ((n in gui) == (want == "gui"))
    }
    /^ *Test +#[0-9]+: / && wanted {
      name = $0; sub(/^ *Test +#[0-9]+: /, "", name)
      if (exclude == "" || name !~ exclude) ids = ids "," n
      wanted = 0
    }
    END { if (ids != "") { split(substr(ids, 2), first, ","); print first[1] "," first[1] ",1" ids } }
  ' "$work/gui-tests.txt" "$work/tests.txt"
}

# run_tests SUBSYSTEM LOG: runs the subsystem's tests (the GUI ones only for
# message box faults, one at a time); fails as soon as one test fails.
run_tests() {
  local plain gui status=0
  plain=$(selection "$1" plain)
  if [ -n "$plain" ]; then
    ctest --test-dir "$build" --parallel "$jobs" --timeout "$timeout" --stop-on-failure \
      -I "$plain" >"$2" 2>&1 || return 1
  fi
  gui=$(selection "$1" gui)
  if [ "$1" = msgbox ] && [ -n "$gui" ]; then
    ctest --test-dir "$build" --timeout "$timeout" --stop-on-failure -I "$gui" >>"$2" 2>&1 || status=1
  fi
  return $status
}

# first_failure LOG: the first test that failed, as ctest shows it, or the
# test program that failed when ctest asked it for its list of tests.
first_failure() {
  { sed -n 's/^.*Test *#[0-9]*: \([^ ]*\) .*\*\*\*\([A-Za-z]*\).*$/\1 (\2)/p' "$1"
    sed -n "s|^ *Path: '.*/\\([^/]*\\)'\$|\\1 (failed listing its tests)|p" "$1"; } | head -1
}

# Where each fault's file is now, and the subsystem whose tests run for it:
# a file that moved to another folder is tested as part of that folder, but
# still counted under the subsystem of the list, so scores stay comparable.
paths=() tested=()
for i in "${chosen[@]}"; do
  paths[i]=$(located "$scratch" "${files[i]}")
  tested[i]=$(subsystem_of "${paths[i]:-${files[i]}}")
done

# A subsystem whose tests the pattern no longer finds (a test program was
# renamed) runs every test rather than none.
declare -A patterns unmutated_checked
for i in "${chosen[@]}"; do
  s=${tested[i]}
  [ -n "${unmutated_checked[$s]:-}" ] && continue
  unmutated_checked[$s]=1
  patterns[$s]=$(tests_for "$s")
  if [ -z "$(selection "$s" plain)" ]; then
    echo "mutants: no test program matches '${patterns[$s]}' for $s; running every test" >&2
    patterns[$s]=.
  fi
  if ! run_tests "$s" "$work/unmutated-$s.log"; then
    echo "mutants: the unmutated tests of $s fail: $(first_failure "$work/unmutated-$s.log")" >&2
    exit 1
  fi
done

# A fault in the scratch copy is undone however the run ends.
saved="$work/saved"
mutated=
restore() {
  if [ -n "$mutated" ]; then
    cp "$saved" "$mutated"  # a fresh time, so the next build recompiles it
    mutated=
  fi
}
trap restore EXIT
trap 'exit 130' INT TERM

[ -z "$output" ] || : >"$output"
report "# scripts/mutants.sh at $(git -C "$root" rev-parse --short HEAD 2>/dev/null)$(git -C "$root" diff --quiet 2>/dev/null || echo '+changes'), $(date -u '+%Y-%m-%d %H:%M UTC'), timeout ${timeout}s${exclude:+, without tests matching $exclude}"
start=$SECONDS
for i in "${chosen[@]}"; do
  id=${ids[i]} file=${paths[i]}
  snippet=${snippets[i]} replacement=${replacements[i]}
  log="$work/$id.log"
  detail=
  if [ -z "$file" ] || [ "$(occurrences "$scratch/$file")" != 1 ]; then
    result=stale
  else
    cp -p "$scratch/$file" "$saved"
    mutated="$scratch/$file"
    apply "$mutated"
    if ! cmake --build "$build" --parallel "$jobs" >"$log" 2>&1; then
      result=no-build
    elif run_tests "${tested[i]}" "$log"; then
      result=survived
    else
      result=caught
      detail=$(first_failure "$log")
    fi
    restore
  fi
  tally "$i" "$result"
  moved=
  [ -n "$file" ] && [ "$file" != "${files[i]}" ] && moved=" (now $file)"
  report "$id $result$equivalent ${files[i]}$moved ${kinds[i]}${detail:+ by $detail}"
done

# The restored copy is rebuilt, so the next run starts from the tree.
cmake --build "$build" --parallel "$jobs" >"$work/build.log" 2>&1

report_scores
elapsed=$((SECONDS - start))
report "# $((elapsed / 60)) min $((elapsed % 60)) s for ${#chosen[@]} faults"
