#!/usr/bin/env bash
# Prints the address of the Debian archive that this machine's apt takes SUITE (default
# bookworm) from, so what the project fetches beside apt comes from the same mirror.
set -euo pipefail
site=$(apt-get indextargets --format '$(SITE)' "RELEASE: ${1:-bookworm}" | head -n 1)
[ -n "$site" ] || { echo "debian-mirror: apt has no source for ${1:-bookworm}; run apt-get update" >&2; exit 1; }
echo "$site"
