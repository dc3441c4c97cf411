#!/usr/bin/env bash
# The whole upgrade, shown on a throw-away Windows machine: a fresh Wine prefix under
# build/demo/ with the sample Quorindo 0.0.6.5 installed, its upgrade server and channel program
# running, and the shipped QuorindoUpgrade.exe bringing it to 0.0.6.7.
#
# With a display you see the dialog and press "Upgrade" yourself. Without one (no DISPLAY) the
# demo runs on its own Xvfb, presses "Upgrade", answers the advice box, prints the action list in
# its colours and saves the list and a screenshot under build/demo/. Then the installation is put
# back to 0.0.6.5 and upgraded once more with /auto, to show the code the upgrade server gets, and
# the record that silent run left in the installation's upgrade log is printed after the summary.
# Exit status 0 only when both upgrades succeeded. Every run starts from a fresh prefix.
# It runs the build this machine can run (scripts/machine-build.sh; QU_ARCH forces one): the
# shipped i686 one, or where the kernel runs no 32-bit code the x86-64 one, which a 64-bit
# installer would have put in C:\Program Files with its key in the 64-bit registry view.
# QU_BUILD_DIR names the build tree (default build/, or build-x86-64/ for the x86-64 build).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh
source scripts/machine-build.sh
qu_say_build
build=${QU_BUILD_DIR:-$root/build$QU_BUILD_SUFFIX}
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$QU_TOOLCHAIN_FILE" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQU_PACKER= >/dev/null
cmake --build "$build" --target QuorindoUpgrade QuorindoDemoRobot quorindo_sample

title="Upgrade Quorindo to Version 0.0.6.7"
demo=$build/demo
export QU_WINE_DIR=$demo/wine
headless=0
[ -n "${DISPLAY:-}" ] || headless=1

# A fresh prefix every time; a session left over from an interrupted demo is ended first.
[ -d "$QU_WINE_DIR" ] && bash scripts/wine-session.sh stop "$QU_WINE_DIR" || true
rm -rf "$demo"
mkdir -p "$demo"
echo "== Making a fresh Windows machine in $QU_WINE_DIR/prefix (takes a while the first time)"
bash scripts/wine-session.sh start "$QU_WINE_DIR"
finish() { bash "$root/scripts/wine-session.sh" stop "$QU_WINE_DIR"; }
trap finish EXIT
# shellcheck source=wine-env.sh
source scripts/wine-env.sh
wine() { "$WINE" "$@" </dev/null 2>/dev/null; }
# A Windows path as the host sees it.
to_unix() { wine winepath -u "$1" | tr -d '\r'; }

drive_c=$WINEPREFIX/drive_c
install_win="C:\\$QU_PROGRAM_FILES\\Quorindo"
install="$drive_c/$QU_PROGRAM_FILES/Quorindo"
product_key='HKLM\Software\Quorindo'
menu=$(to_unix "$(wine cmd /c 'echo %APPDATA%' | tr -d '\r')")/Microsoft/Windows/Start\ Menu/Programs/Quorindo
robot=$build/tools/demo/QuorindoDemoRobot.exe
upgrader_win='C:\Downloads\QuorindoUpgrade.exe'
server_log_win='C:\Downloads\QuorindoUpgradeServer.log'
server_log=$drive_c/Downloads/QuorindoUpgradeServer.log
upgrade_log_win="$install_win\\Upgrade\\UpgradeLog.txt"
upgrade_log=$install/Upgrade/UpgradeLog.txt
mkdir -p "$drive_c/Downloads"
cp "$build/src/app/QuorindoUpgrade.exe" "$drive_c/Downloads/"

