#!/usr/bin/env bash
# A long fuzzing campaign in the background: the fuzzers of build/sanitize (built by
# scripts/test-sanitized.sh) one at a time, each for a slot of SLOT seconds in turn, at low
# priority, until together they made TARGET executions and every fuzzer had its slot. Each keeps
# the inputs it finds in build/campaign/corpus/<fuzzer> (the seeds in the tree are only read); a
# finding goes to build/campaign/findings/ and the rotation goes on. One line a slot in
# build/campaign/log: fuzzer, seconds, executions, executions a second, total, outcome.
#   nohup scripts/fuzz-campaign.sh &          SLOT=300 TARGET=10000000 by default
set -uo pipefail
cd "$(dirname "$0")/.."
. scripts/fuzz-options.sh
export ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}$fuzz_sanitizer_options

slot=${SLOT:-300}
target=${TARGET:-10000000}
fuzzers=(fuzz_run fuzz_comparison fuzz_recognition fuzz_profile fuzz_numbers fuzz_font_anchor_texts fuzz_format)
root=build/campaign
mkdir -p "$root/findings"
log="$root/log"
total=$(awk '{ t = $5 } END { print t + 0 }' "$log" 2>/dev/null || echo 0)
round=0
while [ "$total" -lt "$target" ] || [ "$round" -lt 1 ]; do
  for fuzzer in "${fuzzers[@]}"; do
    fuzz_options "$fuzzer"
    mkdir -p "$root/corpus/$fuzzer"
    out="$root/$fuzzer.out"
    status=0
    nice -n 10 build/sanitize/fuzz/$fuzzer "$root/corpus/$fuzzer" "fuzz/corpus/$fuzzer" -max_total_time="$slot" \
      -timeout=20 -rss_limit_mb=2560 -max_len="$max_len" -entropic="$entropic" -print_final_stats=1 \
      -artifact_prefix="$root/findings/$fuzzer-" >"$out" 2>&1 || status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$out" | tail -n1)
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$out" | tail -n1)
    runs=${runs:-0}
    total=$((total + runs))
    outcome=clean
    if [ "$status" -ne 0 ]; then
      outcome=FINDING
      cp "$out" "$root/findings/$fuzzer-$(date -u +%H%M%S).log"
    fi
    echo "$fuzzer $slot $runs ${rate:-0} $total $outcome" >>"$log"
  done
  round=$((round + 1))
done
