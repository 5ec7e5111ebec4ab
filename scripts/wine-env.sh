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

# wine_env_prefix DIR: makes DIR a fresh Wine prefix unless it already is one.
wine_env_prefix() {
  export WINEPREFIX=$1
  # Wine's Recycle Bin is the XDG trash of $XDG_DATA_HOME, by default in the host's home: the
  # prefix gets one of its own, so nothing it moves to the bin reaches the host. Wine makes the
  # Trash folder but not this one, and without it the shell deletes for good.
  export XDG_DATA_HOME=$WINEPREFIX/xdg-data
  mkdir -p "$XDG_DATA_HOME"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i </dev/null >/dev/null 2>&1
    # Windows shows an .ico file's own picture as its icon; a new Wine prefix lacks that link.
    wine reg add 'HKCR\.ico' /ve /d icofile /f </dev/null >/dev/null 2>&1
    wine reg add 'HKCR\icofile\DefaultIcon' /ve /d '%1' /f </dev/null >/dev/null 2>&1
    # Wine's Tahoma has no Chinese or Japanese; Windows links its UI font to fonts that do.
    wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
      /v Tahoma /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' /f </dev/null >/dev/null 2>&1
    wineserver -w
    # A new prefix links the user's Desktop, Documents and the like to the host's home folder;
    # the prefix gets folders of its own so that nothing it does reaches the host.
    local link
    for link in "$WINEPREFIX"/drive_c/users/*/*; do
      if [ -L "$link" ]; then
        rm -f "$link"
        mkdir -p "$link"
      fi
    done
  fi
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
