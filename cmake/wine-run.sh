#!/usr/bin/env bash
# Runs a cross-built Windows program under Wine, headless and quiet, in the project's own prefix.
# The prefix is made once, under a lock, so parallel test runs do not race to create it.
set -euo pipefail
export WINEDEBUG=${WINEDEBUG:--all}
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-tessaly}
# No Mono or Gecko install prompts: nothing here needs them.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
(
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        wineboot --init >/dev/null 2>&1 || true
        wineserver --wait || true
    fi
) 9>"${TMPDIR:-/tmp}/tessaly-wineprefix.lock"
exec wine "$@"