# What the product's own installer leaves behind for version 0.0.6.5. Its key is in the registry
# view of the build: the 32-bit one (Software\WOW6432Node on 64-bit Windows) for the i686 build.
install_sample() {
  rm -rf "$install" "$menu"
  mkdir -p "$install" "$menu"
  cp -r "$build/sample/0.0.6.5/." "$install/"
  printf '[Skin]\r\nName=Classic\r\n' > "$install/Skin.ini"
  wine reg add "$product_key" /v 'Install Path' /d "$install_win" /f "$QU_REG_VIEW" >/dev/null
  wine reg add "$product_key" /v 'Install Version' /d 0.0.6.5 /f "$QU_REG_VIEW" >/dev/null
  wine reg delete "$product_key" /v 'Upgrade Version' /f "$QU_REG_VIEW" >/dev/null || true
  wine reg delete "$product_key" /v 'Upgrade Time' /f "$QU_REG_VIEW" >/dev/null || true
  wine reg add 'HKCU\Software\GNU\ffdshow' /f >/dev/null
}
# The version in the main program's version resource.
installed_version() {
  i686-w64-mingw32-strings -el "$install/Quorindo.exe" | grep -A1 -x FileVersion | tail -1
}
# The registered value as the product reads it, or nothing.
reg_value() {
  wine reg query "$1" /v "$2" "$QU_REG_VIEW" | tr -d '\r' | sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}
# The product's own programs, started from the installation. The upgrade ends the channel program
# itself; the server's own file may stay in use, which the upgrade tolerates.
start_product_programs() {
  "$WINE" "$robot" run "$install_win\\QuorindoUpgradeServer.exe" /log "$server_log_win" </dev/null >/dev/null 2>&1 &
  "$WINE" "$robot" run "$install_win\\QxChannel.exe" </dev/null >/dev/null 2>&1 &
  "$WINE" "$robot" wait QuorindoUpgradeServer </dev/null >/dev/null 2>&1 ||
    { echo "the sample upgrade server did not start" >&2; return 1; }
}
# Every program of ours runs under the robot's "run", which ends with the program's own exit
# status, or with 255 when the program crashed (the prefix ends a crashed program at once). A
# crash ends the demo.
CRASHED=255
fail_on_crash() {
  [ "$2" -eq "$CRASHED" ] || return 0
  echo "== $1 crashed; the demo stops here (the exception code is above)" >&2
  exit 1
}
colour_lines() {
  local red=$'\e[31m' yellow=$'\e[33m' white=$'\e[37m' plain=$'\e[0m'
  [ -z "${NO_COLOR:-}" ] || { red="" yellow="" white="" plain=""; }
  tr -d '\r' | while IFS= read -r line; do
    case "$line" in
      "line 0000C8 "*) printf '%s%s%s\n' "$red" "${line:12}" "$plain" ;;
      "line 00DCDC "*) printf '%s%s%s\n' "$yellow" "${line:12}" "$plain" ;;
      "line "*) printf '%s%s%s\n' "$white" "${line:12}" "$plain" ;;
    esac
  done
}

echo "== Installing the sample Quorindo 0.0.6.5 in $install_win"
install_sample
version_before=$(installed_version)
start_product_programs

echo "== Running $upgrader_win"
interactive_ok=0
"$WINE" "$robot" run "$upgrader_win" </dev/null >/dev/null 2>"$demo/upgrader.txt" &
upgrader=$!
if [ "$headless" = 1 ]; then
  robot_status=0
  "$WINE" "$robot" upgrade "Z:$(printf '%s' "$demo/action-list.txt" | tr / '\\')" \
    </dev/null >"$demo/robot.txt" 2>&1 || robot_status=$?
  sed -n 's/^advice //p' "$demo/robot.txt" | tr -d '\r' | sed 's/^/Advice box answered: /'
  echo "-- The action list:"
  colour_lines < "$demo/robot.txt"
  echo "--"
  grep '^robot:' "$demo/robot.txt" >&2 || true
  window=$(xwininfo -name "$title" 2>/dev/null | sed -n 's/^xwininfo: Window id: \(0x[0-9a-f]*\).*/\1/p' || true)
  import -window "${window:-root}" "$demo/screenshot.png" && echo "Screenshot: $demo/screenshot.png"
  [ -f "$demo/action-list.txt" ] && echo "Saved list: $demo/action-list.txt"
  "$WINE" "$robot" close </dev/null >/dev/null 2>&1 || true
  # A dialog that did not close within ten seconds is ended.
  for _ in $(seq 1 100); do kill -0 "$upgrader" 2>/dev/null || break; sleep 0.1; done
  kill "$upgrader" 2>/dev/null || true
  [ "$robot_status" -eq 0 ] && interactive_ok=1
