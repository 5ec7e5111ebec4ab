#!/bin/sh
# Makes (make) or removes (remove) a folder that holds a link to another folder, inside the test
# prefix's C: drive. Wine makes such links only from the Unix side. rm -rf removes the link itself
# and never follows it.
set -eu
root="$WINEPREFIX/drive_c/purgalot_folder_tree_links"
case "$1" in
  make)
    rm -rf "$root"
    mkdir -p "$root/target/Inner/Deeper" "$root/holder/Plain"
    echo x >"$root/target/Inner/file.txt"
    ln -s ../target "$root/holder/Link"
    ;;
  remove)
    rm -rf "$root"
    ;;
esac
