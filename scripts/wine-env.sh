# Sourced by the scripts: a private Wine prefix, a persistent wineserver, an Xvfb display and a
# PDF printer, all stopped again by wine_env_stop (by PID, never by name).

export WINEDEBUG=${WINEDEBUG:--all}
# No menu entries or icons in the host's home folder. (Disabling mshtml as well would leave the
# new prefix without most file types, .exe among them, and so without program icons.)
export WINEDLLOVERRIDES="winemenubuilder.exe=d"
WINE_ENV_XVFB_PID=""
WINE_ENV_WM_PID=""
WINE_ENV_SERVER_PID=""
WINE_ENV_CUPSD_PID=""
WINE_ENV_CUPS_DIR=""
WINE_ENV_CUPS_PDF_CONF=""

# wine_env_prefix DIR PROGRAM_FOLDER: makes DIR a fresh Wine prefix unless it already is one, and
# seals it (wine_env_seal_prefix) so that Windows code sees only drive C: and PROGRAM_FOLDER.
wine_env_prefix() {
  export WINEPREFIX=$1
  local program_folder=$2
  wine_env_move_old_prefixes
  # Wine's Recycle Bin is the XDG trash of $XDG_DATA_HOME, by default in the host's home: the
  # prefix gets one of its own, so nothing it moves to the bin reaches the host. Wine makes the
  # Trash folder but not this one, and without it the shell deletes for good. Its configuration
  # stays inside the prefix too.
  export XDG_DATA_HOME=$WINEPREFIX/xdg-data
  export XDG_CONFIG_HOME=$WINEPREFIX/xdg-config
  mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i </dev/null >/dev/null 2>&1
    # Windows shows an .ico file's own picture as its icon; a new Wine prefix lacks that link.
    wine reg add 'HKCR\.ico' /ve /d icofile /f </dev/null >/dev/null 2>&1
    wine reg add 'HKCR\icofile\DefaultIcon' /ve /d '%1' /f </dev/null >/dev/null 2>&1
    wineserver -w
  fi
  wine_env_fonts
  wine_env_seal_prefix "$WINEPREFIX" "$program_folder"
}

# wine_env_fonts: a UI font that draws names in every script, as Windows' Tahoma does; a prefix
# made before gets it too. Debian's Wine looks for its own fonts in the wrong folder and so has no
# Tahoma: asked for it, Wine takes the first font linked to Tahoma instead, which has no links.
# DejaVu Sans stands in, with Latin, Greek, Cyrillic, Arabic and Hebrew: Wine shapes right-to-left
# text with the chosen font's own letters, never a linked font's. Chinese, Japanese and Korean
# come through links, which Wine looks up under the full name of the face it chose.
wine_env_fonts() {
  if grep -qF '"Tahoma"="DejaVu Sans"' "$WINEPREFIX/user.reg" 2>/dev/null &&
    grep -qF '"DejaVu Sans Bold"=str(7):"wqy' "$WINEPREFIX/system.reg" 2>/dev/null; then
    return 0
  fi
  local face
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v Tahoma /d 'DejaVu Sans' /f \
    </dev/null >/dev/null 2>&1
  for face in 'DejaVu Sans' 'DejaVu Sans Bold'; do
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
      /v "$face" /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f \
      </dev/null >/dev/null 2>&1
  done
  wineserver -w
}

# wine_env_move_old_prefixes: the prefixes used to live in build/, which the tests now see as a
# drive: a prefix left there (its drive Z: and its links to the home folder) would be reachable
# through it. Each moves to build-wine/, or goes when build-wine/ has one of that name already.
wine_env_move_old_prefixes() {
  local root name
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  for name in demoprefix testprefix benchprefix democheckprefix; do
    [ -f "$root/build/$name/system.reg" ] || continue
    mkdir -p "$root/build-wine"
    if [ -e "$root/build-wine/$name" ]; then
      rm -rf "${root:?}/build/$name"
    else
      mv "$root/build/$name" "$root/build-wine/$name"
    fi
  done
}

