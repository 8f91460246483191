#!/usr/bin/env bash
# The test x86_guest (cmake/X86Guest.cmake): runs the 32-bit Windows program's tests in the x86
# guest, all in one boot, and leaves each one's result for it in JOB/results.
#
#   x86-guest-run.sh SOURCE_DIR BUILD_DIR JOB
#
# Makes the guest first if this machine has none of the current recipe. The guest sees the
# source and build folders at the same paths as here, through throw-away overlays on read-only
# shares, and runs the same ctest command as the one that runs this test, so the same tests run
# there. No guest: exit 77 (skipped), with the reason, which every other test then reports.
set -euo pipefail
[ -z "${TESSALY_IN_X86_GUEST:-}" ] || exit 0  # the guest's own ctest runs this test too
source_dir=$1
build_dir=$2
job=$3
scripts=$source_dir/tools/x86-guest
source "$scripts/common.sh"

rm -rf "$job"
mkdir -p "$job/results"
started=$(date +%s)
if ! "$scripts/make-image.sh" >"$job/make.log" 2>&1; then
    echo "Skipped: no x86 guest could be made here: $(tail -n 1 "$job/make.log") (see $job/make.log)" |
        tee "$job/results/skipped"
    exit 77
fi
made=$(date +%s)

# The ctest command that runs this test, with its arguments and folder; run alone, every test.
ctest_args=(--test-dir "$build_dir")
ctest_dir=$build_dir
if [ "$(cat "/proc/$PPID/comm" 2>/dev/null)" = ctest ]; then
    mapfile -d '' ctest_args <"/proc/$PPID/cmdline"
    ctest_args=("${ctest_args[@]:1}")
    ctest_dir=$(readlink "/proc/$PPID/cwd")
    # ctest has moved into the build folder by now; presets are found in the source folder.
    case " ${ctest_args[*]}" in *" --preset"*) ctest_dir=$source_dir ;; esac
fi

{
    echo 'set -e'
    echo '# Wine prefixes and what the tests write go to the scratch disk: a prefix is over 1 GB.'
    echo 'mkfs.ext4 -q /dev/vdb && mount /dev/vdb /var/tmp'
    echo 'overlay() {  # TAG PATH: the read-only share TAG at PATH, with writes kept in the guest'
    echo '    mkdir -p "/mnt/$1" "$2" "/var/tmp/$1/upper" "/var/tmp/$1/work"'
    echo '    mount -t 9p -o trans=virtio,version=9p2000.L,msize=524288,cache=loose,ro "$1" "/mnt/$1"'
    echo '    mount -t overlay overlay -o "lowerdir=/mnt/$1,upperdir=/var/tmp/$1/upper,workdir=/var/tmp/$1/work" "$2"'
    echo '}'
    echo "overlay source $(sh_quote "$source_dir")"
    echo "overlay build $(sh_quote "$build_dir")"
    echo "mount --bind /mnt/job $(sh_quote "$job")"
    echo "cd $(sh_quote "$ctest_dir")"
    # Wine names files in the locale's encoding: UTF-8, as on the build machine.
    echo 'export LANG=C.UTF-8 TESSALY_IN_X86_GUEST=1 TESSALY_WINE_PREFIX_TEMPLATE=/root/wine-template'
    # The unit tests' prefix (cmake/wine-run.sh), with one Wine server for all of them: started
    # anew for each test, with Wine's services, it would cost each one seconds under emulation.
    echo 'export WINEPREFIX=/var/tmp/wine-tests'
    echo 'cp -a "$TESSALY_WINE_PREFIX_TEMPLATE" "$WINEPREFIX"'
    echo 'wineserver --persistent'
    echo 'wine cmd /c exit >/dev/null 2>&1 </dev/null  # starts Wine services once, for all'
    printf 'ctest'
    for arg in "${ctest_args[@]}"; do
        printf ' %s' "$(sh_quote "$arg")"
    done
    echo
} >"$job/job.sh"

echo "x86 guest: running: ctest ${ctest_args[*]}"
status=0
setpriv --pdeathsig KILL -- "$scripts/boot.sh" --share "source=$source_dir" \
    --share "build=$build_dir" --timeout 2700 "$job" ||
    status=$?
cat "$job/job.out" 2>/dev/null || true
echo "x86 guest: made or found in $((made - started)) s, tests run in $(($(date +%s) - made)) s"
# The tests' own failures are theirs to report; this one fails when the guest did not run them.
[ -f "$job/job.status" ] || { echo "The x86 guest did not finish (status $status)"; exit 1; }
