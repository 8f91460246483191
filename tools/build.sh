#!/usr/bin/env bash
# Sets up the machine, builds the shipped 32-bit Windows program, the Linux program and the
# tessaly tool, and packs the example app with them into dist/hello/, printing what it made.
set -euo pipefail
cd "$(dirname "$0")/.."

./tools/setup.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target tessaly_host
cmake --preset native >/dev/null
cmake --build --preset native --target tessaly tessaly_linux_host
echo "Built: $(pwd)/build/win32/src/app/Tessaly.exe"
echo "Built: $(pwd)/build/native/src/app/tessaly-host"
echo "Built: $(pwd)/build/native/tools/tessaly/tessaly"

# --force: dist/hello is this script's own output, replaced on every run.
./build/native/tools/tessaly/tessaly pack examples/hello -o dist/hello --force \
    --exe build/win32/src/app/Tessaly.exe --linux --host build/native/src/app/tessaly-host
