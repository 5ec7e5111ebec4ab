#!/usr/bin/env bash
# Checks demomachine.exe and sampleuninst.exe in a fresh Wine prefix.
#
#   tools/check-demo.sh BUILD_DIR PREFIX_DIR
#
# BUILD_DIR holds bin/demomachine.exe and bin/sampleuninst.exe. PREFIX_DIR is made a fresh prefix:
# an existing Wine prefix there is deleted first; any other non-empty folder is refused. Prints one
# line per check and exits 1 when any failed, 2 on a usage error.
#
# Checks are single-quoted strings run by eval: their variables expand late on purpose.
# shellcheck disable=SC2016
set -u

if [ $# -ne 2 ]; then
  echo "usage: $0 BUILD_DIR PREFIX_DIR" >&2
  exit 2
fi
BUILD=$(cd "$1" && pwd) || exit 2
PREFIX=$2
DEMO="$BUILD/bin/demomachine.exe"
MAKE_LINKS="$(cd "$(dirname "$0")" && pwd)/make-demo-links.sh"
UNINST="$BUILD/bin/sampleuninst.exe"
for exe in "$DEMO" "$UNINST"; do
  [ -f "$exe" ] || { echo "missing $exe" >&2; exit 2; }
done

if [ -e "$PREFIX" ]; then
  if [ -f "$PREFIX/system.reg" ]; then
    rm -rf "$PREFIX"
  elif [ -n "$(ls -A "$PREFIX")" ]; then
    echo "$PREFIX is neither empty nor a Wine prefix; not touching it" >&2
    exit 2
  fi
fi
mkdir -p "$PREFIX"
export WINEPREFIX
WINEPREFIX=$(cd "$PREFIX" && pwd)
# The prefix's own Recycle Bin and configuration, no menu entries or icons in the host's home
# folder, and the seal and check of a prefix's ways into the host (wine_env_seal_prefix).
. "$(cd "$(dirname "$0")/.." && pwd)/scripts/wine-env.sh"
export WINEDEBUG=-all
export XDG_DATA_HOME=$WINEPREFIX/xdg-data XDG_CONFIG_HOME=$WINEPREFIX/xdg-config
mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME"

SERVER_PID=""
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  [ -n "$SERVER_PID" ] && kill "$SERVER_PID" 2>/dev/null
}
trap cleanup EXIT

wineboot -i </dev/null >/dev/null 2>&1
wineserver -w
# Drive C: and the tools' folder as drive P:, and no link into the host (the new prefix links
# Desktop, Documents, Templates... to the host's home).
wine_env_seal_prefix "$WINEPREFIX" "$BUILD/bin" || { echo "the prefix could not be sealed" >&2; exit 1; }
wineserver -p </dev/null >/dev/null 2>&1 &
SERVER_PID=$!
wine cmd /c exit </dev/null >/dev/null 2>&1

C="$WINEPREFIX/drive_c"
PF="$C/Program Files"
UNINSTALL='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall'
ARPCACHE='HKLM\Software\Microsoft\Windows\CurrentVersion\App Management\ARPCache'

checks=0
failures=0
check() {  # check DESCRIPTION COMMAND...
  local what=$1
  shift
  checks=$((checks + 1))
  if "$@"; then
    echo "ok   $what"
  else
    failures=$((failures + 1))
    echo "FAIL $what"
  fi
}

