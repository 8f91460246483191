#!/usr/bin/env bash
# Sets up the machine and builds the shipped 32-bit Windows program.
set -euo pipefail
cd "$(dirname "$0")/.."

./tools/setup.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32 --target tessaly_host
echo "Built: $(pwd)/build/win32/src/app/Tessaly.exe"
