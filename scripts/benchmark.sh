#!/usr/bin/env bash
# The whole-program benchmark: builds Release, generates the four benchmark BOMs (W1 wide, W2 deep
# and shared, W3 one block, W4 realistic) into a temporary folder and prints one table, every
# figure measured in this run on the same files:
#   trelk-cli with all five sections, the literal reading of the algorithm (capped), wc -l, their
#   ratios, and trelk-cli's peak memory.
# Where the literal run finishes, its report and log must equal trelk-cli's byte for byte.
# The workload C1 is a comparison: W1 against an edited copy of it (quantities changed at every
# level, lines removed), trelk-cli --compare beside the two single runs it stands for; it gets a
# table of its own.
# R1 is W1 with its words put into German (W1-de) and W1 rewritten as a company table (W1-table:
# `|` cells, a position column, no type column), whose words and layout must be recognised, timed
# side by side in one table with W1 in English words and with each file read with its words and
# layout given in the settings (-given), with the ratios to both.
# With -b, another build of trelk-cli (an earlier commit's, say) is timed on the same files, run
# for run interleaved with this one, and each table gets its column and the ratio of the two.
#
#   scripts/benchmark.sh [-r RUNS] [-c CAP_SECONDS] [-w W1,W2,W3,W4,C1,R1] [-b OTHER_TRELK_CLI]
set -euo pipefail
cd "$(dirname "$0")/.."

runs=5
cap=60
workloads=W1,W2,W3,W4,C1,R1
other=
while getopts "r:c:w:b:h" opt; do
  case "$opt" in
    r) runs=$OPTARG ;;
    c) cap=$OPTARG ;;
    w) workloads=$OPTARG ;;
    b) other=$(realpath "$OPTARG") ;;
    *) sed -n '2,18p' "$0" | sed 's/^# \{0,1\}//'; exit 2 ;;
  esac
done

for tool in cmake ninja awk timeout /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "benchmark: $tool is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }
done

build=build/release-bench
echo "Building Release in $build ..." >&2
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTRELK_BUILD_TESTS=OFF -DTRELK_BUILD_BENCH=ON >/dev/null
cmake --build "$build" -j2 --target trelk-cli trelk-bomgen trelk-literal >/dev/null
cli=$build/cli/trelk-cli
bomgen=$build/bench/trelk-bomgen
literal=$build/bench/trelk-literal