else
  echo "Press \"Upgrade\" in the dialog, then Close when the yellow closing line appears."
fi
upgrader_status=0
wait "$upgrader" || upgrader_status=$?
cat "$demo/upgrader.txt" >&2
fail_on_crash "$upgrader_win" "$upgrader_status"
version_after=$(installed_version)
upgrade_version=$(reg_value "$product_key" 'Upgrade Version')
upgrade_time=$(reg_value "$product_key" 'Upgrade Time')
record=$(tr -d '\r' < "$install/RegisterFilter.log" 2>/dev/null || true)
shortcuts=$(ls "$menu" 2>/dev/null | tr '\n' ' ' || true)
autorun=$(wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' /v QxUpgradeServer | tr -d '\r' |
  sed -n 's/^ *QxUpgradeServer *REG_SZ *//p')
[ "$headless" = 0 ] && [ "$version_after" = 0.0.6.7 ] && [ "$upgrade_version" = 0.0.6.7 ] && interactive_ok=1

echo "== Putting 0.0.6.5 back and upgrading once more with /auto"
# Every program of the machine ends; the prefix and the display stay.
"$WINESERVER" -k 2>/dev/null || true
"$WINESERVER" -w 2>/dev/null || true
install_sample
: > "$server_log"
start_product_programs
auto_status=0
"$WINE" "$robot" run "$upgrader_win" /auto </dev/null >/dev/null || auto_status=$?
fail_on_crash "$upgrader_win /auto" "$auto_status"
auto_code=$(tr -d '\r' < "$server_log" | tail -1)
auto_version=$(installed_version)
# The log's last run: from its last header line ("==== ...") to its end.
last_run=$(tr -d '\r' < "$upgrade_log" 2>/dev/null | awk '/^==== /{run=""} {run=run $0 "\n"} END{printf "%s", run}' || true)
last_footer=$(printf '%s\n' "$last_run" | tail -1)

ok() { if [ "$1" = 1 ]; then echo "succeeded"; else echo "FAILED"; fi; }
auto_ok=0
[ "$auto_code" = 0 ] && [ "$auto_status" = 0 ] && [ "$auto_version" = 0.0.6.7 ] && [ "$last_footer" = "---- End of run: result code 0" ] && auto_ok=1
cat <<EOF

== Summary
Build:                        $QU_ARCH ($QU_ARCH_WHY)
Quorindo version before:      $version_before
Quorindo version after:       $version_after
Upgrade by the dialog:        $(ok "$interactive_ok")
Registry record:              Upgrade Version = ${upgrade_version:-(none)}, Upgrade Time = ${upgrade_time:-(none)}
Files registered:             $(printf '%s' "$record" | tr '\n' ' ')
Start-menu folder holds:      ${shortcuts:-(nothing)}
Auto-start of the server:     ${autorun:-(none)}
Upgrade with /auto:           $(ok "$auto_ok") (the upgrade server received code ${auto_code:-none}; 0 = success)
Exit status of /auto:         $auto_status (what a script or deployment tool reads; 0 = success)
Upgrade log:                  $upgrade_log_win
Its last run ended:           ${last_footer:-(no record)}
Everything is under $demo

== The last run in the upgrade log
${last_run:-(no record)}
EOF
[ "$interactive_ok" = 1 ] && [ "$auto_ok" = 1 ]
