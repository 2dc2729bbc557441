#!/usr/bin/env bash
# Installs what building and testing Trelk needs on Debian 12, and nothing that is already there.
#   scripts/install-deps.sh           native build: compilers, CMake, GoogleTest, CLI11, nlohmann-json,
#                                     Benchmark (and tsl::robin_map, which the micro-benchmarks
#                                     compare with), and what makes and checks the Debian package
#                                     (help2man, lintian), and the browser that the HTML page is
#                                     tested in (chromium, chromium-driver, python3-selenium)
#   scripts/install-deps.sh --windows also the mingw-w64 cross compilers, Wine (32- and 64-bit), Xvfb, chmcmd,
#                                     and pefile, which checks the programs without running them
# A script that has run it already tells the scripts it starts in TRELK_DEPS_INSTALLED ("windows":
# both sets are there, "native": the first), and they return here at once.
set -euo pipefail

want_windows=0
for arg in "$@"; do
  case "$arg" in
    --windows) want_windows=1 ;;
    *) echo "usage: $0 [--windows]" >&2; exit 2 ;;
  esac
done

case "${TRELK_DEPS_INSTALLED:-}:$want_windows" in
  windows:* | native:0) exit 0 ;;
esac

packages=(cmake ninja-build g++ clang clang-format libclang-rt-14-dev googletest libgtest-dev libgmock-dev
          libbenchmark-dev libcli11-dev nlohmann-json3-dev time robin-map-dev help2man lintian
          dpkg-dev man-db chromium chromium-driver python3-selenium)
if [ "$want_windows" = 1 ]; then
  packages+=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686 wine wine64 wine32:i386
             xvfb xauth xdotool imagemagick fp-utils fonts-wine python3-pefile)
fi

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)

if [ "$want_windows" = 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
  need_update=1
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ "${#missing[@]}" -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
elif [ "${need_update:-0}" = 1 ]; then
  "${sudo_cmd[@]}" apt-get update -qq
fi
