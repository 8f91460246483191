#!/usr/bin/env bash
# Builds the benchmarks with the native preset, runs them and prints their ratios against the
# baselines measured in the same run. Extra arguments go to Google Benchmark. Then times the
# Linux host's start-up against a bare GTK window.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset native >/dev/null
cmake --build --preset native --target tessaly_bench tessaly_linux_host bare_gtk_window
./build/native/bench/tessaly_bench "$@"
python3 bench/linux_host_startup.py --host build/native/src/app/tessaly-host \
    --bare build/native/bench/bare_gtk_window --app examples/hello
