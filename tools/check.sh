#!/usr/bin/env bash
# Sets up the machine, builds every preset and runs every test, then runs each fuzzer for a
# bounded time. Every preset runs even when another fails; a summary at the end says, for each,
# how many tests passed, failed and were skipped, where they ran, why any were skipped and how
# long it took. Exits non-zero when anything failed, a fuzzer's crash included.
set -uo pipefail
cd "$(dirname "$0")/.."

./tools/setup.sh || exit 1

summary=build/check-summary
mkdir -p build
: >"$summary"
# record PRESET SECONDS STATUS [JUNIT]: one line of the summary.
record() {
    printf '%s\t%s\t%s\t%s\n' "$1" "$2" "$3" "${4:-}" >>"$summary"
}

# Where this machine runs no 32-bit code, the win32 tests run in the x86 guest. Making it, on a
# new machine, mostly downloads and unpacks packages: that goes on while the native presets build.
guest_maker=
if ! tools/x86-probe.sh; then
    tools/x86-guest/make-image.sh >build/x86-guest-make.log 2>&1 &
    guest_maker=$!
fi

for preset in native native-asan native32 win32 win64; do
    if [ "$preset" = win32 ] && [ -n "$guest_maker" ]; then
        # A failure here shows again, with its reason, in the test x86_guest.
        wait "$guest_maker" || true
        cat build/x86-guest-make.log
    fi
    echo "== $preset"
    started=$(date +%s)
    junit=$PWD/build/$preset/ctest-results.xml
    rm -f "$junit"
    status=0
    { cmake --preset "$preset" >/dev/null && cmake --build --preset "$preset"; } || status=$?
    if [ "$status" -eq 0 ]; then
        ctest --preset "$preset" -j2 --output-junit "$junit" || status=$?
    fi
    record "$preset" $(($(date +%s) - started)) "$status" "$junit"
done

echo "== fuzz"
started=$(date +%s)
status=0
{ cmake --preset fuzz >/dev/null && cmake --build --preset fuzz; } || status=$?
for target in byte_range_fuzzer page_message_fuzzer request_fuzzer; do
    [ "$status" -eq 0 ] || break
    corpus="build/fuzz/corpus/$target"
    mkdir -p "$corpus"
    # New inputs go to the first folder; the checked-in seeds are only read.
    "build/fuzz/fuzz/$target" -max_total_time=30 -timeout=10 -print_final_stats=1 \
        -artifact_prefix="build/fuzz/$target-" "$corpus" "fuzz/seeds/$target" || status=$?
done
record fuzz $(($(date +%s) - started)) "$status"

python3 tools/check_summary.py "$summary"
