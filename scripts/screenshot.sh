#!/usr/bin/env bash
# Saves a picture of the upgrader's main dialog as it shows under Xvfb (the README's picture).
# Usage: scripts/screenshot.sh [picture.png]    default: docs/main-dialog.png
# QU_BUILD_DIR names the build tree (default: the one of the build this machine runs, build/ or
# build-x86-64/); it must hold QuorindoUpgrade.exe.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/scripts/machine-build.sh"
build=${QU_BUILD_DIR:-$root/build$QU_BUILD_SUFFIX}
picture=${1:-$root/docs/main-dialog.png}
program=$build/src/app/QuorindoUpgrade.exe
title="Upgrade Quorindo to Version 0.0.6.7"
[ -f "$program" ] || { echo "no $program: build first" >&2; exit 1; }

# A session of its own (prefix, Xvfb, wineserver), so a test run in the same build is left alone;
# always our own Xvfb, so the picture does not depend on the desktop it was taken on.
export QU_WINE_DIR=$build/screenshot/wine
unset DISPLAY
bash "$root/scripts/wine-session.sh" start "$QU_WINE_DIR"
pid=""
finish() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null
  bash "$root/scripts/wine-session.sh" stop "$QU_WINE_DIR"
}
trap finish EXIT
# shellcheck source=wine-env.sh
source "$root/scripts/wine-env.sh"

"$WINE" "$program" </dev/null >/dev/null 2>&1 &
pid=$!
window=""
for _ in $(seq 1 200); do
  window=$(xwininfo -name "$title" 2>/dev/null | sed -n 's/^xwininfo: Window id: \(0x[0-9a-f]*\).*/\1/p' || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "the dialog did not appear" >&2; exit 1; }
sleep 1  # let it paint
mkdir -p "$(dirname "$picture")"
import -window "$window" "$picture"
echo "saved $picture"
