# Sourced by the scripts: a private Wine prefix, a persistent wineserver and an Xvfb display, all
# stopped again by wine_env_stop (by PID, never by name).

export WINEDEBUG=${WINEDEBUG:--all}
# No menu entries or icons in the host's home folder. (Disabling mshtml as well would leave the
# new prefix without most file types, .exe among them, and so without program icons.)
export WINEDLLOVERRIDES="winemenubuilder.exe=d"
WINE_ENV_XVFB_PID=""
WINE_ENV_WM_PID=""
WINE_ENV_SERVER_PID=""

# wine_env_prefix DIR: makes DIR a fresh Wine prefix unless it already is one.
wine_env_prefix() {
  export WINEPREFIX=$1
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

wine_env_stop() {
  if [ -n "${WINEPREFIX:-}" ]; then wineserver -k >/dev/null 2>&1 || true; fi
  for pid in $WINE_ENV_WM_PID $WINE_ENV_XVFB_PID $WINE_ENV_SERVER_PID; do
    kill "$pid" 2>/dev/null || true
  done
  WINE_ENV_WM_PID=""; WINE_ENV_XVFB_PID=""; WINE_ENV_SERVER_PID=""
}
