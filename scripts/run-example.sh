#!/usr/bin/env bash
# Builds trelk-cli and runs it on the example gearbox BOM, then shows the report.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build/example -G Ninja -DCMAKE_BUILD_TYPE=Release -DTRELK_BUILD_TESTS=OFF >/dev/null
cmake --build build/example --target trelk-cli -j2 >/dev/null

report=build/example/Trelk.txt
build/example/cli/trelk-cli --sections all --output "$report" examples/gearbox.bom.1
echo
cat "$report"
