#!/usr/bin/env bash
# Writes what trelk-cli makes of the examples and of generated workloads, in every format, into a
# folder, so that two builds can be compared byte for byte (diff -r): every report, CSV table,
# JSON document and HTML page, and every run's log lines, standard error and exit status. The
# runs take relative paths in one fixed work folder, so that the names in the outputs are the
# same from one run of the script to the next.
#
#   scripts/output-bytes.sh CLI BOMGEN FOLDER     writes the outputs of CLI into FOLDER (made anew)
#   scripts/output-bytes.sh --compare A B         compares two such folders; fails on a difference
set -euo pipefail

if [ "${1:-}" = --compare ]; then
  [ $# = 3 ] || { echo "usage: $0 --compare FOLDER_A FOLDER_B" >&2; exit 2; }
  files=$(cd "$2" && find . -type f | wc -l)
  if diff -r -q "$2" "$3"; then
    echo "output-bytes: $files files alike byte for byte"
  else
    echo "output-bytes: the folders differ" >&2
    exit 1
  fi
  exit 0
fi
[ $# = 3 ] || { echo "usage: $0 CLI BOMGEN FOLDER" >&2; exit 2; }
top=$(cd "$(dirname "$0")/.." && pwd)
cli=$(realpath "$1")
bomgen=$(realpath "$2")
out=$3
rm -rf "$out"
mkdir -p "$out"
out=$(realpath "$out")

# One fixed work folder: the application folder's path shows in the log lines.
work=${TMPDIR:-/tmp}/trelk-output-bytes
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in" "$work/app"
cp "$top"/examples/*.bom.1 "$work/in/"
cp "$top/examples/described/winch.bom.1" "$work/in/described-winch.bom.1"
cp "$top/examples/described/Trelk.ini" "$work/in/described.ini"
cp "$top"/examples/localised/*.bom.1 "$top/examples/table/hoist.bom.1" "$work/in/"
cp "$top/tests/data/top_asm.bom" "$work/in/top_asm.bom.1"
: >"$work/in/defaults.ini"
: >"$work/in/empty.bom.1"
"$bomgen" W1 --size 30000 -o "$work/in/w1.bom.1"
"$bomgen" W2 --size 14 -o "$work/in/w2.bom.1"
"$bomgen" W3 --size 6000 -o "$work/in/w3.bom.1"
"$bomgen" W4 --size 30000 -o "$work/in/w4.bom.1"
"$bomgen" W1 -o "$work/in/w1-full.bom.1"
# C1's edit of W1 (scripts/benchmark.sh): quantities changed and lines removed in the blocks.
edit_w1() {
  awk '/^Summary of parts/ { summary = 1 }
       !summary && /^   [0-9]+ +(Part|Sub-Assembly) / {
         if (++n % 7919 == 0) next
         if (n % 4999 == 0) sub(/^   [0-9]+/, "   9")
       }
       { print }' "$1" >"$2"
}
edit_w1 "$work/in/w1.bom.1" "$work/in/w1-edited.bom.1"
edit_w1 "$work/in/w1-full.bom.1" "$work/in/w1-full-edited.bom.1"

cases=0
# run NAME ARGS...: trelk-cli with ARGS in the work folder; its outputs go below out/NAME.
run() {
  local name=$1
  shift
  rm -rf "$work/out"
  mkdir -p "$work/out"
  local status=0
  (cd "$work" && XDG_CONFIG_HOME="$work/app" "$cli" "$@" >"$work/stdout" 2>"$work/stderr") || status=$?
  mkdir -p "$out/$name"
  mv "$work/stdout" "$work/stderr" "$out/$name/"
  echo "$status" >"$out/$name/status"
  if [ -n "$(ls -A "$work/out")" ]; then mv "$work/out" "$out/$name/files"; fi
  cases=$((cases + 1))
}

settings_of() { case "$1" in described-*) echo in/described.ini ;; *) echo in/defaults.ini ;; esac; }
ext_of() { case "$1" in report) echo txt ;; csv) echo csv ;; *) echo "$1" ;; esac; }

singles="gearbox gearbox-rev-b winch described-winch stehleuchte taideng hoist top_asm w1 w2 w3 w4"
for f in $singles; do
  s=$(settings_of "$f")
  for format in report csv json html; do
    for build in 1 3; do
      run "$f.$format.b$build" --settings "$s" -f "$format" --build "$build" -s all -o "out/r.$(ext_of "$format")" \
        "in/$f.bom.1"
    done
  done
  run "$f.report.defaults" --settings "$s" -o out/r.txt "in/$f.bom.1"
  run "$f.report.strict" --settings "$s" --strict -s parts -o out/r.txt "in/$f.bom.1"
done
for format in report json html; do
  run "gearbox.$format.stdout" --settings in/defaults.ini -f "$format" -s all -o - in/gearbox.bom.1
  run "gearbox.$format.none" --settings in/defaults.ini -f "$format" -s none -o "out/r.$(ext_of "$format")" \
    in/gearbox.bom.1
  run "gearbox.$format.some" --settings in/defaults.ini -f "$format" -s parts,assemblies-where-used \
    -o "out/r.$(ext_of "$format")" in/gearbox.bom.1
done
run gearbox.csv.some --settings in/defaults.ini -f csv -s breakdown,parts -o out/r in/gearbox.bom.1
run gearbox.report.app --settings in/defaults.ini -s all in/gearbox.bom.1
run gearbox.json.app --settings in/defaults.ini -f json -s all in/gearbox.bom.1
run gearbox.columns --settings in/defaults.ini --columns 1,2,3 -s all -o out/r.txt in/described-winch.bom.1
run hoist.separator --settings in/defaults.ini --separator '|' -s all -o out/r.txt in/hoist.bom.1
run missing.report --settings in/defaults.ini -o out/r.txt in/missing.bom.1
run empty.report --settings in/defaults.ini -o out/r.txt in/empty.bom.1
run empty.json --settings in/defaults.ini -f json -o out/r.json in/empty.bom.1

pairs="gearbox:gearbox-rev-b gearbox-rev-b:gearbox gearbox:gearbox winch:gearbox stehleuchte:hoist w1:w1-edited
       w1-edited:w1 w4:w1 described-winch:winch"
for pair in $pairs; do
  old=${pair%%:*}
  new=${pair##*:}
  s=$(settings_of "$new")
  for format in report csv json html; do
    for build in 1 3; do
      run "$old-$new.compare.$format.b$build" --settings "$s" --compare "in/$old.bom.1" -f "$format" --build "$build" \
        -s all -o "out/c.$(ext_of "$format")" "in/$new.bom.1"
    done
    run "$old-$new.compare.$format.some" --settings "$s" --compare "in/$old.bom.1" -f "$format" \
      -s parts,assemblies-where-used -o "out/c.$(ext_of "$format")" "in/$new.bom.1"
  done
  run "$old-$new.compare.defaults" --settings "$s" --compare "in/$old.bom.1" -o out/c.txt "in/$new.bom.1"
done
for format in report csv json html; do
  run "w1-full.compare.$format" --settings in/defaults.ini --compare in/w1-full.bom.1 -f "$format" -s all \
    -o "out/c.$(ext_of "$format")" in/w1-full-edited.bom.1
  run "w1-full.$format" --settings in/defaults.ini -f "$format" -s all -o "out/r.$(ext_of "$format")" in/w1-full.bom.1
done
run gearbox.compare.stdout --settings in/defaults.ini --compare in/gearbox.bom.1 -f json -o - in/gearbox-rev-b.bom.1
run gearbox.compare.app --settings in/defaults.ini --compare in/gearbox.bom.1 -f csv in/gearbox-rev-b.bom.1
run missing.compare --settings in/defaults.ini --compare in/missing.bom.1 -o out/c.txt in/gearbox.bom.1
run empty.compare --settings in/defaults.ini --compare in/gearbox.bom.1 -o out/c.txt in/empty.bom.1
run noassembly.compare --settings in/defaults.ini --compare in/gearbox.bom.1 -o out/c.txt in/defaults.ini
# Usage errors: one line on standard error each.
usage=0
for args in "-f xml" "-s parts,bogus" "--columns 1,2" "--columns 0,2,3" "--separator ab" "--header Assembly" \
            "--build 0" "--build +3" "-f csv -o -" "--strict --compare in/gearbox.bom.1" "--settings in/missing.ini"; do
  usage=$((usage + 1))
  # shellcheck disable=SC2086
  run "usage-$usage" $args in/gearbox.bom.1
done
run usage-none
run help --help
run version --version
# The application folder as the runs above filled it.
cp -r "$work/app" "$out/application-folder"
echo "output-bytes: $cases runs written to $out"
