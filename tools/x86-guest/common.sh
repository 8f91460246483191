# Shared by the guest's scripts: where the guest of the current recipe lives.
# The guest is made once per machine and kept outside the clone, in a folder named after a hash
# of its recipe (the files that shape the image), so a changed recipe makes a new guest.
x86_guest_scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
x86_guest_root=${TESSALY_X86_GUEST_DIR:-/var/cache/tessaly/x86-guest}
x86_guest_recipe=$(cat "$x86_guest_scripts/make-image.sh" "$x86_guest_scripts/init" | sha256sum | cut -c1-16)
x86_guest_dir=$x86_guest_root/$x86_guest_recipe
