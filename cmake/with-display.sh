#!/usr/bin/env bash
# Runs a command with DISPLAY set to a private Xvfb server, which picks a free display number
# itself. Afterwards stops the server and the Wine processes of WINEPREFIX that used it; the server
# dies with this script even when it is killed.
set -euo pipefail
number_file=$(mktemp)
setpriv --pdeathsig KILL -- Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$number_file" >/dev/null 2>&1 &
xvfb=$!
cleanup() {
    if [ -n "${WINEPREFIX:-}" ]; then
        wineserver -k >/dev/null 2>&1 || true
        wineserver --wait >/dev/null 2>&1 || true
    fi
    kill "$xvfb" 2>/dev/null || true
    wait "$xvfb" 2>/dev/null || true
    rm -f "$number_file"
}
trap cleanup EXIT
for _ in $(seq 1 100); do
    [ -s "$number_file" ] && break
    kill -0 "$xvfb" 2>/dev/null || { echo "Xvfb did not start" >&2; exit 1; }
    sleep 0.1
done
[ -s "$number_file" ] || { echo "Xvfb gave no display number" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$number_file")"
status=0
"$@" || status=$?
exit "$status"
