#!/usr/bin/env bash
# The HTML page at scale: builds Release, generates the benchmark BOMs (W1, W3 and W4 by default),
# writes each one's page with all five sections and uses it in headless Chromium as a person would
# (scripts/html_page_timing.py says what it times): ready, memory, three filter texts typed key by
# key (on W1 and C1: one that matches about a thousand items, one that matches a single part, one
# that matches nothing; per key the time to the first answer, the rows in view narrowed and
# "Searching…" shown, and to the whole answer, the count of every row; clearing a filter likewise,
# "Showing every row…" first), sorting (first answer: the table's top rows in order; whole: every
# piece written and counted), unfolding, a link, printing. C1 is the page of a comparison: W1
# against a copy edited as scripts/benchmark.sh edits it.
#   scripts/benchmark-html.sh [W1,W3,W4,C1]
# TRELK_BENCH_BUILD=build/native uses the programs of an existing build instead of building Release
# (the pages are the same bytes whatever the build type).
set -euo pipefail
cd "$(dirname "$0")/.."
workloads=${1:-W3,W1,W4}

build=${TRELK_BENCH_BUILD:-}
if [ -z "$build" ]; then
  build=build/release-bench
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTRELK_BUILD_TESTS=OFF -DTRELK_BUILD_BENCH=ON >/dev/null
  cmake --build "$build" -j2 --target trelk-cli trelk-bomgen >/dev/null
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/trelk-html-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
: >"$work/defaults.ini"

pages=()
for w in ${workloads//,/ }; do
  if [ "$w" = C1 ]; then
    "$build/bench/trelk-bomgen" wide -o "$work/C1.old.bom"
    awk '/^Summary of parts/ { summary = 1 }
         !summary && /^   [0-9]+ +(Part|Sub-Assembly) / {
           if (++n % 7919 == 0) next
           if (n % 4999 == 0) sub(/^   [0-9]+/, "   9")
         }
         { print }' "$work/C1.old.bom" >"$work/C1.bom"
    "$build/cli/trelk-cli" -q --settings "$work/defaults.ini" --compare "$work/C1.old.bom" -s all -f html \
      -o "$work/C1.html" "$work/C1.bom" || [ $? = 1 ]
    pages+=("$work/C1.html")
    continue
  fi
  case "$w" in W1) shape=wide ;; W2) shape=deep ;; W3) shape=one-block ;; W4) shape=realistic ;;
    *) echo "benchmark-html: unknown workload $w" >&2; exit 2 ;; esac
  "$build/bench/trelk-bomgen" "$shape" -o "$work/$w.bom"
  "$build/cli/trelk-cli" -q --settings "$work/defaults.ini" -s all -f html -o "$work/$w.html" "$work/$w.bom"
  pages+=("$work/$w.html")
done
# The names come from bench/bom_shapes.cpp: "GEAR_84" begins the names of 42 parts and
# assemblies, about 1,100 rows and entries in all; SHAFT_6530432_REV_C is one part used twice.
/usr/bin/python3 scripts/html_page_timing.py --filters "GEAR_84,SHAFT_6530432_REV_C,zzzz-none" "${pages[@]}"
