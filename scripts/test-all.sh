#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the native build (engine,
# settings, trelk-cli), the same tests built with the sanitizers and the fuzzers (about a minute
# each, FUZZ_SECONDS), then the Windows programs under Wine. Fails when any test fails.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh --windows
export TRELK_DEPS_INSTALLED=windows  # the scripts below need not look again

started=$SECONDS

# Two small file systems that the full-disk tests fill, where this machine lets us mount them.
full_disk=$(mktemp -d "${TMPDIR:-/tmp}/trelk-full.XXXXXX")
unmount_full_disk() {
  for name in report settings; do
    mountpoint -q "$full_disk/$name" && umount "$full_disk/$name"
  done
  rm -rf "$full_disk"
}
trap unmount_full_disk EXIT
mounted=1
for name in report settings; do
  mkdir -p "$full_disk/$name"
  mount -t tmpfs -o size=64k,mode=1777 trelk-full "$full_disk/$name" 2>/dev/null || mounted=0
done
if [ "$mounted" = 1 ]; then
  export TRELK_TEST_FULL_FOLDER=$full_disk
else
  echo "   no tmpfs could be mounted here: the full-disk tests skip their rows"
fi

echo "== Native build and tests"
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTRELK_WERROR=ON >/dev/null
cmake --build build/native -j2
ctest --test-dir build/native --output-on-failure -j2 --timeout 300
echo "   native: $((SECONDS - started)) s"

echo "== Sanitizer build and tests, fuzzers"
step=$SECONDS
scripts/test-sanitized.sh
echo "   sanitizers and fuzzers: $((SECONDS - step)) s"

echo "== Windows builds and tests under Wine"
# Whether this machine runs 32-bit programs is settled here, once, for every script below.
. scripts/wine-session.sh
scripts/test-windows.sh

echo "== All tests passed in $((SECONDS - started)) s"
win32_note
