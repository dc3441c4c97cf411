#!/usr/bin/env bash
# Starts or stops what a test run shares: an Xvfb display (when none is given),
# the Wine prefix (made on first use) and one persistent wineserver.
# Usage: wine-session.sh start|stop <wine folder>
set -u
action=$1
export QU_WINE_DIR=$2
mkdir -p "$QU_WINE_DIR"
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

start_display() {
  [ -n "${DISPLAY:-}" ] && return 0
  # Sessions that start together (each sweep has its own) choose their displays one at a time:
  # two that took the same number would share one Xvfb, and the first to stop would end it.
  exec 9>/tmp/qu-xvfb-choice.lock
  flock 9
  choose_display
  local chosen=$?
  exec 9>&-
  return $chosen
}

choose_display() {
  local n
  for n in $(seq 91 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    # Detached, so CTest does not wait on its output pipes; without the choice's lock.
    setsid Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 9>&- &
    echo $! > "$QU_WINE_DIR/xvfb.pid"
    for _ in $(seq 1 50); do
      [ -e "/tmp/.X11-unix/X$n" ] && { echo ":$n" > "$QU_WINE_DIR/display"; return 0; }
      sleep 0.1
    done
    kill "$(cat "$QU_WINE_DIR/xvfb.pid")" 2>/dev/null
  done
  echo "no free X display for Xvfb" >&2
  return 1
}

case "$action" in
  start)
    rm -f "$QU_WINE_DIR/display"
    start_display || exit 1
    source "$here/wine-env.sh"
    if [ ! -f "$WINEPREFIX/.quorindo-prefix" ]; then
      echo "Creating Wine prefix $WINEPREFIX (first use takes a while)"
      qu_ensure_prefix
    fi
    setsid "$WINESERVER" -p </dev/null >/dev/null 2>&1 &
    # Prove the prefix answers before any test relies on it.
    "$WINE" cmd /c exit 0 </dev/null >/dev/null 2>&1 || true
    # Our Xvfb has no window manager: Wine then waits 2 s for one whenever it hides a managed
    # window (every closed dialog). Unmanaged windows hide at once and Wine draws their frames.
    if [ -f "$QU_WINE_DIR/xvfb.pid" ]; then
      "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1 || true
    fi
    ;;
  stop)
    source "$here/wine-env.sh"
    "$WINESERVER" -k 2>/dev/null
    "$WINESERVER" -w 2>/dev/null
    if [ -f "$QU_WINE_DIR/xvfb.pid" ]; then
      kill "$(cat "$QU_WINE_DIR/xvfb.pid")" 2>/dev/null
      rm -f "$QU_WINE_DIR/xvfb.pid" "$QU_WINE_DIR/display"
    fi
    ;;
  *) echo "usage: $0 start|stop <wine folder>" >&2; exit 2 ;;
esac
exit 0
