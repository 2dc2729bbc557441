#!/usr/bin/env bash
# Builds the Windows programs with mingw-w64 and runs their tests under Wine.
#   scripts/test-windows.sh             32-bit (build-win32/) and 64-bit (build-win64/) builds and tests
#   TRELK_WIN64_TESTS=0 scripts/...     build the 64-bit tree but skip its tests (not on a machine
#                                       that runs no 32-bit programs: there the 64-bit tests stand
#                                       in for the 32-bit ones, which are built and checked only)
#   TRELK_PACKAGE_TESTS=0 scripts/...   skip making and trying the packages (scripts/package.sh,
#                                       scripts/test-packages.sh), which reuse both trees and
#                                       put the packages in build/packages, never in dist/
# Works on a fresh Debian 12 machine: it installs what is missing, makes a throw-away Wine
# prefix, and starts its own X server when there is no DISPLAY. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/wine-session.sh
root=$PWD

started=$SECONDS
step_started=$SECONDS
step() {
  echo "   $1: $((SECONDS - step_started)) s"
  step_started=$SECONDS
}

scripts/install-deps.sh --windows
export TRELK_DEPS_INSTALLED=windows  # for scripts/package.sh
step "dependencies"

work=$(mktemp -d "${TMPDIR:-/tmp}/trelk-wine.XXXXXX")
cleanup() {
  local status=$?
  stop_wine_session "$work"
  rm -rf "$work"
  exit "$status"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

start_wine_session "$work"
step "Wine prefix"

build() {  # build <dir> <toolchain>
  cmake -S "$root" -B "$root/$1" -DCMAKE_BUILD_TYPE=Release -DTRELK_WERROR=ON \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$2.cmake" >/dev/null
  cmake --build "$root/$1" -j2
}

echo "== 32-bit Windows build (build-win32)"
build build-win32 i686-w64-mingw32
step "32-bit build"

version=$(sed -n 's/^project(Trelk VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
# What can be checked of the programs without running them: imports, version resource, manifest
# and the exported link control.
check_programs() {  # check_programs <bits> <build dir>
  /usr/bin/python3 scripts/check-pe.py "$1" "$version" "$root/$2/app/Trelk.exe" "$root/$2/cli/trelk-cli.exe"
}
check_programs 32 build-win32

if [ "$TRELK_WIN32_RUNS" = 1 ]; then
  echo "== 32-bit tests under Wine"
  ctest --test-dir "$root/build-win32" --output-on-failure --timeout 600
  step "32-bit tests"
else
  echo "   32-bit programs cannot run here: the 32-bit tests are left to the 64-bit tree"
fi

echo "== 64-bit Windows build (build-win64)"
build build-win64 x86_64-w64-mingw32
check_programs 64 build-win64
step "64-bit build"

if [ "${TRELK_WIN64_TESTS:-1}" != 0 ] || [ "$TRELK_WIN32_RUNS" != 1 ]; then
  echo "== 64-bit tests under Wine"
  ctest --test-dir "$root/build-win64" --output-on-failure --timeout 600
  step "64-bit tests"
fi

if [ "${TRELK_PACKAGE_TESTS:-1}" != 0 ]; then
  echo "== Packages (build/packages)"
  scripts/package.sh "$root/build/packages"
  scripts/test-packages.sh "$root/build/packages"
  step "packages"
fi

echo "== Windows builds and tests passed in $((SECONDS - started)) s"
win32_note
