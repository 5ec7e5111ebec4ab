#!/usr/bin/env bash
# Makes the folder links of the demo machine in the Wine prefix $WINEPREFIX.
#
#   tools/make-demo-links.sh DEMOMACHINE_EXE
#
# Wine cannot make a folder link itself, but shows a Unix symbolic link to a folder inside the
# prefix's drive_c as one. demomachine.exe --links names each link and its target; a link this
# script made earlier is made afresh, anything else at a link's place is left alone and reported.
# Run it after demomachine.exe has written the demo machine. Exits 1 when a link could not be
# made, 2 on a usage error.
set -u

if [ $# -ne 1 ] || [ -z "${WINEPREFIX:-}" ]; then
  echo "usage: WINEPREFIX=PREFIX $0 DEMOMACHINE_EXE" >&2
  exit 2
fi
DEMO=$1
DRIVE_C=$(readlink -f "$WINEPREFIX/drive_c")

# The Unix path of a Windows path, with the links on the way to it (the prefix's dosdevices)
# resolved, but not the last name: that may be a link itself.
unix_path() {
  local path
  path=$(winepath -u "$1" 2>/dev/null) && [ -n "$path" ] || return 1
  echo "$(readlink -m "$(dirname "$path")")/$(basename "$path")"
}

status=0
links=$(wine "$DEMO" --links </dev/null 2>/dev/null | tr -d '\r') || {
  echo "$DEMO --links failed" >&2
  exit 1
}
while IFS=$'\t' read -r link target; do
  [ -n "$link" ] || continue
  unix_link=$(unix_path "$link") && unix_target=$(unix_path "$target") || {
    echo "winepath cannot convert $link or $target" >&2
    status=1
    continue
  }
  case "$unix_link/" in
    "$DRIVE_C"/*) ;;
    *) echo "not on drive C of the prefix: $link" >&2; status=1; continue ;;
  esac
  if [ ! -d "$unix_target" ] || [ -L "$unix_target" ]; then
    echo "link target is not a folder: $target" >&2
    status=1
  elif [ -L "$unix_link" ] || [ ! -e "$unix_link" ]; then
    # Relative, so the prefix can be moved.
    ln -sfnr "$unix_target" "$unix_link" || status=1
  else
    echo "something else is in the link's place; left as it is: $link" >&2
    status=1
  fi
done <<<"$links"
exit $status
