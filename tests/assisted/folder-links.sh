#!/bin/sh
# folder-links.sh setup|cleanup: folder links as Wine shows them (Unix symbolic links inside the
# test prefix's C:, which Wine reports as reparse points), for the deletion and folder tree tests.
# Wine cannot make them from Windows code. Touches only C:\purgalot_links and
# C:\purgalot_folder_tree_links of the prefix in $WINEPREFIX.
set -eu
if [ -z "${WINEPREFIX:-}" ] || [ ! -d "$WINEPREFIX/drive_c" ]; then
  echo "folder-links.sh: WINEPREFIX does not name a Wine prefix" >&2
  exit 1
fi
root="$WINEPREFIX/drive_c/purgalot_links"
tree="$WINEPREFIX/drive_c/purgalot_folder_tree_links"
case "${1:-}" in
  setup)
    rm -rf "$root"
    # The target lives beside the folders that link to it, never inside them.
    mkdir -p "$root/target/sub" "$root/app/empty"
    printf 'keep' >"$root/target/keep.txt"
    printf 'keep' >"$root/target/sub/deep.txt"
    printf 'app' >"$root/app/app.txt"
    ln -s "$root/target" "$root/app/data"
    ln -s "$root/target" "$root/applink"
    # The same again for the tests with the Recycle Bin, which run beside those above.
    mkdir -p "$root/binapp/empty"
    printf 'app' >"$root/binapp/app.txt"
    ln -s "$root/target" "$root/binapp/data"
    # A folder with a link among things the bin can take, for a test with the bin.
    mkdir -p "$root/binkept/Sub"
    printf 'app' >"$root/binkept/app.txt"
    printf 'more' >"$root/binkept/Sub/more.txt"
    ln -s "$root/target" "$root/binkept/data"
    # The folder sizes': an install folder of 8 bytes with a link to the 8 bytes of the target.
    mkdir -p "$root/sized/bin"
    printf 'abc' >"$root/sized/app.exe"
    printf '12345' >"$root/sized/bin/tool.dll"
    ln -s "$root/target" "$root/sized/data"
    # The folder tree's: a holder with a plain folder and a link to a folder beside it.
    rm -rf "$tree"
    mkdir -p "$tree/target/Inner/Deeper" "$tree/holder/Plain"
    echo x >"$tree/target/Inner/file.txt"
    ln -s ../target "$tree/holder/Link"
    ;;
  cleanup)
    # rm does not follow the links: only what setup made goes.
    rm -rf "$root" "$tree"
    ;;
  *)
    echo "usage: folder-links.sh setup|cleanup" >&2
    exit 2
    ;;
esac
