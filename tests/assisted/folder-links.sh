#!/bin/sh
# folder-links.sh setup|cleanup: folder links as Wine shows them (Unix symbolic links inside the
# test prefix's C:, which Wine reports as reparse points), for the deletion tests. Wine cannot make
# them from Windows code. Touches only C:\purgalot_links of the prefix in $WINEPREFIX.
set -eu
if [ -z "${WINEPREFIX:-}" ] || [ ! -d "$WINEPREFIX/drive_c" ]; then
  echo "folder-links.sh: WINEPREFIX does not name a Wine prefix" >&2
  exit 1
fi
root="$WINEPREFIX/drive_c/purgalot_links"
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
    ;;
  cleanup)
    # rm does not follow the links: only what setup made goes.
    rm -rf "$root"
    ;;
  *)
    echo "usage: folder-links.sh setup|cleanup" >&2
    exit 2
    ;;
esac
