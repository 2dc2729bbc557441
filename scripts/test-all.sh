#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: the native build (engine,
# settings, trelk-cli), then the Windows programs under Wine. Fails when any test fails.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh --windows

started=$SECONDS
echo "== Native build and tests"
cmake -S . -B build/native -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/native -j2
ctest --test-dir build/native --output-on-failure -j2 --timeout 300
echo "   native: $((SECONDS - started)) s"

echo "== Windows builds and tests under Wine"
scripts/test-windows.sh

echo "== All tests passed in $((SECONDS - started)) s"
