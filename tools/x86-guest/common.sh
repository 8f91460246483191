# Shared by the guest's scripts: where the guest of the current recipe lives.
# The guest is made once per machine and kept outside the clone, in a folder named after a hash
# of its recipe (the files that shape the image), so a changed recipe makes a new guest.
x86_guest_scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
x86_guest_root=${TESSALY_X86_GUEST_DIR:-/var/cache/tessaly/x86-guest}
x86_guest_recipe=$(cat "$x86_guest_scripts/make-image.sh" "$x86_guest_scripts/init" | sha256sum | cut -c1-16)
x86_guest_dir=$x86_guest_root/$x86_guest_recipe

# remove_tree DIR: removes DIR and everything in it, never through a mount. A run that was killed
# (a ctest timeout) can leave the making's bind mounts of /dev and /proc in place, and a plain
# rm -rf would then delete the host's device nodes. Mounts below DIR go first, deepest first.
remove_tree() {
    local dir
    dir=$(realpath -m "$1")
    awk -v dir="$dir" '$2 == dir || index($2, dir "/") == 1 { print $2 }' /proc/self/mounts |
        sort -r | while read -r mount; do umount -l "$mount"; done
    rm -rf --one-file-system "$dir"
}

# sh_quote WORD: WORD as one word that any POSIX sh reads back unchanged (the guest's sh is dash,
# which does not read bash's $'...' quoting).
sh_quote() {
    printf "'%s'" "${1//\'/\'\\\'\'}"
}
