# Sourced by the Wine scripts: the environment every Windows program of ours runs in.
# QU_WINE_DIR names the folder that holds the prefix, the display file and the server.
: "${QU_WINE_DIR:?QU_WINE_DIR must name the Wine folder of the build tree}"
export WINEPREFIX="$QU_WINE_DIR/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d${QU_EXTRA_DLLOVERRIDES:+;$QU_EXTRA_DLLOVERRIDES}"
if [ -z "${DISPLAY:-}" ] && [ -f "$QU_WINE_DIR/display" ]; then
  DISPLAY=$(cat "$QU_WINE_DIR/display")
  export DISPLAY
fi
if [ -x /usr/lib/wine/wine64 ]; then WINE=/usr/lib/wine/wine64; else WINE=$(command -v wine64 || command -v wine); fi
if [ -x /usr/lib/wine/wineserver ]; then WINESERVER=/usr/lib/wine/wineserver; else WINESERVER=$(command -v wineserver); fi
export WINE WINESERVER

# Makes the prefix on first use, set up so that a crashing program ends at once with its
# exception code: Wine's debugger prints the backtrace on stderr and shows no crash dialog that
# nobody could press. Every prefix of ours (tests, demo, package build, benches) is made here.
qu_ensure_prefix() {
  local ready="$WINEPREFIX/.quorindo-prefix"
  [ -f "$ready" ] && return 0
  mkdir -p "$QU_WINE_DIR"
  "$WINE" wineboot -i </dev/null >/dev/null 2>&1
  "$WINE" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1
  # Wine's own fonts (fonts-wine; Marlett draws the caption's buttons) are only found in the
  # prefix's Fonts folder by this Wine.
  local font
  for font in /usr/share/wine/fonts/*.ttf; do
    [ -f "$font" ] && cp "$font" "$WINEPREFIX/drive_c/windows/Fonts/"
  done
  "$WINESERVER" -w
  touch "$ready"
}