w() { wine "$@" </dev/null 2>/dev/null | tr -d '\r'; }
demo() { w "$DEMO" "$@"; }
# Asked once more when it fails, as reg_query below: under load a query of an existing key has
# come back as a failure.
key_exists() {
  wine reg query "$@" </dev/null >/dev/null 2>&1 || wine reg query "$@" </dev/null >/dev/null 2>&1
}
key_absent() { ! key_exists "$@"; }
# reg_query ARGS...: "wine reg query", asked once more when it fails (once in a hundred runs a
# query of an existing key came back empty).
reg_query() {
  local out
  out=$(wine reg query "$@" </dev/null 2>/dev/null) || out=$(wine reg query "$@" </dev/null 2>/dev/null)
  printf '%s\n' "$out" | tr -d '\r'
}
# line_of KEY NAME [REG-OPTIONS]: the value's line in "reg query KEY" ("    NAME    TYPE    DATA").
line_of() { reg_query "$1" "${@:3}" | grep -F "    $2    REG_" | head -n 1; }
value_is() {  # value_is KEY NAME TYPE DATA
  local line
  line=$(line_of "$1" "$2")
  [ -n "$line" ] && [ "$line" = "    $2    $3    $4" ]
}
value_type_is() { line_of "$1" "$2" | grep -qF "    $2    $3    "; }
value_absent() { [ -z "$(line_of "$1" "$2")" ]; }
# The hex text of a binary value; two characters a byte.
binary_of() { line_of "$@" | sed -nE 's/^ +.+ +REG_BINARY +([0-9A-F]*)$/\1/p'; }
# usage_hex KEY OFFSET LENGTH [REG-OPTIONS]: bytes of the SlowInfoCache record of ARPCache\KEY.
usage_hex() {
  local hex
  hex=$(binary_of "$ARPCACHE\\$1" SlowInfoCache "${@:4}")
  echo "${hex:$(($2 * 2)):$(($3 * 2))}"
}
le_number() {  # little-endian hex bytes to a decimal number
  local hex=$1 out=""
  while [ -n "$hex" ]; do out="${hex:0:2}$out"; hex=${hex:2}; done
  echo $((16#$out))
}
filetime() { echo $((($1 + 11644473600) * 10000000)); }  # Unix seconds to FILETIME ticks
local_midnight() { date -d "$(date -d "-$1 days" +%F) 00:00:00" +%s; }
usage_time() { le_number "$(usage_hex "$1" 16 8)"; }
binary_size_is() { local hex; hex=$(binary_of "$1" "$2"); [ "${#hex}" -eq $(($3 * 2)) ]; }
# subkey_count KEY [REG-OPTIONS]: "reg query" prints the key itself, then each subkey.
subkey_count() { echo $(($(w reg query "$@" | grep -c '^HKEY_') - 1)); }
# The Uninstall subkeys of every place: the machine's two views and the user's key (0 for a
# place without the key).
all_keys() {
  w reg query "$UNINSTALL" /reg:64
  w reg query "$UNINSTALL" /reg:32
  w reg query "${UNINSTALL/HKLM/HKCU}"
}
all_count() { all_keys | grep -ciE '\\Uninstall\\[^\\]+$' || true; }
contains() { [[ "$1" == *"$2"* ]]; }
exit_code_of() { demo --exec "$1" | sed -nE 's/^exit ([0-9]+)$/\1/p'; }
quiet_of() { line_of "$UNINSTALL\\$1" QuietUninstallString | sed -nE 's/^ +QuietUninstallString +REG_SZ +//p'; }
run_entry_code() { demo --run "$1" | sed -nE 's/^exit ([0-9]+)$/\1/p'; }
starts_with_hex() { [ "$(head -c $(( ${#2} / 2 )) "$1" | od -An -tx1 | tr -d ' \n')" = "$2" ]; }
wait_until() {  # wait_until SECONDS COMMAND...: polls until the command succeeds
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    [ $SECONDS -ge $deadline ] && return 1
    sleep 0.2
  done
}
now_ms() { date +%s%3N; }

echo "== demo machine"
baseline=$(subkey_count "$UNINSTALL")
baseline_all=$(all_count)
summary=$(demo)
check "demomachine reports 62 entries and 4 leftovers" \
  contains "$summary" "62 Uninstall entries (28 usage records), 4 leftovers"
check "folder links made from the Unix side" bash "$MAKE_LINKS" "$DEMO"
check "no drive but C: and the tools' folder, no link into the host at any depth" \
  wine_env_check_prefix "$WINEPREFIX"
check "56 entries in the 64-bit view" [ "$(subkey_count "$UNINSTALL")" -eq $((baseline + 56)) ]
check "Tallyho and the x86 runtime are in the 32-bit view only" \
  eval 'key_exists "$UNINSTALL\Tallyho Accounting 2019" /reg:32 &&
        key_absent "$UNINSTALL\Tallyho Accounting 2019" /reg:64 &&
        key_exists "$UNINSTALL\{3C9B1E7A-40D2-4F6B-A815-7E2C0D9F4B61}" /reg:32'
check "Parley Chat and Sketchbook Code are the user's own" \
  eval 'key_exists "${UNINSTALL/HKLM/HKCU}\ParleyChat" &&
        key_absent "$UNINSTALL\ParleyChat" /reg:64 && key_absent "$UNINSTALL\ParleyChat" /reg:32 &&
        key_exists "${UNINSTALL/HKLM/HKCU}\{7A3F1C2E-5B4D-4E8A-9C1F-2D6E8B0A4C37}_is1"'
check "Glider is in the 32-bit view only" \
  eval 'key_exists "$UNINSTALL\Glider Screen Capture" /reg:32 &&
        key_absent "$UNINSTALL\Glider Screen Capture" /reg:64'
check "quoted command with arguments" value_is "$UNINSTALL\Lumen Browser" UninstallString REG_SZ \
  '"C:\Program Files\Lumen Software\Lumen Browser\uninstall.exe" --uninstall --system-level /key "Lumen Browser" /dir "C:\Program Files\Lumen Software\Lumen Browser"'
check "icon path,0" value_is "$UNINSTALL\Lumen Browser" DisplayIcon REG_SZ \
  'C:\Program Files\Lumen Software\Lumen Browser\lumen.exe,0'
check "MsiExec.exe /X{GUID}" value_is "$UNINSTALL\{6B1E2D40-9A7C-4F3B-8E21-5D0C7A4B9F10}" \
  UninstallString REG_SZ 'MsiExec.exe /X{6B1E2D40-9A7C-4F3B-8E21-5D0C7A4B9F10}'
check "msiexec /x without .exe" value_is "$UNINSTALL\{A03E5C11-6D2F-4B8A-9E47-C15D8B3F2A96}" \
  UninstallString REG_SZ 'msiexec /x{A03E5C11-6D2F-4B8A-9E47-C15D8B3F2A96}'
check "NSIS-shaped uninstaller names Nullsoft in its manifest" \
  grep -q Nullsoft.NSIS.exehead "$C/Program Files/Lumo/Recorder/uninstall.exe"
check "Marlin FTP for the machine and for the user, neither with a size" \
  eval 'key_exists "$UNINSTALL\MarlinFTP" && key_exists "${UNINSTALL/HKLM/HKCU}\MarlinFTP" &&
        value_absent "$UNINSTALL\MarlinFTP" EstimatedSize'
check "two glued option paths" value_is "$UNINSTALL\Tessellate CAD 9" UninstallString REG_SZ \
  'C:\Program Files\Tessellate\CAD 9\uninst.exe -fC:\Program Files\Tessellate\CAD 9\Uninst.isu -cC:\Program Files\Tessellate\CAD 9\_ISRES.DLL'
check "expand-string command" value_type_is "$UNINSTALL\Fernleaf Notes" UninstallString REG_EXPAND_SZ
check "REG_DWORD DisplayName" value_is "$UNINSTALL\{5E0B7C3A-2D4F-4A1B-8C6E-9F3D1A7B2E54}" \
  DisplayName REG_DWORD 0x1
check "empty DisplayName" value_is "$UNINSTALL\PebbleTray" DisplayName REG_SZ ''
check "update without DisplayName" value_absent "$UNINSTALL\KB5034441" DisplayName
check "quiet command beside the normal one" value_is "$UNINSTALL\BrightlineToolbar" \
  QuietUninstallString REG_SZ \
  '"C:\Program Files\Brightline Media\Toolbar\uninstall.exe" /S /key BrightlineToolbar /dir "C:\Program Files\Brightline Media\Toolbar"'
check "entry without UninstallString" value_absent "$UNINSTALL\Gazette Fonts" UninstallString
check "binary UninstallString" value_type_is "$UNINSTALL\Ember Tray Helper" UninstallString REG_BINARY
check "same DisplayName twice" eval \
  '[ "$(w reg query "$UNINSTALL" /s /v DisplayName | grep -c "Corvid Runtime Redistributable 2022 (x64)$")" -eq 2 ]'
check "usage record: 552 bytes starting 552, 0" eval \
  '[[ "$(binary_of "$ARPCACHE\Lumen Browser" SlowInfoCache)" == 2802000000000000* ]] &&
   binary_size_is "$ARPCACHE\Lumen Browser" SlowInfoCache 552'
check "usage size at offset 8" [ "$(le_number "$(usage_hex "Tessellate CAD 9" 8 8)")" -eq $((8704 * 1024 * 1024)) ]
check "usage count at offset 24" [ "$(usage_hex "Lumen Browser" 24 4)" = D5120000 ]
check "usage path at offset 28" [ "$(usage_hex "Lumen Browser" 28 12)" = 43003A005C00500072006F00 ]
check "last used two hours ago" eval \
  'time=$(usage_time "Lumen Browser"); now=$(date +%s);
   [ "$time" -gt "$(filetime $((now - 3 * 3600)))" ] && [ "$time" -lt "$(filetime $((now - 3600)))" ]'
check "last used at local midnight" [ "$(usage_time Packrat_is1)" = "$(filetime "$(local_midnight 40)")" ]
check "last used a second before local midnight" \
  [ "$(usage_time "Reelbox Media Player")" = "$(filetime $(($(local_midnight 12) - 1)))" ]
check "last used all bits set" [ "$(usage_hex "Starforge Legends" 16 8)" = FFFFFFFFFFFFFFFF ]
check "last used all zeros" [ "$(usage_hex "Ironbark Code" 16 8)" = 0000000000000000 ]
check "negative size" [ "$(usage_hex "Drizzle Cloud Sync" 8 8)" = 0000B0FFFFFFFFFF ]
check "negative count (32-bit view)" [ "$(usage_hex "Glider Screen Capture" 24 4 /reg:32)" = FDFFFFFF ]
check "path field without terminator" eval \
  '[ "$(usage_hex "Fernleaf Notes" 550 2)" = 2000 ] && [ "$(usage_hex "Fernleaf Notes" 28 4)" = 43003A00 ]'
check "usage record of 551 bytes" binary_size_is "$ARPCACHE\Cinder PDF Reader" SlowInfoCache 551
check "usage record of 553 bytes" binary_size_is "$ARPCACHE\PolarisTablet" SlowInfoCache 553
check "usage record as REG_SZ" value_type_is "$ARPCACHE\Forgepoint SDK 3.2" SlowInfoCache REG_SZ
check "file type .qpd" value_is 'HKCR\.qpd' '(Default)' REG_SZ Quillpad.Document
check "open command of Quillpad.Document" \
  key_exists 'HKCR\Quillpad.Document\shell\open\command'
check "vendor keys in HKLM and HKCU" eval \
  'key_exists "HKLM\Software\Quillpad\Office 2024" && key_exists "HKCU\Software\Quillpad\Office 2024\Settings"'
check "orphan vendor key" key_exists 'HKLM\Software\Orbital Sync\Accounts'
check "program exe is a PE file" starts_with_hex "$PF/Lumen Software/Lumen Browser/lumen.exe" 4d5a
check "uninstaller beside it" starts_with_hex "$PF/Lumen Software/Lumen Browser/uninstall.exe" 4d5a
check ".ico header with three images" starts_with_hex "$PF/Quillpad/Office 2024/quillpad.ico" 000001000300
check "option files named in the command" \
  eval '[ -f "$PF/Tessellate/CAD 9/Uninst.isu" ] && [ -f "$PF/Tessellate/CAD 9/_ISRES.DLL" ]'
check "missing uninstaller is missing" eval \
  '[ -f "$PF/Brightwave/Radio/brightwave.exe" ] && [ ! -e "$PF/Brightwave/Radio/uninstall.exe" ]'
check "unwise.exe on the search path" starts_with_hex "$C/windows/unwise.exe" 4d5a
check "Start-menu shortcut" starts_with_hex \
  "$C/ProgramData/Microsoft/Windows/Start Menu/Programs/Quillpad/Office 2024/Quillpad Writer.lnk" 4c000000
check "all users' desktop shortcut" starts_with_hex "$C/users/Public/Desktop/Lumen Browser.lnk" 4c000000
check "user's desktop shortcut" eval 'starts_with_hex "$C"/users/*/Desktop/"Tidewater Tycoon.lnk" 4c000000'
check "leftover folder without entry" eval \
  '[ -f "$PF/Driftwood Games/Tidepool Racer/tidepool.exe" ] && key_absent "$UNINSTALL\Tidepool Racer"'
if command -v identify >/dev/null; then
  check "ImageMagick reads 16, 32 and 48 pixel icons" eval \
    '[ "$(identify -format "%w " "$PF/Tessellate/CAD 9/tcad.ico")" = "16 32 48 " ]'
fi
check "read back: values, icons through the shell, shortcuts" eval 'demo --verify | grep -q "^Demo machine intact.$"'

echo "== leftovers for the assisted uninstall"
USER_HOME=$(find "$C/users" -mindepth 1 -maxdepth 1 -type d ! -name Public | head -n 1)
USER_PROGRAMS="$USER_HOME/AppData/Roaming/Microsoft/Windows/Start Menu/Programs"
COMMON_PROGRAMS="$C/ProgramData/Microsoft/Windows/Start Menu/Programs"
ALBUM="$PF/Pinecone Album"
MAIL="$PF/MartenMail"
MAILBOXES="$C/users/Public/Documents/Marten Mailboxes"
# The flags "wine attrib" shows for one file: A, S, H, R in that order.
attrib_of() { w attrib "$1" | head -n 1 | cut -c 1-12 | tr -d ' '; }
# The target path a shortcut file holds (its link information keeps it as text).
lnk_target() { strings -n 6 "$1" | grep -m 1 -E '^[A-Z]:\\'; }
last_name() { local path=${1%\\}; echo "${path##*\\}"; }
folder_of() { echo "${1%\\*}"; }
# start_menu_both NAME: a Start-menu folder of that name, holding shortcuts, in the user's and
# the all users' Programs folder.
start_menu_both() {
  ls "$USER_PROGRAMS/$1"/*.lnk >/dev/null 2>&1 && ls "$COMMON_PROGRAMS/$1"/*.lnk >/dev/null 2>&1
}
album_target=$(lnk_target "$USER_HOME/Desktop/Pinecone Photo Album.lnk")
mail_target=$(lnk_target "$USER_HOME/Desktop/Marten Mail.lnk")

check "two leftovers without Uninstall entry" \
  [ "$(demo --list | grep -c '^(no key)[[:space:]]leftover for the assisted uninstall')" -eq 2 ]
check "desktop shortcuts lead to the programs' executables" eval \
  '[ "$album_target" = "C:\Program Files\Pinecone Album\pinecone.exe" ] &&
   [ "$mail_target" = "C:\Program Files\MartenMail\martenmail.exe" ] &&
   starts_with_hex "$ALBUM/pinecone.exe" 4d5a && starts_with_hex "$MAIL/martenmail.exe" 4d5a'
check "the executables' folders lie directly in Program Files" eval \
  '[ "$(folder_of "$(folder_of "$album_target")")" = "C:\Program Files" ] &&
   [ "$(folder_of "$(folder_of "$mail_target")")" = "C:\Program Files" ]'
check "program folders with nested subfolders" eval \
  '[ -f "$ALBUM/Plugins/Filters/sepia.flt" ] && [ -f "$ALBUM/Settings/settings.ini" ] &&
   [ -f "$MAIL/Templates/Letters/formal.mmt" ] && [ -f "$MAIL/Logs/Archive/2025-11.log" ]'
check "read-only files" eval \
  '[ "$(attrib_of "C:\Program Files\Pinecone Album\license.txt")" = AR ] &&
   [ "$(attrib_of "C:\Program Files\Pinecone Album\Help\manual.txt")" = AR ] &&
   [ "$(attrib_of "C:\Program Files\MartenMail\Templates\plain.mmt")" = AR ]'
check "hidden and system files" eval \
  '[ "$(attrib_of "C:\Program Files\Pinecone Album\desktop.ini")" = ASH ] &&
   [ "$(attrib_of "C:\Program Files\Pinecone Album\Plugins\plugins.cache")" = AH ] &&
   [ "$(attrib_of "C:\Program Files\MartenMail\Logs\mail.log")" = AH ]'
check "plain files stay plain" eval \
  '[ "$(attrib_of "C:\Program Files\Pinecone Album\Help\shortcuts.txt")" = A ]'
check "Start-menu folders named after the program folder, for the user and all users" \
  start_menu_both "$(last_name "$(folder_of "$album_target")")"
check "Start-menu folders named after the desktop shortcut, for the user and all users" \
  start_menu_both "Marten Mail"
check "no Start-menu folder named after the other rule" eval \
  '[ ! -e "$USER_PROGRAMS/Pinecone Photo Album" ] && [ ! -e "$USER_PROGRAMS/MartenMail" ]'
check "vendor keys under HKCU\Software" eval \
  'key_exists "HKCU\Software\Pinecone\Photo Album\Settings" &&
   key_exists "HKCU\Software\Marten Labs\Marten Mail\Accounts\Home"'
check "two extensions each, opening with their ProgID" eval \
  'value_is "HKCR\.pcalb" "(Default)" REG_SZ Pinecone.Album &&
   value_is "HKCR\.pcshow" "(Default)" REG_SZ Pinecone.Album &&
   value_is "HKCR\.mtnmsg" "(Default)" REG_SZ MartenMail.Message &&
   value_is "HKCR\.mtnbox" "(Default)" REG_SZ MartenMail.Message &&
   key_exists "HKCR\Pinecone.Album\shell\open\command" &&
   key_exists "HKCR\MartenMail.Message\shell\open\command"'
check "the mailboxes folder is a relative link to the data folder outside" eval \
  '[ -L "$MAIL/Mailboxes" ] && [[ "$(readlink "$MAIL/Mailboxes")" != /* ]] &&
   [ "$(readlink -f "$MAIL/Mailboxes")" = "$(readlink -f "$MAILBOXES")" ]'
# A walk that followed the link would reach the data: that is what its survival shows.
check "the data file lies outside and Wine lists it through the link" eval \
  '[ -f "$MAILBOXES/Inbox.mbx" ] &&
   w cmd /c dir /b "C:\Program Files\MartenMail\Mailboxes" | grep -qx Inbox.mbx'
check "making the links again keeps the link" eval \
  'bash "$MAKE_LINKS" "$DEMO" && [ -L "$MAIL/Mailboxes" ] && [ -f "$MAILBOXES/Inbox.mbx" ]'
check "a folder in the link's place is left alone" eval \
  'rm "$MAIL/Mailboxes" && mkdir "$MAIL/Mailboxes" && ! bash "$MAKE_LINKS" "$DEMO" 2>/dev/null &&
   [ -d "$MAIL/Mailboxes" ] && [ ! -L "$MAIL/Mailboxes" ] && rmdir "$MAIL/Mailboxes"'
check "--verify names the missing link" eval \
  'demo --verify | grep -qF "no folder link (tools/make-demo-links.sh makes it): C:\Program Files\MartenMail\Mailboxes"'
check "--verify names lost attributes" eval \
  'w attrib -h "C:\Program Files\Pinecone Album\Plugins\plugins.cache" &&
   w attrib -r "C:\Program Files\MartenMail\readme.txt" &&
   problems=$(demo --verify) &&
   grep -qF "attributes differ: C:\Program Files\Pinecone Album\Plugins\plugins.cache" <<<"$problems" &&
   grep -qF "attributes differ: C:\Program Files\MartenMail\readme.txt" <<<"$problems"'
check "rerun and links restore them" eval \
  'demo >/dev/null && bash "$MAKE_LINKS" "$DEMO" && demo --verify | grep -q "^Demo machine intact.$"'

echo "== traces for the leftover finder"
INKPAD="$PF/Fernhollow/Inkpad"
ROAMING="$USER_HOME/AppData/Roaming"
LOCAL="$USER_HOME/AppData/Local"
RUN='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'
INKPAD_CLASS='HKCU\Software\Classes\CLSID\{3F2A9C41-7D5E-4B18-A6C2-1E90B47D5F63}'
check "Inkpad's folders: install, Roaming, Local, ProgramData" eval \
  '[ -f "$INKPAD/inkpad.exe" ] && [ -f "$INKPAD/inkshell.dll" ] &&
   [ -f "$ROAMING/Fernhollow/Inkpad/inkpad.ini" ] && [ -f "$LOCAL/Fernhollow/Inkpad/inkpad.ini" ] &&
   [ -f "$C/ProgramData/Fernhollow/Inkpad/inkpad.ini" ]'
check "Inkpad's shortcuts: Start menu and desktop" eval \
  '[ "$(lnk_target "$COMMON_PROGRAMS/Fernhollow/Inkpad/Inkpad.lnk")" = "C:\Program Files\Fernhollow\Inkpad\inkpad.exe" ] &&
   [ "$(lnk_target "$USER_HOME/Desktop/Inkpad.lnk")" = "C:\Program Files\Fernhollow\Inkpad\inkpad.exe" ]'
check "Inkpad's keys: vendor, App Paths, ProgID, extension, COM class" eval \
  'key_exists "HKCU\Software\Fernhollow\Inkpad" && key_exists "HKLM\Software\Fernhollow\Inkpad" &&
   value_is "HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths\inkpad.exe" "(Default)" REG_SZ "C:\Program Files\Fernhollow\Inkpad\inkpad.exe" &&
   value_is "HKCU\Software\Classes\Fernhollow.Inkpad.Note\shell\open\command" "(Default)" REG_SZ "\"C:\Program Files\Fernhollow\Inkpad\inkpad.exe\" \"%1\"" &&
   value_is "HKCU\Software\Classes\.inknote" "(Default)" REG_SZ Fernhollow.Inkpad.Note &&
   value_is "$INKPAD_CLASS\InprocServer32" "(Default)" REG_SZ "C:\Program Files\Fernhollow\Inkpad\inkshell.dll"'
check "Inkpad's values in shared keys: Run and .txt OpenWithProgids" eval \
  'value_is "$RUN" Inkpad REG_SZ "\"C:\Program Files\Fernhollow\Inkpad\inkpad.exe\" /tray" &&
   value_is "HKCU\Software\Classes\.txt\OpenWithProgids" Fernhollow.Inkpad.Note REG_SZ ""'
check "bystanders: Slate shares the publisher's folder, key and Common Files" eval \
  'key_exists "$UNINSTALL\Fernhollow Slate" && [ -f "$PF/Fernhollow/Slate/slate.exe" ] &&
   [ -f "$ROAMING/Fernhollow/account.ini" ] && [ -f "$ROAMING/Fernhollow/Slate/brushes.ini" ] &&
   [ -f "$PF/Common Files/Fernhollow/fhcore.dll" ] &&
   value_is "HKCU\Software\Fernhollow" Licence REG_SZ FH-2291-7730 && key_exists "HKCU\Software\Fernhollow\Slate"'
check "bystanders: Inkpad Viewer, the user's Inkpad documents, the installer in Downloads" eval \
  'key_exists "$UNINSTALL\Inkpad Viewer" && [ -f "$PF/Inkpad Viewer/inkview.exe" ] &&
   [ -f "$ROAMING/Inkpad Viewer/recent.ini" ] &&
   [ -f "$USER_HOME/Documents/Inkpad/Shopping list.inknote" ] &&
   [ -f "$USER_HOME/Downloads/InkpadSetup-3.2.0.exe" ]'
check "Inkpad's sloppy uninstaller removes only its entry and inkpad.exe" eval \
  '[ "$(run_entry_code "Fernhollow Inkpad_is1")" = 0 ] && key_absent "$UNINSTALL\Fernhollow Inkpad_is1" &&
   [ ! -e "$INKPAD/inkpad.exe" ] && [ -f "$INKPAD/inkshell.dll" ] &&
   [ -f "$ROAMING/Fernhollow/Inkpad/inkpad.ini" ] && key_exists "HKLM\Software\Fernhollow\Inkpad" &&
   value_is "$RUN" Inkpad REG_SZ "\"C:\Program Files\Fernhollow\Inkpad\inkpad.exe\" /tray"'
check "a rerun puts Inkpad back, its shared values once" eval \
  'demo >/dev/null && demo --verify | grep -q "^Demo machine intact.$" &&
   [ "$(reg_query "$RUN" | grep -c "    Inkpad    ")" -eq 1 ]'

echo "== rerun and benchmark entries"
check "second run succeeds" eval '[[ "$(demo)" == *"62 Uninstall entries"* ]]'
check "second run adds no entry" [ "$(subkey_count "$UNINSTALL")" -eq $((baseline + 56)) ]
check "--count 3000 writes 3000 entries" eval '[[ "$(demo --count 3000 --prefix Chk)" == *"Wrote 3000 entries and 1500 usage records"* ]]'
check "3000 more entries" [ "$(all_count)" -eq $((baseline_all + 3062)) ]
check "spread over the three places" eval \
  '[ "$(subkey_count "$UNINSTALL")" -gt $((baseline + 840)) ] &&
   [ "$(subkey_count "$UNINSTALL" /reg:32)" -gt 800 ] && [ "$(subkey_count "${UNINSTALL/HKLM/HKCU}")" -gt 800 ]'
check "--count again replaces them" eval \
  'demo --count 3000 --prefix Chk >/dev/null && [ "$(all_count)" -eq $((baseline_all + 3062)) ]'
check "numbered and GUID-like names" eval \
  'all_keys | grep -q "Chk00001$" && all_keys | grep -q "BE4C-4000-8000-000000000003}$"'
check "benchmark commands point at real shared files" eval \
  '[ "$(ls "$PF/Purgalot Bench/Chk" | wc -l)" -eq 24 ]'
check "demo entries undisturbed" eval 'demo --verify | grep -q "^Demo machine intact.$"'
check "--clear-count removes them" eval '[[ "$(demo --clear-count --prefix Chk)" == *"Removed 3000 entries and 1500 usage records"* ]]'
check "back to the demo entries" eval \
  '[ "$(subkey_count "$UNINSTALL")" -eq $((baseline + 56)) ] && [ "$(all_count)" -eq $((baseline_all + 62)) ]'
check "benchmark files removed" [ ! -e "$PF/Purgalot Bench/Chk" ]

echo "== demo entries' uninstallers"
check "unquoted command with spaces runs and exits 0" [ "$(run_entry_code "Harbor VPN Client")" = 0 ]
check "... its key is gone" key_absent "$UNINSTALL\Harbor VPN Client"
check "... its usage record is gone" key_absent "$ARPCACHE\Harbor VPN Client"
check "... its folder is gone" [ ! -e "$PF/Harbor Networks/Harbor VPN" ]
check "glued option file drives uninst.exe" eval \
  '[ "$(run_entry_code "Tessellate CAD 9")" = 0 ] && key_absent "$UNINSTALL\Tessellate CAD 9" && [ ! -e "$PF/Tessellate/CAD 9" ]'
check "options beside unins000.exe" eval \
  '[ "$(run_entry_code Packrat_is1)" = 0 ] && key_absent "$UNINSTALL\Packrat_is1" && [ ! -e "$PF/Packrat" ]'
check "expand-string command" eval \
  '[ "$(run_entry_code "Fernleaf Notes")" = 0 ] && key_absent "$UNINSTALL\Fernleaf Notes" && [ ! -e "$PF/Fernleaf/Notes" ]'
check "rundll32 INF section deletes its key" eval \
  '[ "$(run_entry_code KestrelHDAudio)" = 0 ] && key_absent "$UNINSTALL\KestrelHDAudio"'
check "cancelling uninstaller exits 1602 and keeps its key" eval \
  '[ "$(run_entry_code "Tidewater Tycoon")" = 1602 ] && key_exists "$UNINSTALL\Tidewater Tycoon"'
check "quiet command removes key and folder" eval \
  '[ "$(exit_code_of "$(quiet_of BrightlineToolbar)")" = 0 ] && key_absent "$UNINSTALL\BrightlineToolbar" &&
   [ ! -e "$PF/Brightline Media/Toolbar" ]'
check "quiet command that exits 0 and leaves its key" eval \
  '[ "$(exit_code_of "$(quiet_of NorthwindLauncher)")" = 0 ] && key_exists "$UNINSTALL\NorthwindLauncher"'
check "quiet command that fails exits 2 and keeps its key" eval \
  '[ "$(exit_code_of "$(quiet_of SprocketDriverHelper)")" = 2 ] && key_exists "$UNINSTALL\SprocketDriverHelper"'
check "missing uninstaller cannot start" eval '[ -z "$(run_entry_code "Brightwave Radio")" ]'
check "--verify names what the uninstallers removed" eval \
  'demo --verify | grep -qF "Harbor VPN Client: key missing: Software\Microsoft\Windows\CurrentVersion\Uninstall\Harbor VPN Client"'
check "rerun restores the demo machine" eval \
  'demo >/dev/null && demo --verify | grep -q "^Demo machine intact.$"'

echo "== sample uninstaller modes"
T="$C/toolcheck"
mkdir -p "$T"
TK='Software\PurgalotToolCheck'
UK="$TK\\Uninstall"
AK="$TK\\App Management\\ARPCache"
LOG='C:\toolcheck\log.txt'
# case NAME [EXE]: a program folder with its uninstaller, data and settings; keys come below.
make_folder() {
  local dir="$T/$1"
  mkdir -p "$dir/Settings"
  cp "$UNINST" "$dir/${2:-uninstall.exe}"
  cp "$UNINST" "$dir/app.exe"
  echo data >"$dir/data.txt"
  echo "[General]" >"$dir/Settings/settings.ini"
}
cases=(plain leavekey cancel leavefiles keepkey exitcode failstep detach hkcu view32 isu dat outside)
{
  echo "REGEDIT4"
  for name in "${cases[@]}"; do
    root=HKEY_LOCAL_MACHINE
    [ "$name" = hkcu ] && root=HKEY_CURRENT_USER
    printf '[%s\\%s\\%s]\n"DisplayName"="Check %s"\n' "$root" "$UK" "$name" "$name"
    printf '[%s\\%s\\%s\\Component]\n"Part"=dword:00000001\n' "$root" "$UK" "$name"
    printf '[%s\\%s\\%s]\n"SlowInfoCache"=hex:28,02,00,00,00,00,00,00\n' "$root" "$AK" "$name"
  done
  # The same name in both views: /view 32 must take only the 32-bit one.
  printf '%s\n' '[HKEY_LOCAL_MACHINE\Software\Wow6432Node\PurgalotToolCheck\Uninstall\view32]' \
    '"DisplayName"="Check view32 (32-bit)"'
} >"$T/cases.reg"
w regedit /s 'C:\toolcheck\cases.reg'
for name in "${cases[@]}"; do make_folder "$name"; done
mkdir -p "$T/isu case" && mv "$T/isu/"* "$T/isu case/" && rmdir "$T/isu"
mv "$T/isu case/uninstall.exe" "$T/isu case/uninst.exe"
printf '%s\r\n' "/key isu /uninstallkey \"$UK\" /dir \"C:\\toolcheck\\isu case\" /log $LOG" >"$T/isu case/Uninst.isu"
echo "resources" >"$T/isu case/_ISRES.DLL"
mv "$T/dat/uninstall.exe" "$T/dat/unins000.exe"
printf '%s' "/key dat /uninstallkey \"$UK\" /dir C:\\toolcheck\\dat" >"$T/dat/unins000.dat"
mkdir -p "$T/noargs" && cp "$UNINST" "$T/noargs/app.exe" && echo data >"$T/noargs/data.txt"

args() { printf '/key %s /uninstallkey "%s" /dir C:\\toolcheck\\%s /log %s' "$1" "$UK" "$1" "$LOG"; }
run_case() {  # run_case NAME EXTRA: the case's own uninstaller with its arguments
  exit_code_of "\"C:\\toolcheck\\$1\\uninstall.exe\" $(args "$1") ${2:-}"
}
gone() {  # gone NAME [ROOT]: key, usage record and folder removed
  local root=${2:-HKLM}
  key_absent "$root\\$UK\\$1" && key_absent "$root\\$AK\\$1" && [ ! -e "$T/$1" ]
}
untouched() {
  key_exists "HKLM\\$UK\\$1\\Component" && key_exists "HKLM\\$AK\\$1" &&
    [ -f "$T/$1/uninstall.exe" ] && [ -f "$T/$1/data.txt" ]
}
# The process id on the first log line that holds TEXT.
logged_pid() { grep -F "$1" "$T/log.txt" | head -n 1 | sed -nE 's/^sampleuninst\[([0-9]+)\].*/\1/p'; }

check "default: exits 0" [ "$(run_case plain)" = 0 ]
check "default: key with subkeys, usage record and folder removed" gone plain
check "default: the log names the steps" eval \
  'grep -q "removed key plain" "$T/log.txt" && grep -qF "removed folder C:\toolcheck\plain" "$T/log.txt"'
check "default: the running uninstaller moved itself out of the folder" \
  grep -qF "moved own executable to" "$T/log.txt"
check "/leave-key: exits 1602" [ "$(run_case leavekey /leave-key)" = 1602 ]
check "/leave-key: key and files untouched" untouched leavekey
check "/cancel: exits 1602, nothing touched" eval '[ "$(run_case cancel /cancel)" = 1602 ] && untouched cancel'
check "/leave-files: exits 0" [ "$(run_case leavefiles /leave-files)" = 0 ]
check "/leave-files: key gone, settings and log left, the rest removed" eval \
  'key_absent "HKLM\\$UK\\leavefiles" && [ -f "$T/leavefiles/Settings/settings.ini" ] &&
   [ -f "$T/leavefiles/uninstall.log" ] && [ ! -e "$T/leavefiles/app.exe" ] &&
   [ ! -e "$T/leavefiles/uninstall.exe" ] && [ ! -e "$T/leavefiles/data.txt" ]'
check "/keep-key: files removed, key kept" eval \
  '[ "$(run_case keepkey /keep-key)" = 0 ] && key_exists "HKLM\\$UK\\keepkey" && [ ! -e "$T/keepkey" ]'
check "/exit 3010: full exit code after a normal run" eval \
  '[ "$(run_case exitcode "/exit 3010")" = 3010 ] && gone exitcode'
check "/fail-second-step: exits 2 and touches nothing" eval \
  '[ "$(run_case failstep /fail-second-step)" = 2 ] && untouched failstep'
check "/fail-second-step: logs the missing helper" grep -q "uninst-step2.exe could not start: error 2" "$T/log.txt"
started=$(now_ms)
detach_code=$(run_case detach "/detach /delay 2000")
elapsed=$(($(now_ms) - started))
check "/detach: exits 0" [ "$detach_code" = 0 ]
check "/detach: returns before the delay is over (${elapsed} ms)" [ "$elapsed" -lt 2000 ]
check "/detach: key still there when it returns" key_exists "HKLM\\$UK\\detach"
check "/detach: a helper removes key and folder later" wait_until 20 gone detach
parent=$(logged_pid 'detach\uninstall.exe" /key detach')
helper=$(logged_pid "removed key detach")
check "/detach: the helper is another process ($parent, $helper)" \
  eval '[ -n "$parent" ] && [ -n "$helper" ] && [ "$parent" != "$helper" ]'
check "/root HKCU" eval '[ "$(run_case hkcu "/root HKCU")" = 0 ] && gone hkcu HKCU'
check "/view 32 removes the 32-bit key only" eval \
  '[ "$(run_case view32 "/view 32")" = 0 ] &&
   key_absent "HKLM\\Software\\Wow6432Node\\PurgalotToolCheck\\Uninstall\\view32" && key_exists "HKLM\\$UK\\view32"'
check "-f option file, unquoted paths with spaces" eval \
  '[ "$(exit_code_of "C:\\toolcheck\\isu case\\uninst.exe -fC:\\toolcheck\\isu case\\Uninst.isu -cC:\\toolcheck\\isu case\\_ISRES.DLL")" = 0 ] &&
   key_absent "HKLM\\$UK\\isu" && [ ! -e "$T/isu case" ]'
check "options from unins000.dat" eval \
  '[ "$(exit_code_of "\"C:\\toolcheck\\dat\\unins000.exe\"")" = 0 ] && key_absent "HKLM\\$UK\\dat" && [ ! -e "$T/dat" ]'
check "run from outside the folder: folder removed, own file kept" eval \
  '[ "$(exit_code_of "\"$(winepath -w "$UNINST" 2>/dev/null)\" $(args outside)")" = 0 ] && gone outside && [ -f "$UNINST" ]'
check "refuses to delete a top-level folder" eval \
  '[ "$(exit_code_of "\"$(winepath -w "$UNINST" 2>/dev/null)\" /dir C:\\toolcheck /log $LOG")" = 0 ] &&
   [ -f "$T/noargs/data.txt" ] && grep -qF "refusing to delete C:\toolcheck" "$T/log.txt"'
check "no options: does nothing" eval \
  '[ "$(exit_code_of "C:\\toolcheck\\noargs\\app.exe")" = 0 ] && [ -f "$T/noargs/app.exe" ] && [ -f "$T/noargs/data.txt" ]'

echo "$((checks - failures)) of $checks checks passed."
[ $failures -eq 0 ]
