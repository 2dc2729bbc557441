#!/usr/bin/env bash
# Makes the release packages in dist/, or in FOLDER (the tests use build/packages):
#   scripts/package.sh [FOLDER]
#   Trelk-VERSION-win32.zip, Trelk-VERSION-win64.zip   the Windows programs, their help, README.txt
#                                                      and LICENSE.txt in one folder
#   trelk-cli_VERSION_amd64.deb, trelk-cli-VERSION-linux-x86_64.tar.gz
#                                                      the console program for Linux with its man
#                                                      page and the HTML help
# The Windows packages come from build-win32/ and build-win64/ when those exist (scripts/test-windows.sh
# leaves them built), else from lean builds of their own in build/package-win32 and -win64.
# The Linux package always comes from its own release build in build/package-native.
set -euo pipefail
[ $# -le 1 ] || { echo "usage: $0 [FOLDER]" >&2; exit 2; }
packages=$(realpath -m "${1:-$(dirname "$0")/../dist}")
cd "$(dirname "$0")/.."
root=$PWD

scripts/install-deps.sh --windows >/dev/null

# Only the packages of an earlier run go: FOLDER may hold other files.
mkdir -p "$packages"
rm -f "$packages"/Trelk-*-win32.zip "$packages"/Trelk-*-win64.zip "$packages"/trelk-cli_*_amd64.deb \
  "$packages"/trelk-cli-*-linux-x86_64.tar.gz

# pack <build dir> <configure options...>: builds what is out of date and collects the packages.
pack() {
  local dir=$1
  shift
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$root" -B "$dir" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
  fi
  cmake --build "$dir" -j2 >/dev/null
  rm -rf "$dir/packages"
  (cd "$dir" && cpack -B "$dir/packages" >/dev/null 2> >(grep -v 'Generating dependency list' >&2))
  find "$dir/packages" -maxdepth 1 -type f \( -name '*.zip' -o -name '*.deb' -o -name '*.tar.gz' \) \
    -exec cp {} "$packages/" \;
}

windows() {  # windows <bits> <toolchain>
  local dir=$root/build-$1
  local options=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$2.cmake")
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    dir=$root/build/package-$1
    options+=(-DTRELK_BUILD_TESTS=OFF)
  fi
  echo "   $1 from ${dir#"$root"/}"
  pack "$dir" "${options[@]}"
}

windows win32 i686-w64-mingw32
windows win64 x86_64-w64-mingw32
# Hardened as Debian builds its own packages.
echo "   Linux from build/package-native"
pack "$root/build/package-native" -G Ninja -DTRELK_BUILD_TESTS=OFF -DTRELK_BUILD_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="-D_FORTIFY_SOURCE=2 -fstack-protector-strong" \
  -DCMAKE_EXE_LINKER_FLAGS="-Wl,-z,relro -Wl,-z,now"

ls -l "$packages"
