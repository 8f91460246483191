#!/usr/bin/env bash
# The x86 guest's scripts: the job file's quoting as the guest's sh (dash) reads it, and the
# removal of a folder that still holds a bind mount, which must leave the mount's source alone.
set -euo pipefail
source "$(dirname "$0")/../../tools/x86-guest/common.sh"
work=$(mktemp -d)
trap 'remove_tree "$work"' EXIT
failed=0

for word in plain 'two words' "it's" '$HOME `id` \ "q"' $'new\nline\n' 'ünï €' '' '-n'; do
    got=$(dash -c "printf '%s|' $(sh_quote "$word")"; echo .)
    if [ "$got" != "$word|." ]; then
        echo "FAIL: dash read $(printf %q "$word") back as $(printf %q "${got%.}")"
        failed=1
    fi
done

if [ "$(id -u)" -ne 0 ]; then
    echo "Skipped the mount case: bind mounts need root"
else
    mkdir -p "$work/host-dev" "$work/making/rootfs/dev"
    echo keep >"$work/host-dev/node"
    mount --bind "$work/host-dev" "$work/making/rootfs/dev"
    remove_tree "$work/making"
    if [ ! -f "$work/host-dev/node" ] || [ -e "$work/making" ]; then
        echo "FAIL: removing the folder went through its bind mount or left the folder"
        failed=1
    fi
fi
[ "$failed" -eq 0 ] && echo "x86 guest scripts: all cases passed"
exit "$failed"
