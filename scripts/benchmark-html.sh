#!/usr/bin/env bash
# The HTML page at scale: builds Release, generates the benchmark BOMs (W1, W3 and W4 by default),
# writes each one's page with all five sections and loads it in headless Chromium, which prints
# its size, the time until it is parsed and until the page's script is ready (from the start of
# navigation, by the browser's own performance timeline), and the first use of the filter. C1 is
# the page of a comparison: W1 against a copy edited as scripts/benchmark.sh edits it.
#   scripts/benchmark-html.sh [W1,W3,W4,C1]
set -euo pipefail
cd "$(dirname "$0")/.."
workloads=${1:-W3,W1,W4}

build=build/release-bench
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTRELK_BUILD_TESTS=OFF -DTRELK_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target trelk-cli trelk-bomgen >/dev/null
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
/usr/bin/python3 scripts/html_page_timing.py "${pages[@]}"
