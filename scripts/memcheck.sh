#!/bin/bash
# Usage: scripts/memcheck.sh [BUILD_DIR]
# Runs every Linux test program whole under valgrind memcheck and fails on
# any memory error or leak (definite, indirect or possible). BUILD_DIR
# defaults to build/linux, the release build of scripts/test-all.sh, which is
# configured and brought up to date first; reusing it keeps CI from building
# the library a fourth time.
#
# Each program runs once with all its cases, rather than once per case as
# ctest lists them, since valgrind's start-up would dominate otherwise. The
# programs run two at a time under one private X server (the message box
# tests need a display). No suppressions are needed: the third-party code the
# tests reach (SQLite, the C++ runtime) runs clean. A report prints the
# program's valgrind log.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/linux}
build=$(mkdir -p "$build" && cd "$build" && pwd)

if [ -z "${VEMMISC_MEMCHECK_DISPLAY:-}" ]; then
  export VEMMISC_MEMCHECK_DISPLAY=1
  exec env -u DISPLAY "$root/scripts/with-xvfb.sh" "$0" "$build"
fi

echo "==== memcheck: configure and build $build"
if ! cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVEMMISC_WERROR=ON \
    >"$build/memcheck-configure.log" 2>&1; then
  cat "$build/memcheck-configure.log"
  exit 1
fi
cmake --build "$build" --parallel 2 || exit 1
# The unload tests load the library from its staged installation.
ctest --test-dir "$build" -R '^module\.install$' >/dev/null || exit 1

logs="$build/memcheck"
rm -rf "$logs"
mkdir -p "$logs"
# Left out or narrowed, each for a reason of valgrind's, not of the code's:
# - containers_allocation_failure_test replaces the global operator new (to
#   inject failures), and valgrind replaces the allocator itself, so the
#   injection never fires; vemmisc_params_tests runs under AddressSanitizer
#   in every build, which does there what valgrind would and cannot run
#   under it (the other builds run both).
# - The helper process cases count the caller's descriptors, threads and
#   children in /proc, and one opens a thousand descriptors; valgrind keeps
#   descriptors and threads of its own and is too slow for their 2-second
#   deadlines. The spawning and answering code runs in the other cases and
#   in every GUI case.
# - The owner cases need a process whose first message box call comes after
#   its own window exists, since the owner is looked for once, at the first
#   call; ctest runs each case in a process of its own, this script runs each
#   program whole, where earlier cases have made the first call.
# - The Wine peer cases compare with Wine's own programs, whose start-up
#   valgrind's slowdown pushes past their waits; they test Wine's output,
#   not memory, and run in the other builds.
declare -A filters=(
  [msgbox_gui_test]="-GoneClientFirst/*:BoxTest.UnloadingAndExitCloseOpenBoxes:Failures/*"
  [vemreg_test]="-WinePeerTest.*"
)
programs=()
for program in "$build"/bin/*_test "$build"/bin/*_tests; do
  case $(basename "$program") in
    containers_allocation_failure_test | vemmisc_params_tests) continue ;;
  esac
  [ -x "$program" ] && programs+=("$program")
done

# check PROGRAM: one whole run under valgrind; the log is memcheck/NAME.log.
# Forked test children end with _exit while holding their parent's state:
# what the parent still points to at that moment counts as "possibly lost"
# in the child. So the children stay silent and fail only on errors and
# definite or indirect leaks; possible leaks fail the parent, whose log is
# the only one written, by the check after the run.
check() {
  local name
  name=$(basename "$1")
  (cd "$build" && timeout 900 valgrind --tool=memcheck --error-exitcode=99 \
      --child-silent-after-fork=yes \
      --leak-check=full --show-leak-kinds=definite,indirect,possible \
      --errors-for-leak-kinds=definite,indirect \
      --gen-suppressions=all \
      --log-file="$logs/$name.log" "$1" --gtest_color=no \
      --gtest_filter="${filters[$name]:-*}" \
      >"$logs/$name.out" 2>&1) || return 1
  ! grep -qE "possibly lost: [1-9]" "$logs/$name.log"
}

start_seconds=$SECONDS
failed=0
summaries=()
for ((i = 0; i < ${#programs[@]}; i += 2)); do
  batch=("${programs[@]:i:2}")
  pids=()
  for program in "${batch[@]}"; do
    check "$program" &
    pids+=($!)
  done
  for j in "${!batch[@]}"; do
    name=$(basename "${batch[$j]}")
    if wait "${pids[$j]}"; then
      summaries+=("$name: clean")
      continue
    fi
    failed=1
    summaries+=("$name: FAILED")
    echo "==== memcheck: $name FAILED; test output tail and valgrind log:"
    tail -n 30 "$logs/$name.out"
    cat "$logs/$name.log"
  done
done

echo
echo "==== memcheck: done in $((SECONDS - start_seconds)) s"
for line in "${summaries[@]}"; do echo "$line"; done
exit "$failed"
