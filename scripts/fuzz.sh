#!/bin/bash
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]
# Builds the libFuzzer targets of fuzz/ with clang 14 (AddressSanitizer and
# UBSan) in build/fuzz and runs each for SECONDS (default 60), two at a time.
# Every run starts from the committed seeds in fuzz/corpus/<target> and
# grows a working corpus in build/fuzz/corpus/<target>; the committed seeds
# are never changed. Without TARGET names, every target runs.
#
# A crash, a sanitizer report or a disagreement with a model fails the run:
# the script prints the target's log and the reproducer in hex and base64,
# and leaves the reproducer in build/fuzz/artifacts. Replay one with
#   build/fuzz/fuzz_<target> <file>
# The last lines summarise each target: executions, executions per second and
# libFuzzer's coverage figures (cov: edges, ft: features).
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
build="$root/build/fuzz"
parallel=${FUZZ_PARALLEL:-2}

echo "==== fuzz: configure and build"
mkdir -p "$build"
if ! cmake -S "$root/fuzz" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
    >"$build/configure.log" 2>&1; then
  cat "$build/configure.log"
  exit 1
fi
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for dir in "$root"/fuzz/corpus/*/; do targets+=("$(basename "$dir")"); done
fi
if ! cmake --build "$build" --parallel 2 --target "${targets[@]/#/fuzz_}"; then
  echo "==== fuzz: build failed"
  exit 1
fi

mkdir -p "$build/artifacts"
# run_target NAME: one bounded libFuzzer run; its log goes to build/fuzz/NAME.log.
run_target() {
  local name=$1
  local work="$build/corpus/$name"
  mkdir -p "$work"
  (cd "$build" && "./fuzz_$name" -max_total_time="$seconds" -timeout=30 \
      -rss_limit_mb=2560 -max_len=4096 -print_final_stats=1 \
      -artifact_prefix="$build/artifacts/$name-" \
      "$work" "$root/fuzz/corpus/$name") >"$build/$name.log" 2>&1
}

start_seconds=$SECONDS
failed=0
summaries=()
for ((i = 0; i < ${#targets[@]}; i += parallel)); do
  batch=("${targets[@]:i:parallel}")
  pids=()
  for name in "${batch[@]}"; do
    echo "==== fuzz: $name for $seconds s"
    run_target "$name" &
    pids+=($!)
  done
  for j in "${!batch[@]}"; do
    name=${batch[$j]}
    if wait "${pids[$j]}"; then
      summaries+=("$name: $(grep -E '^#[0-9]+[[:space:]]+DONE' "$build/$name.log" | tail -1)")
      continue
    fi
    failed=1
    summaries+=("$name: FAILED (log and reproducer above)")
    echo "==== fuzz: $name FAILED; its log:"
    tail -n 80 "$build/$name.log"
    for crash in $(grep -oE "Test unit written to [^ ]+" "$build/$name.log" | awk '{print $5}'); do
      echo "==== fuzz: reproducer $crash (hex, then base64)"
      od -A x -t x1z -v "$crash" | head -n 64
      base64 -w 76 "$crash"
    done
  done
done

echo
echo "==== fuzz: done in $((SECONDS - start_seconds)) s"
for line in "${summaries[@]}"; do echo "$line"; done
exit "$failed"
