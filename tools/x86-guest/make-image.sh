#!/usr/bin/env bash
# Makes the test guest, once per machine and recipe: a small Debian 12 system with Wine (32- and
# 64-bit) and what the Windows tests call, in which the 32-bit Windows program's tests run on
# machines whose kernel runs no 32-bit code. Everything comes from Debian's packages. It keeps
# the image, the kernel and the initrd in the recipe's folder (common.sh), with a Wine prefix
# made once at its first boot, and removes the guests of older recipes.
set -euo pipefail
source "$(dirname "$0")/common.sh"

[ -f "$x86_guest_dir/ready" ] && exit 0
mkdir -p "$x86_guest_root"
exec 9>"$x86_guest_root/.lock"
flock 9
[ -f "$x86_guest_dir/ready" ] && exit 0

mirror=$("$x86_guest_scripts/../debian-mirror.sh")
security_mirror=$("$x86_guest_scripts/../debian-mirror.sh" bookworm-security)
# What the Windows tests run in the guest: Wine and an X server, the harnesses' Python and X
# tools, the outside readers of a packed program, the build machine's tessaly (its libraries,
# osslsigncode and makensis) and ctest, which runs the tests there as on the build machine.
packages=(
    linux-image-amd64 wine wine32:i386 wine64 xvfb xauth x11-utils xdotool python3 imagemagick icoutils
    binutils-mingw-w64-i686 osslsigncode openssl nsis libzip4 libbrotli1 libssl3 libcpp-httplib0.11
    cmake
)

started=$(date +%s)
remove_tree "$x86_guest_dir"
work=$x86_guest_dir/making
rootfs=$work/rootfs
mkdir -p "$rootfs"
cleanup() {
    for mount in "$rootfs/dev/pts" "$rootfs/dev" "$rootfs/proc" "$rootfs/sys"; do
        ! mountpoint -q "$mount" || umount -l "$mount"
    done
}
trap cleanup EXIT

echo "x86 guest: debootstrap bookworm into $rootfs"
debootstrap --variant=minbase --include=initramfs-tools,kmod,iproute2 \
    bookworm "$rootfs" "$mirror" >"$work/debootstrap.log" 2>&1 ||
    { tail -n 20 "$work/debootstrap.log" >&2; exit 1; }
# The initramfs needs only what finds and mounts the root file system on QEMU's virtio disk;
# Debian's default, most of the kernel's drivers, takes minutes to pack.
echo MODULES=list >"$rootfs/etc/initramfs-tools/conf.d/tessaly-guest"
printf '%s\n' virtio_pci virtio_blk ext4 >>"$rootfs/etc/initramfs-tools/modules"

cat >"$rootfs/etc/apt/sources.list" <<SOURCES
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb $security_mirror bookworm-security main
SOURCES
mount -t proc proc "$rootfs/proc"
mount -t sysfs sysfs "$rootfs/sys"
mount --bind /dev "$rootfs/dev"
mount --bind /dev/pts "$rootfs/dev/pts"
echo "x86 guest: Wine and the test tools"
# Two postinst helpers of libglib2.0-0:i386 cannot run here (no 32-bit code); they only warn.
chroot "$rootfs" sh -c "dpkg --add-architecture i386 && apt-get update -qq &&
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends ${packages[*]} &&
    apt-get clean && rm -rf /var/lib/apt/lists/*" >"$work/packages.log" 2>&1 ||
    { tail -n 20 "$work/packages.log" >&2; exit 1; }
cleanup

install -m 755 "$x86_guest_scripts/init" "$rootfs/sbin/tessaly-init"
echo tessaly-guest >"$rootfs/etc/hostname"
cp "$rootfs"/boot/vmlinuz-* "$x86_guest_dir/vmlinuz"
cp "$rootfs"/boot/initrd.img-* "$x86_guest_dir/initrd.img"

# Room for the tests' files beside the system; the tests' large media files are sparse.
size_mb=$(($(du -smx "$rootfs" | cut -f1) + 4096))
echo "x86 guest: image of $size_mb MB"
mke2fs -q -t ext4 -d "$rootfs" -L tessaly-guest "$x86_guest_dir/rootfs.ext4" "${size_mb}M"
remove_tree "$rootfs"

# The Wine prefix the tests start from, made once into the image. Now and then the first
# wineboot of a new system stops at once ("could not load kernel32.dll"); a second one works.
echo "x86 guest: first boot, making the Wine prefix"
cat >"$work/job.sh" <<'JOB'
export WINEPREFIX=/root/wine-template WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
for attempt in 1 2; do
    rm -rf "$WINEPREFIX"
    wineboot --init && wineserver --wait && test -f "$WINEPREFIX/system.reg" && exit 0
done
exit 1
JOB
"$x86_guest_scripts/boot.sh" --guest "$x86_guest_dir" --writable --timeout 900 "$work" ||
    { echo "x86 guest: the first boot failed:" >&2; tail -n 20 "$work/job.out" "$work/console.log" >&2; exit 1; }

remove_tree "$work"
for old in "$x86_guest_root"/*/; do
    [ "${old%/}" = "$x86_guest_dir" ] || remove_tree "$old"
done
touch "$x86_guest_dir/ready"
echo "x86 guest: made in $(($(date +%s) - started)) s, in $x86_guest_dir"