# wine_env_seal_prefix PREFIX PROGRAM_FOLDER [TOOLS_FOLDER]: cuts every way from the prefix into the
# host. A new prefix maps drive Z: to the host's root and links the user's Desktop, Documents,
# Templates and the like (at any depth) to the host's home folder; a deletion that reached them
# would delete the host's files. Every drive but C: goes, PROGRAM_FOLDER becomes drive P: (and
# TOOLS_FOLDER drive T:), and each link inside drive C: that leads out of it becomes an empty folder
# of its own. Wine makes those links again when it updates a prefix, so call this after every
# wineboot. Fails when a link into the host is left (wine_env_check_prefix).
wine_env_seal_prefix() {
  local prefix=$1 program_folder=$2 tools_folder=${3:-} drive_c entry target link
  drive_c=$(readlink -f "$prefix/drive_c")
  for entry in "$prefix"/dosdevices/?:; do
    [ -L "$entry" ] || continue
    case "${entry##*/}" in
      c:) ;;
      *) rm -f "$entry" ;;
    esac
  done
  ln -sfn "$(readlink -f "$program_folder")" "$prefix/dosdevices/p:"
  if [ -n "$tools_folder" ]; then
    ln -sfn "$(readlink -f "$tools_folder")" "$prefix/dosdevices/t:"
  fi
  while IFS= read -r -d '' link; do
    target=$(readlink -f "$link" 2>/dev/null) || target=""
    case "$target/" in
      "$drive_c"/*) ;;
      *) rm -f "$link" && mkdir -p "$link" ;;
    esac
  done < <(find "$drive_c" -type l -print0)
  wine_env_check_prefix "$prefix"
}

# wine_env_check_prefix PREFIX: names every way Windows code in the prefix could reach the host
# beyond what the scripts map: a drive other than C:, P: and T:, and a link inside drive C: or a
# mapped folder whose target lies outside drive C: and the mapped folders. Exits non-zero when it
# names any.
wine_env_check_prefix() {
  local prefix=$1 entry letter target link status=0
  local -a roots=()
  for entry in "$prefix"/dosdevices/?:; do
    [ -e "$entry" ] || [ -L "$entry" ] || continue
    letter=${entry##*/}
    case "$letter" in
      c: | p: | t:) roots+=("$(readlink -f "$entry")") ;;
      *) echo "drive $letter of $prefix leads to $(readlink "$entry")" >&2; status=1 ;;
    esac
  done
  for entry in "${roots[@]}"; do
    while IFS= read -r -d '' link; do
      target=$(readlink -f "$link" 2>/dev/null) || target=""
      local inside=""
      for root in "${roots[@]}"; do
        case "$target/" in "$root"/*) inside=1 ;; esac
      done
      if [ -z "$inside" ]; then
        echo "$link leads out of the prefix's drives (to ${target:-$(readlink "$link")})" >&2
        status=1
      fi
    done < <(find "$entry" -type l -print0)
  done
  return $status
}

# wine_env_display: starts Xvfb on a free display with a window manager.
wine_env_display() {
  local n=90
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
  WINE_ENV_XVFB_PID=$!
  export DISPLAY=":$n"
  for _ in $(seq 100); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    sleep 0.05
  done
  openbox --sm-disable </dev/null >/dev/null 2>&1 &
  WINE_ENV_WM_PID=$!
}

# wine_env_server: a wineserver that outlives each test, with Wine's services already up, so no
# test process inherits the test runner's pipes.
wine_env_server() {
  wineserver -p </dev/null >/dev/null 2>&1 &
  WINE_ENV_SERVER_PID=$!
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

wine_env_server_stop() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$WINE_ENV_SERVER_PID" ]; then wait "$WINE_ENV_SERVER_PID" 2>/dev/null || true; fi
  WINE_ENV_SERVER_PID=""
}

# wine_env_server_stop: ends the prefix's wineserver and every Wine process of the prefix.
wine_env_server_stop() {
  wineserver -k >/dev/null 2>&1 || true
  if [ -n "$WINE_ENV_SERVER_PID" ]; then wait "$WINE_ENV_SERVER_PID" 2>/dev/null || true; fi
  WINE_ENV_SERVER_PID=""
}

# wine_env_printer OUTDIR: a CUPS scheduler of our own (its own configuration, state and socket,
# so it neither needs nor disturbs a system one) with a cups-pdf queue "PDF" as the default
# printer, writing its PDFs into OUTDIR. Exports CUPS_SERVER for Wine and PURGALOT_PRINT_OUT for
# the tests. Call it before Wine starts: Wine reads the printer list once per process.
wine_env_printer() {
  local out=$1 dir tag up=""
  mkdir -p "$out"
  # A short path: the socket's name must fit a sockaddr_un.
  dir=$(mktemp -d /tmp/purgalot-cups.XXXXXX)
  chmod 755 "$dir"  # the filters run as lp
  mkdir -p "$dir/spool/tmp" "$dir/cache" "$dir/state" "$dir/log"
  WINE_ENV_CUPS_DIR=$dir
  cat >"$dir/cups-files.conf" <<EOF
ServerRoot $dir
RequestRoot $dir/spool
TempDir $dir/spool/tmp
CacheDir $dir/cache
StateDir $dir/state
ErrorLog $dir/log/error_log
AccessLog $dir/log/access_log
PageLog $dir/log/page_log
SystemGroup root
EOF
  cat >"$dir/cupsd.conf" <<EOF
LogLevel warn
Listen $dir/cups.sock
Browsing No
WebInterface No
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  JobPrivateAccess all
  JobPrivateValues none
  SubscriptionPrivateAccess all
  SubscriptionPrivateValues none
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOF
  # cups-pdf reads /etc/cups/cups-pdf-NAME.conf for the device cups-pdf:/NAME: a configuration of
  # our own, so the system's cups-pdf.conf stays as it is.
  tag=${dir##*/}
  tag=${tag//./-}
  WINE_ENV_CUPS_PDF_CONF=/etc/cups/cups-pdf-$tag.conf
  cat >"$WINE_ENV_CUPS_PDF_CONF" <<EOF
Out $out
AnonDirName $out
Spool $dir/cups-pdf-spool
Log $dir/log
LogType 1
Grp root
EOF
  cupsd -f -c "$dir/cupsd.conf" -s "$dir/cups-files.conf" </dev/null >"$dir/log/cupsd.out" 2>&1 &
  WINE_ENV_CUPSD_PID=$!
  export CUPS_SERVER=$dir/cups.sock
  for _ in $(seq 200); do
    if lpstat -r >/dev/null 2>&1; then up=1; break; fi
    kill -0 "$WINE_ENV_CUPSD_PID" 2>/dev/null || break
    sleep 0.05
  done
  if [ -z "$up" ]; then
    echo "The CUPS scheduler did not start:" >&2
    cat "$dir/log/cupsd.out" "$dir/log/error_log" >&2 2>/dev/null || true
    return 1
  fi
  # The scheduler may answer before it accepts printers: try a few times, and say why it failed.
  # (lpadmin also warns that printer drivers are deprecated.)
  local tries
  for tries in 1 2 3 4 5 6 7 8 9 10; do
    if lpadmin -p PDF -E -v "cups-pdf:/$tag" -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd \
        2>"$dir/log/lpadmin.err" && lpadmin -d PDF 2>>"$dir/log/lpadmin.err"; then
      break
    fi
    if [ "$tries" = 10 ]; then
      echo "The PDF printer could not be added:" >&2
      cat "$dir/log/lpadmin.err" "$dir/log/error_log" >&2 2>/dev/null || true
      return 1
    fi
    sleep 0.2
  done
  export PURGALOT_PRINT_OUT=$out
}

wine_env_stop() {
  if [ -n "${WINEPREFIX:-}" ]; then wineserver -k >/dev/null 2>&1 || true; fi
  for pid in $WINE_ENV_WM_PID $WINE_ENV_XVFB_PID $WINE_ENV_SERVER_PID $WINE_ENV_CUPSD_PID; do
    kill "$pid" 2>/dev/null || true
  done
  if [ -n "$WINE_ENV_CUPSD_PID" ]; then wait "$WINE_ENV_CUPSD_PID" 2>/dev/null || true; fi
  if [ -n "$WINE_ENV_CUPS_DIR" ]; then rm -rf "$WINE_ENV_CUPS_DIR"; fi
  if [ -n "$WINE_ENV_CUPS_PDF_CONF" ]; then rm -f "$WINE_ENV_CUPS_PDF_CONF"; fi
  WINE_ENV_WM_PID=""; WINE_ENV_XVFB_PID=""; WINE_ENV_SERVER_PID=""; WINE_ENV_CUPSD_PID=""
  WINE_ENV_CUPS_DIR=""; WINE_ENV_CUPS_PDF_CONF=""
}
