#!/usr/bin/env bash
# Sets up the machine, builds every preset and runs every test. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")/.."

./tools/setup.sh

for preset in native native-asan win32 win64; do
    echo "== $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    ctest --preset "$preset" -j2
done
