#!/usr/bin/env bash
# Unpacks brotli's source for the Windows program's decoder (Debian ships no mingw-w64 build of
# it) into DEST/brotli-1.0.9, DEST being the first argument or /usr/local/src/tessaly, and applies
# tools/brotli-block-switch.patch: the decoder change of Debian's security update 1.0.9-2+deb12u1,
# whose source the mirror does not serve (the patch says what it changes and how it was checked
# against Debian's build). The Linux program uses Debian's patched library, so both programs
# then fail the same streams.
#
# The tarball is the upstream one from Debian's pool, checked against the SHA-256 that Debian's
# bookworm source index gives for it. It is fetched by its file name, not with apt-get source:
# apt matches a source version against the installed binary package, and once the security
# update of libbrotli1 is installed, apt-get source brotli=1.0.9-2 looks for a source that the
# mirror does not carry.
#
# Safe to run again: a tree this script made from the same tarball and patch is left as it is.
# The new tree is made beside the old one and moved into place whole, so a failed run leaves
# either the old tree or none.
set -euo pipefail

version=1.0.9
tarball=brotli_${version}.orig.tar.gz
sha256=f9e8d81d0405ba66d181529af42a3354f838c939095ff99930da6aa9cdf6fe46
mirror=$("$(dirname "$0")/debian-mirror.sh")
dest=${1:-/usr/local/src/tessaly}
tree=$dest/brotli-$version
fix=$(dirname "$0")/brotli-block-switch.patch

stamp="$tarball $sha256 $(basename "$fix") $(sha256sum <"$fix" | cut -d' ' -f1)"
if [ -f "$tree/.tessaly-stamp" ] && [ "$(cat "$tree/.tessaly-stamp")" = "$stamp" ]; then
  exit 0
fi

mkdir -p "$dest"
work=$(mktemp -d "$dest/.brotli-$version.XXXXXX")
trap 'rm -rf "$work"' EXIT

curl --fail --silent --show-error --location -o "$work/$tarball" \
  "$mirror/pool/main/b/brotli/$tarball"
echo "$sha256  $work/$tarball" | sha256sum --check --quiet
mkdir "$work/src"
tar --no-same-owner -xzf "$work/$tarball" -C "$work/src"
if [ ! -f "$work/src/brotli-$version/c/dec/decode.c" ]; then
  echo "fetch-brotli-source: $tarball does not hold brotli-$version/c/dec/decode.c" >&2
  exit 1
fi
patch -d "$work/src/brotli-$version" -p1 --batch --forward --quiet <"$fix"
echo "$stamp" >"$work/src/brotli-$version/.tessaly-stamp"

# An older tree (from apt-get source, another tarball or another patch) goes into the work folder,
# which is removed on exit, and the new one takes its place.
if [ -e "$tree" ]; then
  mv "$tree" "$work/old"
fi
mv "$work/src/brotli-$version" "$tree"
