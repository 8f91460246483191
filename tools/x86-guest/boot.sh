#!/usr/bin/env bash
# Boots the test guest once. It runs JOB_DIR/job.sh as root, leaves the job's output and exit
# status in JOB_DIR (job.out, job.status; the guest's console in console.log) and powers off.
#
#   boot.sh [--guest DIR] [--writable] [--share TAG=DIR]... [--timeout SECONDS] JOB_DIR
#
# DIR is the guest's folder, by default the one of the current recipe (common.sh).
# JOB_DIR is shared with the guest under the tag "job"; --share shares another folder read-only.
# The guest also gets an empty disk of 64 GiB (/dev/vdb) for its job to format and fill, thrown
# away afterwards, so what the job writes never meets the limits of the system's own disk.
# The image is booted as a snapshot, so every run starts from the same machine, unless
# --writable (only the guest's maker uses it). QEMU runs with software emulation (TCG) and the
# default CPU model: with "-cpu max" the guest sees SMAP, and every Wine process then crashes at
# iret under Debian 12's QEMU 7.2.
set -euo pipefail
source "$(dirname "$0")/common.sh"

snapshot=on
shares=()
timeout=3600
while [ $# -gt 1 ]; do
    case "$1" in
        --guest) x86_guest_dir=$2; shift 2 ;;
        --writable) snapshot=off; shift ;;
        --share) shares+=("$2"); shift 2 ;;
        --timeout) timeout=$2; shift 2 ;;
        *) break ;;
    esac
done
[ $# -eq 1 ] || { echo "usage: boot.sh [--guest DIR] [--writable] [--share TAG=DIR]... [--timeout SECONDS] JOB_DIR" >&2; exit 2; }
job_dir=$(cd "$1" && pwd)

virtfs=(-virtfs "local,path=$job_dir,mount_tag=job,security_model=none")
for share in "${shares[@]}"; do
    virtfs+=(-virtfs "local,path=${share#*=},mount_tag=${share%%=*},security_model=none,readonly=on")
done

rm -f "$job_dir/job.status" "$job_dir/job.out"
scratch=$(mktemp "${TMPDIR:-/var/tmp}/tessaly-guest-scratch.XXXXXX")
trap 'rm -f "$scratch"' EXIT
truncate -s 64G "$scratch"
# The guest dies with this script, and after `timeout` seconds at the latest: nothing it runs
# outlives the test that booted it.
status=0
setpriv --pdeathsig KILL -- timeout --kill-after=10 "$timeout" \
    setpriv --pdeathsig KILL -- qemu-system-x86_64 \
    -accel tcg,thread=multi -smp 2 -m 6144 \
    -kernel "$x86_guest_dir/vmlinuz" -initrd "$x86_guest_dir/initrd.img" \
    -append "root=/dev/vda rw console=ttyS0 init=/sbin/tessaly-init quiet" \
    -drive "file=$x86_guest_dir/rootfs.ext4,format=raw,if=virtio,snapshot=$snapshot" \
    -drive "file=$scratch,format=raw,if=virtio" \
    "${virtfs[@]}" -nic none \
    -display none -monitor none -serial "file:$job_dir/console.log" -no-reboot || status=$?
[ "$status" -ne 124 ] || echo "boot.sh: the guest ran longer than $timeout s and was stopped" >&2
[ -f "$job_dir/job.status" ] || { echo "boot.sh: the guest gave no job status (QEMU exit $status); see $job_dir/console.log" >&2; exit 1; }
exit "$(cat "$job_dir/job.status")"
