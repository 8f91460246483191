#!/usr/bin/env bash
# One test of the 32-bit Windows program where it runs in the x86 guest (cmake/X86Guest.cmake).
#
#   x86-guest-test.sh NAME RESULTS COMMAND...
#
# In the guest, runs COMMAND and keeps what it printed and how it ended in RESULTS, a folder the
# build machine shares with the guest. On the build machine, after the test x86_guest has run
# them all there, prints what the guest kept for NAME and ends as the test ended there; skipped
# (77) when no guest could be made, with the reason.
set -u
name=$1
results=$2
shift 2

if [ -n "${TESSALY_IN_X86_GUEST:-}" ]; then
    # Into a file, not a pipe: Wine's services, which the first Wine program of a prefix starts,
    # keep its output open long after it has ended.
    status=0
    "$@" >"$results/$name.out" 2>&1 </dev/null || status=$?
    cat "$results/$name.out"
    echo "$status" >"$results/$name.status"
    exit "$status"
fi

if [ -f "$results/skipped" ]; then
    cat "$results/skipped"
    exit 77
fi
if [ ! -f "$results/$name.status" ]; then
    echo "The x86 guest gave no result for $name: see $(dirname "$results")/job.out and console.log"
    exit 1
fi
echo "(run in the x86 guest)"
cat "$results/$name.out"
exit "$(cat "$results/$name.status")"