work=$(mktemp -d "${TMPDIR:-/tmp}/trelk-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT
: >"$work/defaults.ini"  # default keywords, whatever the user's own settings say

# Wall-clock seconds of one run of the command, from bash's own clock (no process of its own).
elapsed() {
  local start=$EPOCHREALTIME
  "$@"
  awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.6f\n", b - a }'
}
# The median of the numbers on standard input.
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
ms() { awk -v s="$1" 'BEGIN { v = s * 1000; printf(v < 10 ? "%.2f ms" : v < 100 ? "%.1f ms" : "%.0f ms", v) }'; }

run_trelk() { "$cli" --settings "$work/defaults.ini" -s all -o "$work/$1.trelk.txt" "$work/$1.bom" >"$work/$1.trelk.log"; }
run_other() { "$other" --settings "$work/defaults.ini" -s all -o "$work/$1.other.txt" "$work/$1.bom" >"$work/$1.other.log"; }
run_wc() { wc -l "$work/$1.bom" >/dev/null; }

# W1 edited as an engineering change edits it: in the blocks (not in the export's own summary),
# every 4999th item line gets the quantity 9 and every 7919th goes.
edit_w1() {
  awk '/^Summary of parts/ { summary = 1 }
       !summary && /^   [0-9]+ +(Part|Sub-Assembly) / {
         if (++n % 7919 == 0) next
         if (n % 4999 == 0) sub(/^   [0-9]+/, "   9")
       }
       { print }' "$1" >"$2"
}
run_compare() {
  "$cli" --settings "$work/defaults.ini" --compare "$work/$1.old.bom" -o "$work/$1.compare.txt" "$work/$1.bom" \
    >"$work/$1.compare.log" || [ $? = 1 ]
}
run_other_compare() {
  "$other" --settings "$work/defaults.ini" --compare "$work/$1.old.bom" -o "$work/$1.other.txt" "$work/$1.bom" \
    >"$work/$1.other.log" || [ $? = 1 ]
}
# The median times of this trelk-cli and of the other one, "this other", each run of one followed
# by a run of the other, so that both meet the machine in the same state.
paired() {
  local mine=$1 theirs=$2 w=$3
  rm -f "$work/mine.times" "$work/theirs.times"
  for _ in $(seq "$runs"); do
    elapsed "$mine" "$w" >>"$work/mine.times"
    elapsed "$theirs" "$w" >>"$work/theirs.times"
  done
  echo "$(median <"$work/mine.times") $(median <"$work/theirs.times")"
}
slower_by() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%+.1f %%", (a / b - 1) * 100 }'; }
run_single() { "$cli" --settings "$work/defaults.ini" -s all -o "$work/$1.trelk.txt" "$work/$1.bom" >/dev/null; }
run_two() { run_single "$1" && "$cli" --settings "$work/defaults.ini" -s all -o "$work/$1.trelk.txt" "$work/$1.old.bom" >/dev/null; }

# W1 in the German interface's words (UTF-8).
german_w1() {
  sed -e 's/^Bill of Materials for assembly /St\xC3\xBCckliste der Baugruppe /' \
      -e 's/^Assembly \(.*\) contains:/Baugruppe \1 enth\xC3\xA4lt:/' \
      -e 's/^Sub-Assembly \(.*\) contains:/Unterbaugruppe \1 enth\xC3\xA4lt:/' \
      -e 's/^Quantity      Type              Name/Menge         Typ               Name/' \
      -e 's/^\(   [0-9]* *\)Sub-Assembly      /\1Unterbaugruppe    /' \
      -e 's/^\(   [0-9]* *\)Part              /\1Teil              /' \
      -e 's/^Summary of parts for assembly /Zusammenfassung der Teile der Baugruppe /' "$1" >"$2"
}
# W1 as a company's table: a title, "Assembly *** NAME ***" headers, a row of column titles, cells
# separated by "|" with a position column before the quantity and no type column, and the summary
# under its own title.
table_w1() {
  awk 'BEGIN { ORS = "\r\n" }
       { sub(/\r$/, "") }
       /^Bill of Materials for assembly / { print " Parts list"; print " =========="; next }
       /contains:$/ { print " Assembly *** " $(NF - 1) " ***"; print ""; next }
       /^Summary of parts for assembly / { name = $NF; sub(/:$/, "", name); print "All single parts of assembly " name; next }
       /^Quantity / { print "Pos|Qty|Name"; pos = 0; next }
       /^   [0-9]/ { printf "%3d|%3d|%s\r\n", ++pos, $1, $3; next }
       { print }' "$1" >"$2"
}

rows=()
compare_rows=()
recognition_rows=()
for w in ${workloads//,/ }; do
  if [ "$w" = C1 ]; then
    echo "Generating $w: W1 and an edited copy ..." >&2
    "$bomgen" W1 -o "$work/$w.old.bom"
    edit_w1 "$work/$w.old.bom" "$work/$w.bom"
    run_compare "$w"  # once to warm the page cache, and for its figures below
    changes=$(awk -F': ' '/^BOM files differ/ { print $2 }' "$work/$w.compare.log")
    echo "Timing $w: trelk-cli --compare and the two single runs, $runs runs each ..." >&2
    other_cells=
    if [ -n "$other" ]; then
      run_other_compare "$w"
      read -r compare_s other_s < <(paired run_compare run_other_compare "$w")
      other_cells="|$(ms "$other_s")|$(slower_by "$compare_s" "$other_s")"
      cmp -s "$work/$w.compare.txt" "$work/$w.other.txt" || echo "benchmark: $w: the other comparison differs" >&2
    else
      compare_s=$(for _ in $(seq "$runs"); do elapsed run_compare "$w"; done | median)
    fi
    two_s=$(for _ in $(seq "$runs"); do elapsed run_two "$w"; done | median)
    peak_kb=$({ /usr/bin/time -f %M "$cli" --settings "$work/defaults.ini" --compare "$work/$w.old.bom" \
                  -o "$work/$w.compare.txt" "$work/$w.bom" 2>&1 >/dev/null || true; } | tail -1)
    mb=$(awk -v a="$(stat -c %s "$work/$w.old.bom")" -v b="$(stat -c %s "$work/$w.bom")" 'BEGIN { printf "%.1f + %.1f", a / 1e6, b / 1e6 }')
    ratio=$(awk -v c="$compare_s" -v t="$two_s" 'BEGIN { printf "%.2fx", c / t }')
    compare_rows+=("$w|$mb|$changes|$(ms "$compare_s")$other_cells|$(ms "$two_s")|$ratio|$(awk -v k="$peak_kb" 'BEGIN { printf "%.0f MB", k * 1024 / 1e6 }')")
    rm -f "$work/$w".*
    continue
  fi
  if [ "$w" = R1 ]; then
    echo "Generating $w: W1 in English words, in German words and as a table ..." >&2
    "$bomgen" W1 -o "$work/$w.en.bom"
    german_w1 "$work/$w.en.bom" "$work/$w.de.bom"
    table_w1 "$work/$w.en.bom" "$work/$w.table.bom"
    ln -s "$w.de.bom" "$work/$w.de-given.bom"
    ln -s "$w.table.bom" "$work/$w.table-given.bom"
    # The same files with their words and layout given, as a user who knows them sets them.
    printf '[Keywords]\r\ncontains=enth\xC3\xA4lt:\r\nSubAssembly=Unterbaugruppe\r\nPart=Teil\r\nSummaryOfParts=Zusammenfassung der Teile der Baugruppe\r\n' \
      >"$work/$w.de-given.ini"
    printf '[Keywords]\r\nSummaryOfParts=All single parts of assembly\r\n[Columns]\r\nQuantity= 2\r\nType= 0\r\nName= 3\r\nSeparator=|\r\nHeader=Assembly *** %%$name ***\r\n' \
      >"$work/$w.table-given.ini"
    variants="en de de-given table table-given"
    settings_of() { [ -f "$work/$w.$1.ini" ] && echo "$work/$w.$1.ini" || echo "$work/defaults.ini"; }
    run_r1_trelk() { "$cli" --settings "$(settings_of "$1")" -s all -o "$work/$w.$1.trelk.txt" "$work/$w.$1.bom" >"$work/$w.$1.trelk.log"; }
    run_r1_other() { "$other" --settings "$(settings_of "$1")" -s all -o "$work/$w.$1.other.txt" "$work/$w.$1.bom" >"$work/$w.$1.other.log"; }
    builds=trelk
    [ -n "$other" ] && builds="trelk other"
    for v in $variants; do for b in $builds; do "run_r1_$b" "$v"; done; done  # to warm the page cache
    echo "Timing $w: each file in turn${other:+, with each build}, $runs rounds ..." >&2
    rm -f "$work/$w".*.times
    for _ in $(seq "$runs"); do
      for v in $variants; do
        for b in $builds; do elapsed "run_r1_$b" "$v" >>"$work/$w.$v.$b.times"; done
      done
    done
    declare -A r1_s r1_kb
    for v in $variants; do
      for b in $builds; do
        r1_s[$v.$b]=$(median <"$work/$w.$v.$b.times")
        binary=$cli
        [ "$b" = other ] && binary=$other
        r1_kb[$v.$b]=$(/usr/bin/time -f %M "$binary" --settings "$(settings_of "$v")" -s all -o "$work/$w.$v.$b.txt" \
                        "$work/$w.$v.bom" 2>&1 >/dev/null | tail -1)
      done
    done
    # The recognised readings give W1's report, but for the copy of the file in its own words.
    for v in de de-given table table-given; do
      cmp -s <(sed -n '/^Summary of parts/,$p' "$work/$w.en.trelk.txt") <(sed -n '/^Summary of parts/,$p' "$work/$w.$v.trelk.txt") ||
        echo "benchmark: $w: the parts summary of W1-$v differs from W1's" >&2
    done
    for v in $variants; do
      how=$(grep -a -m1 '^Recognised from' "$work/$w.$v.trelk.log" || echo "words given")
      given=$v
      case "$v" in de | table) given=$v-given ;; esac
      cells="W1-$v|$(stat -L -c %s "$work/$w.$v.bom" | awk '{ printf "%.1f", $1 / 1e6 }')"
      for b in $builds; do
        cells+="|$(ms "${r1_s[$v.$b]}")|$(awk -v a="${r1_s[$v.$b]}" -v b="${r1_s[en.$b]}" 'BEGIN { printf "%.2fx", a / b }')"
        cells+="|$(awk -v a="${r1_s[$v.$b]}" -v b="${r1_s[$given.$b]}" 'BEGIN { printf "%.2fx", a / b }')"
        cells+="|$(awk -v k="${r1_kb[$v.$b]}" 'BEGIN { printf "%.0f MB", k * 1024 / 1e6 }')"
        cells+="|$(awk -v a="${r1_kb[$v.$b]}" -v b="${r1_kb[en.$b]}" 'BEGIN { printf "%.2fx", a / b }')"
        cells+="|$(awk -v a="${r1_kb[$v.$b]}" -v b="${r1_kb[$given.$b]}" 'BEGIN { printf "%.2fx", a / b }')"
      done
      recognition_rows+=("$cells|$how")
    done
    rm -f "$work/$w".*
    continue
  fi
  echo "Generating $w ..." >&2
  "$bomgen" "$w" -o "$work/$w.bom"
  bytes=$(stat -c %s "$work/$w.bom")

  run_trelk "$w"  # once to warm the page cache, and for its line count and memory below
  lines=$(awk -F: '/^Nr of lines read/ { print $2 + 0 }' "$work/$w.trelk.log")
  echo "Timing $w: trelk-cli and wc -l, $runs runs each ..." >&2
  other_cells=
  if [ -n "$other" ]; then
    run_other "$w"
    read -r trelk_s other_s < <(paired run_trelk run_other "$w")
    other_cells="|$(ms "$other_s")|$(slower_by "$trelk_s" "$other_s")"
    cmp -s "$work/$w.trelk.txt" "$work/$w.other.txt" || echo "benchmark: $w: the other report differs" >&2
  else
    trelk_s=$(for _ in $(seq "$runs"); do elapsed run_trelk "$w"; done | median)
  fi
  wc_s=$(for _ in $(seq "$runs"); do elapsed run_wc "$w"; done | median)
  peak_kb=$(/usr/bin/time -f %M "$cli" --settings "$work/defaults.ini" -s all -o "$work/$w.trelk.txt" "$work/$w.bom" 2>&1 >/dev/null | tail -1)

  echo "Timing $w: the literal reading, at most $cap s ..." >&2
  start=$EPOCHREALTIME
  status=0
  timeout "$cap" "$literal" -o "$work/$w.literal.txt" "$work/$w.bom" >"$work/$w.literal.log" || status=$?
  literal_s=$(awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.6f\n", b - a }')
  if [ "$status" = 0 ]; then
    literal_text=$(ms "$literal_s")
    ratio_literal=$(awk -v l="$literal_s" -v t="$trelk_s" 'BEGIN { printf "%.0fx", l / t }')
    # The same report and log lines, or the figures mean nothing.
    sed "s|$work/$w.literal.txt|REPORT|" "$work/$w.literal.log" >"$work/literal.log"
    sed "s|$work/$w.trelk.txt|REPORT|" "$work/$w.trelk.log" >"$work/trelk.log"
    if ! cmp -s "$work/$w.literal.txt" "$work/$w.trelk.txt" || ! cmp -s "$work/literal.log" "$work/trelk.log"; then
      echo "benchmark: $w: trelk-cli and the literal reading disagree" >&2
      exit 1
    fi
  elif [ "$status" = 124 ]; then
    literal_text="> $cap s"
    ratio_literal=$(awk -v l="$cap" -v t="$trelk_s" 'BEGIN { printf "> %.0fx", l / t }')
  else
    echo "benchmark: $w: the literal run failed ($status)" >&2
    exit 1
  fi
  ratio_wc=$(awk -v t="$trelk_s" -v c="$wc_s" 'BEGIN { printf "%.1fx", t / c }')
  mb=$(awk -v b="$bytes" 'BEGIN { printf "%.1f", b / 1e6 }')
  peak=$(awk -v k="$peak_kb" -v b="$bytes" 'BEGIN { printf "%.0f MB (%.2fx file)", k * 1024 / 1e6, k * 1024 / b }')
  rows+=("$w|$lines|$mb|$(ms "$trelk_s")$other_cells|$literal_text|$(ms "$wc_s")|$ratio_wc|$ratio_literal|$peak")
  rm -f "$work/$w".*
done

echo
echo "Trelk benchmark, $(date -u +%Y-%m-%d), $(nproc) cores, $(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo);" \
     "median of $runs runs (trelk-cli, wc -l), literal run once"
table() { awk -F'|' '
  { for (i = 1; i <= NF; ++i) { cell[NR, i] = $i; if (length($i) > width[i]) width[i] = length($i) } cols = NF; n = NR }
  END {
    for (r = 1; r <= n; ++r) {
      line = "|"
      for (i = 1; i <= cols; ++i) line = line sprintf(i <= 1 ? " %-*s |" : " %*s |", width[i], cell[r, i])
      print line
      if (r == 1) { line = "|"; for (i = 1; i <= cols; ++i) { d = ""; for (k = 0; k < width[i] + 2; ++k) d = d "-"; line = line d "|" } print line }
    }
  }'; }
if [ "${#rows[@]}" -gt 0 ]; then
  {
    echo "workload|lines|MB|trelk-cli -s all${other:+|other -s all|trelk/other}|literal|wc -l|trelk/wc|literal/trelk|trelk peak memory"
    printf '%s\n' "${rows[@]}"
  } | table
fi
if [ "${#recognition_rows[@]}" -gt 0 ]; then
  echo
  {
    echo "workload|MB|trelk-cli -s all|/ W1-en|/ given|peak memory|/ W1-en|/ given${other:+|other -s all|/ W1-en|/ given|other peak memory|/ W1-en|/ given}|how read"
    printf '%s\n' "${recognition_rows[@]}"
  } | table
fi
if [ "${#compare_rows[@]}" -gt 0 ]; then
  echo
  {
    echo "workload|MB old + new|changes|trelk-cli --compare${other:+|other --compare|trelk/other}|two runs -s all|compare/two runs|compare peak memory"
    printf '%s\n' "${compare_rows[@]}"
  } | table
fi
