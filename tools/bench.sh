#!/usr/bin/env bash
# Builds the benchmarks with the native preset, runs them and prints their ratios against the
# baselines measured in the same run. Extra arguments go to Google Benchmark.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake --preset native >/dev/null
cmake --build --preset native --target tessaly_bench
exec ./build/native/bench/tessaly_bench "$@"
