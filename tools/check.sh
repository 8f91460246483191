#!/usr/bin/env bash
# Sets up the machine, builds every preset and runs every test, then runs each fuzzer for a
# bounded time. Exits non-zero on any failure, a fuzzer's crash included.
set -euo pipefail
cd "$(dirname "$0")/.."

./tools/setup.sh

for preset in native native-asan win32 win64; do
    echo "== $preset"
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    ctest --preset "$preset" -j2
done

echo "== fuzz"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
for target in byte_range_fuzzer request_fuzzer; do
    corpus="build/fuzz/corpus/$target"
    mkdir -p "$corpus"
    # New inputs go to the first folder; the checked-in seeds are only read.
    "build/fuzz/fuzz/$target" -max_total_time=30 -timeout=10 -print_final_stats=1 \
        -artifact_prefix="build/fuzz/$target-" "$corpus" "fuzz/seeds/$target"
done
