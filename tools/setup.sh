#!/usr/bin/env bash
# Installs everything the build and the tests need, from Debian's packages.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail

export DEBIAN_FRONTEND=noninteractive
here=$(cd "$(dirname "$0")" && pwd)

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
apt-get update -qq
apt-get install -y -qq --no-install-recommends binutils >/dev/null

# Wine runs the 32-bit Windows program's tests where this machine runs 32-bit code. Where it
# cannot, Wine's 32-bit loader must not be installed: Wine would pick it for every program and
# prefix, 64-bit ones too. The 32-bit tests then run in a guest under QEMU (tools/x86-guest).
if "$here/x86-probe.sh"; then
  wine_packages=(wine32)
else
  wine_packages=(qemu-system-x86 debootstrap)
  if dpkg -s wine32:i386 >/dev/null 2>&1; then
    apt-get remove -y -qq wine32:i386 >/dev/null
  fi
fi

apt-get install -y -qq --no-install-recommends \
  cmake ninja-build g++ clang libclang-rt-14-dev clang-format \
  mingw-w64 g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix \
  nlohmann-json3-dev libgtest-dev googletest libbenchmark-dev \
  libcpp-httplib-dev libzip-dev libssl-dev pkg-config libstb-dev \
  libgtk-3-dev libwebkit2gtk-4.1-dev \
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav gstreamer1.0-gl \
  wine wine64 "${wine_packages[@]}" \
  xvfb xdotool imagemagick x11-utils python3 python3-websocket chromium ca-certificates \
  openbox locales osslsigncode nsis icoutils openssl node-typescript \
  zlib1g-dev libbrotli-dev libz-mingw-w64-dev brotli gzip curl patch \
  g++-multilib qemu-user-static zlib1g-dev:i386 libbrotli-dev:i386 libzip-dev:i386 \
  libssl-dev:i386 libcpp-httplib-dev:i386 \
  >/dev/null

# brotli's decoder for the Windows program is built from source: Debian ships no mingw-w64 build.
"$(dirname "$0")/fetch-brotli-source.sh"

echo "setup: done"
