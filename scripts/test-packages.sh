#!/usr/bin/env bash
# Tries the packages that scripts/package.sh made, as their users meet them:
#   scripts/test-packages.sh [FOLDER]   the packages in FOLDER: build/packages by default (where
#                                       scripts/test-windows.sh has them made), or dist
# It checks
#   the Debian package: installed with dpkg -i, trelk-cli run from /usr/bin on the example, its
#     man page found, lintian without errors, removed again with dpkg -r;
#   the 32-bit zip (the 64-bit one, with the 64-bit tree's probe, on a machine that runs no 32-bit
#     programs: scripts/wine-session.sh tells which): unpacked into a fresh folder whose path
#     holds blanks and, under a fresh Wine prefix and from another current directory, Trelk.exe
#     shows its window, its About box and version resources agree with trelk-cli.exe --version,
#     "Help" opens the packaged Trelk.chm, both programs carry their manifest, and trelk-cli.exe
#     writes the same report bytes as the Linux program.
# Needs the probe program of that tree (build-win32/ or build-win64/) and a display
# (scripts/test-windows.sh provides one; without DISPLAY an Xvfb of its own is started).
# Exits non-zero on any failure.
set -euo pipefail
[ $# -le 1 ] || { echo "usage: $0 [FOLDER]" >&2; exit 2; }
packages=$(realpath -m "${1:-$(dirname "$0")/../build/packages}")
cd "$(dirname "$0")/.."
. scripts/wine-session.sh
root=$PWD

version=$(sed -n 's/^project(Trelk VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
deb=$packages/trelk-cli_${version}_amd64.deb
bits=win32
[ "$TRELK_WIN32_RUNS" = 1 ] || bits=win64
zip=$packages/Trelk-${version}-$bits.zip
probe=$root/build-$bits/tests/package/trelk_package_probe.exe
for file in "$deb" "$zip" "$probe"; do
  [ -f "$file" ] || { echo "missing: $file (run scripts/package.sh ${packages#"$root"/} and the build-$bits build first)"; exit 1; }
done

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)

work=$(mktemp -d "${TMPDIR:-/tmp}/trelk-packages.XXXXXX")
installed=0
cleanup() {
  local status=$?
  stop_wine_session "$work"
  if [ "$installed" = 1 ]; then "${sudo_cmd[@]}" dpkg -r trelk-cli >/dev/null || status=1; fi
  rm -rf "$work"
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

failures=0
expect() {  # expect <what> <wanted> <got>
  if [ "$2" = "$3" ]; then
    echo "   ok: $1"
  else
    echo "   FAILED: $1"
    echo "     wanted: $2"
    echo "     got:    $3"
    failures=$((failures + 1))
  fi
}

echo "== The Debian package"
"${sudo_cmd[@]}" dpkg -i "$deb" >/dev/null
installed=1
expect "trelk-cli --version from /usr/bin" "trelk-cli $version" "$(/usr/bin/trelk-cli --version)"
# Its settings and report go below a throw-away configuration folder.
XDG_CONFIG_HOME=$work/config timeout 60 /usr/bin/trelk-cli -q --sections all -o "$work/linux.txt" "$root/examples/gearbox.bom.1" \
  && status=0 || status=$?
expect "trelk-cli from /usr/bin writes the report of the example" "0 yes" \
  "$status $([ -s "$work/linux.txt" ] && echo yes || echo no)"
if grep -rqs '^path-exclude=/usr/share/man' /etc/dpkg/dpkg.cfg.d; then
  echo "   this machine's dpkg leaves out man pages: man -w is not tried"
else
  expect "man -w trelk-cli" "/usr/share/man/man1/trelk-cli.1.gz" "$(man -w trelk-cli 2>&1)"
fi
expect "the HTML help is installed" "yes" "$([ -f /usr/share/doc/trelk/html/index.html ] && echo yes || echo no)"
tags=$(lintian --no-tag-display-limit "$deb" 2>&1 | grep -E '^[EWIP]: ' || true)
[ -n "$tags" ] && echo "$tags" | sed 's/^/     lintian /'
expect "lintian reports no errors" "0" "$(grep -c '^E: ' <<<"$tags" || true)"
"${sudo_cmd[@]}" dpkg -r trelk-cli >/dev/null
installed=0
expect "dpkg -r removes trelk-cli" "no" "$([ -e /usr/bin/trelk-cli ] && echo yes || echo no)"

echo "== The ${bits#win}-bit Windows package under a fresh Wine prefix"
start_wine_session "$work"

unpacked="$work/Program Files/Trelk unpacked"
mkdir -p "$unpacked" "$work/elsewhere"
(cd "$unpacked" && cmake -E tar xf "$zip")
folder="$unpacked/Trelk-$version-$bits"
expect "the zip holds one folder with the five files" "LICENSE.txt README.txt Trelk.chm Trelk.exe trelk-cli.exe" \
  "$(cd "$folder" && LC_ALL=C ls | tr '\n' ' ' | sed 's/ $//')"
windows_folder=$("$TRELK_WINE" winepath -w "$folder")

cd "$work/elsewhere"
probed=$(timeout 120 "$TRELK_WINE" "$probe" "$windows_folder" 'C:\trelk-help-opened.log' 2>&1 | tr -d '\r') || true
expect "Trelk.exe: window, About box, Help, version resources and manifests" \
  "resource Trelk.exe $version
manifest Trelk.exe asInvoker
resource trelk-cli.exe $version
manifest trelk-cli.exe asInvoker
window Trelk
about V.$version
help $windows_folder\\Trelk.chm
exit 0" "$probed"
expect "trelk-cli.exe --version" "trelk-cli $version" "$(timeout 60 "$TRELK_WINE" "$folder/trelk-cli.exe" --version 2>&1 | tr -d '\r')"
timeout 60 "$TRELK_WINE" "$folder/trelk-cli.exe" -q --sections all -o "$("$TRELK_WINE" winepath -w "$work/windows.txt")" \
  "$("$TRELK_WINE" winepath -w "$root/examples/gearbox.bom.1")" >/dev/null 2>&1 || true
expect "trelk-cli.exe writes the same report bytes as the Linux program" "same" \
  "$(cmp -s "$work/linux.txt" "$work/windows.txt" && echo same || echo different)"
cd "$root"

if [ "$failures" -gt 0 ]; then
  echo "== $failures package checks failed"
  exit 1
fi
echo "== The packages passed"
