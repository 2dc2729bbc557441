# Sourced by the scripts that run Windows programs under Wine. start_wine_session <work folder>
# starts an X server when there is no DISPLAY and makes a fresh Wine prefix in
# <work folder>/prefix with a virtual desktop; stop_wine_session <work folder>, from the caller's
# clean-up, ends both again.
#
# Whether this machine runs 32-bit programs is asked once, here: Debian's Wine starts every 32-bit
# Windows program, and wineboot through /usr/bin/wine, with its 32-bit loader, which a kernel
# without 32-bit support cannot execute ("Exec format error"); its 64-bit loader runs anywhere.
# On such a machine TRELK_WIN32_RUNS is 0 and TRELK_WINE names the 64-bit loader, which every
# wine call of the scripts and of scripts/wine-run (CMake's emulator) goes through, with a 64-bit
# prefix. TRELK_WIN32_RUNS=0 set by hand takes that way on any machine (to try it).
xvfb_pid=

if [ -z "${TRELK_WIN32_RUNS:-}" ]; then
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then TRELK_WIN32_RUNS=1; else TRELK_WIN32_RUNS=0; fi
fi
export TRELK_WIN32_RUNS
if [ "$TRELK_WIN32_RUNS" = 1 ]; then
  export TRELK_WINE=wine
else
  export TRELK_WINE=/usr/lib/wine/wine64 WINELOADER=/usr/lib/wine/wine64 WINEARCH=win64
fi

# The line that says what a machine without 32-bit support could not run; empty elsewhere.
win32_note() {
  [ "$TRELK_WIN32_RUNS" = 1 ] ||
    echo "32-bit Windows programs cannot run on this machine (no 32-bit support in its kernel): the 32-bit tree was built and checked, its tests ran in the 64-bit tree"
}

start_wine_session() {
  local work=$1
  if [ -z "${DISPLAY:-}" ]; then
    # -displayfd picks a free display number and reports it once the server accepts clients.
    exec 3>"$work/display"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
    xvfb_pid=$!
    exec 3>&-
    for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
    [ -s "$work/display" ] || { echo "Xvfb did not start:"; cat "$work/xvfb.log"; return 1; }
    export DISPLAY=":$(head -n1 "$work/display")"
    echo "   started Xvfb on $DISPLAY"
  fi
  export WINEPREFIX="$work/prefix"
  export WINEDEBUG=-all
  # No Mono or Gecko: their installers would be offered while the prefix is made and can hang.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  timeout 300 "$TRELK_WINE" wineboot -i >/dev/null 2>&1
  # A virtual desktop: without a window manager, Wine waits about two seconds for every window
  # that is hidden or destroyed; inside its own desktop it does not, and the screen size is fixed.
  "$TRELK_WINE" reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  "$TRELK_WINE" reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f >/dev/null 2>&1
  timeout 120 wineserver -w
  # A prefix that was not made says so here rather than as failing tests later.
  [ -f "$WINEPREFIX/system.reg" ] || { echo "Wine could not make its prefix in $WINEPREFIX"; return 1; }
}

# Safe to call whatever start_wine_session got to, and more than once.
stop_wine_session() {
  local work=$1
  # The prefix's wineserver first (it holds the display), then the X server started here.
  if [ -d "$work/prefix" ]; then WINEPREFIX="$work/prefix" wineserver -k 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=
  fi
}
