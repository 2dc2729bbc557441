#!/usr/bin/env bash
# The native tests built with AddressSanitizer and UndefinedBehaviorSanitizer (clang, in
# build/sanitize), then every libFuzzer target of fuzz/ for a bounded time. Any finding fails.
#   scripts/test-sanitized.sh                    the tests, then each fuzzer for 60 s
#   FUZZ_SECONDS=600 scripts/test-sanitized.sh   longer fuzzing
#   scripts/test-sanitized.sh --fuzz-only        skip the tests
#   FUZZ_WORKERS=1 scripts/test-sanitized.sh     one process a fuzzer (default: one a core, four at most)
#   FUZZERS=fuzz_run scripts/test-sanitized.sh   only the fuzzers named
# A fuzzer's finding is kept in build/sanitize/findings/ and printed in hex. Each fuzzer's line
# gives its executions, executions a second and executions a second of the CPU time it got.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/fuzz-options.sh

run_tests=1
for arg in "$@"; do
  case "$arg" in
    --fuzz-only) run_tests=0 ;;
    *) echo "usage: $0 [--fuzz-only]" >&2; exit 2 ;;
  esac
done
seconds=${FUZZ_SECONDS:-60}
# FUZZ_WORKERS=N runs each fuzzer as N processes growing one corpus (libFuzzer reloads it and
# takes in what the others found): the fuzzers run one after another, so the other cores would be
# idle. On two cores two processes made 1.4 to 2.5 times the executions of one. By default one
# for each core, four at most, as each may take 2.5 GB (-rss_limit_mb below).
workers=${FUZZ_WORKERS:-$(cores=$(nproc 2>/dev/null || echo 1); echo $((cores < 4 ? cores : 4)))}
processes="$workers processes"
[ "$workers" = 1 ] && processes="1 process"

cmake -S . -B build/sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
  -DCMAKE_CXX_COMPILER=clang++ -DTRELK_SANITIZE=ON -DTRELK_FUZZ=ON -DTRELK_BUILD_BENCH=OFF -DTRELK_WERROR=ON >/dev/null
cmake --build build/sanitize -j2

# Stop at the first report, leaks included; -fno-sanitize-recover makes UBSan stop too.
export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:${ASAN_OPTIONS:-}
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1:${UBSAN_OPTIONS:-}

if [ "$run_tests" = 1 ]; then
  ctest --test-dir build/sanitize --output-on-failure -j2 --timeout 600
fi

findings=build/sanitize/findings
mkdir -p "$findings"
work=$(fuzz_scratch)
trap 'rm -rf "$work"' EXIT
total=0
failed=0
export ASAN_OPTIONS=$ASAN_OPTIONS:$fuzz_sanitizer_options
for fuzzer in ${FUZZERS:-fuzz_run fuzz_comparison fuzz_recognition fuzz_profile fuzz_font_anchor_texts fuzz_numbers fuzz_format}; do
  # Every seed once, whole: the input cap below would cut the longer ones.
  seeds=(fuzz/corpus/$fuzzer/*)
  if ! build/sanitize/fuzz/$fuzzer "${seeds[@]}" >"$work/$fuzzer.seeds.log" 2>&1; then
    failed=1
    echo "   $fuzzer: a seed fails:"
    grep -v '^INFO' "$work/$fuzzer.seeds.log" | tail -n 60
    continue
  fi
  # Inputs are kept small where a run's cost grows with them: a finding needs a few lines, and
  # many small runs find more than a few large ones.
  fuzz_options "$fuzzer"
  # New inputs go to a scratch corpus; the seeds in the tree are only read.
  mkdir -p "$work/$fuzzer"
  status=0
  # The CPU time it got too: on a shared machine the executions a CPU second say more than those
  # of the wall clock.
  TIMEFORMAT='%U %S'
  {
    time {
      pids=()
      for worker in $(seq "$workers"); do
        build/sanitize/fuzz/$fuzzer "$work/$fuzzer" "fuzz/corpus/$fuzzer" \
          -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2560 -max_len="$max_len" -entropic="$entropic" \
          -print_final_stats=1 -artifact_prefix="$findings/$fuzzer-" >"$work/$fuzzer.$worker.log" 2>&1 &
        pids+=($!)
      done
      for worker in $(seq "$workers"); do
        wait "${pids[worker - 1]}" || { status=$?; log="$work/$fuzzer.$worker.log"; }
      done
    }
  } 2>"$work/$fuzzer.cpu"
  runs=$(cat "$work/$fuzzer".*.log | sed -n 's/^stat::number_of_executed_units: *//p' | awk '{ n += $1 } END { print n + 0 }')
  rate=$(cat "$work/$fuzzer".*.log | sed -n 's/^stat::average_exec_per_sec: *//p' | awk '{ n += $1 } END { print n + 0 }')
  cpu_rate=$(awk -v runs="$runs" '{ t = $1 + $2 } END { print (t > 0 ? int(runs / t) : 0) }' "$work/$fuzzer.cpu")
  total=$((total + runs))
  if [ "$status" -ne 0 ]; then
    failed=1
    echo "   $fuzzer: FINDING after $runs executions (exit $status):"
    # A check of ours prints what it expected and what it got; a sanitizer prints its report.
    if grep -q '^\*\*\* FINDING' "$log"; then
      sed -n '/^\*\*\* FINDING/,/^==[0-9]*== ERROR/p' "$log" | head -n 80
    else
      grep -v '^#[0-9]' "$log" | tail -n 60
    fi
    for artifact in "$findings/$fuzzer"-*; do
      [ -f "$artifact" ] || continue
      echo "   input $artifact:"
      # The first 384 bytes: od reads no more, so no pipe breaks and the base64 below is printed.
      od -A x -t x1z -N 384 "$artifact"
      # Whole, so that the input can be made again from the log: base64 -d > input
      [ "$(stat -c %s "$artifact")" -le 8192 ] && { echo "   base64:"; base64 -w 120 "$artifact"; }
    done
  else
    echo "   $fuzzer: $runs executions in $seconds s by $processes ($rate a second, $cpu_rate a CPU second), no finding"
  fi
done
echo "   fuzzers: $total executions in all"
exit "$failed"
