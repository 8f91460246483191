#!/usr/bin/env bash
# Runs a cross-built Windows program under Wine, headless and quiet, in the project's own prefix.
# The prefix is made once, under a lock, so parallel test runs do not race to create it; where
# the machine has one made already (the x86 guest's TESSALY_WINE_PREFIX_TEMPLATE), as a copy.
set -euo pipefail
export WINEDEBUG=${WINEDEBUG:--all}
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-tessaly}
# No Mono or Gecko install prompts: nothing here needs them.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
(
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ] && [ -n "${TESSALY_WINE_PREFIX_TEMPLATE:-}" ]; then
        mkdir -p "$WINEPREFIX"
        cp -a "$TESSALY_WINE_PREFIX_TEMPLATE/." "$WINEPREFIX/"
    elif [ ! -f "$WINEPREFIX/system.reg" ]; then
        wineboot --init >/dev/null 2>&1 || true
        wineserver --wait || true
    fi
) 9>"${TMPDIR:-/tmp}/tessaly-wineprefix.lock"
exec wine "$@"
