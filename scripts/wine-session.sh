# Sourced by the scripts that run Windows programs under Wine. start_wine_session <work folder>
# starts an X server when there is no DISPLAY and makes a fresh Wine prefix in
# <work folder>/prefix with a virtual desktop; stop_wine_session <work folder>, from the caller's
# clean-up, ends both again.
xvfb_pid=

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
  timeout 300 wineboot -i >/dev/null 2>&1
  # A virtual desktop: without a window manager, Wine waits about two seconds for every window
  # that is hidden or destroyed; inside its own desktop it does not, and the screen size is fixed.
  wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
  wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f >/dev/null 2>&1
  timeout 120 wineserver -w
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
