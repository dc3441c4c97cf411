#!/usr/bin/env bash
# Times a whole upgrade of a shipped-size payload (83 files, about 5.5 MB compressed) through the
# real dialog, from the press of "Upgrade" to the run's closing line, beside the baseline that
# only inflates the same members to the same destinations, under the same Wine in the same run.
# Prints the medians, their ratio and the time per entry.
# Usage: bench/run-dialog.sh [build folder] [rounds]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(realpath -m "${1:-$root/build-bench}")
rounds=${2:-5}

[ -f "$build/build.ninja" ] || cmake --preset default -B "$build" >/dev/null
log=$(mktemp)
if ! cmake --build "$build" -j2 --target bench_payload bench_baseline bench_dialog QuorindoUpgrade quorindo_sample \
    >"$log" 2>&1; then
  cat "$log" >&2
  rm -f "$log"
  exit 1
fi
rm -f "$log"

export QU_WINE_DIR=$build/wine
"$root/scripts/wine-session.sh" start "$QU_WINE_DIR"
# shellcheck source=../scripts/wine-env.sh
source "$root/scripts/wine-env.sh"
[ -n "${DISPLAY:-}" ] || { echo "no display: the dialog needs one" >&2; exit 1; }

# The installation sits as shallow as a real one, on a drive of its own (see run.sh).
data=$build/bench-data
drive="$WINEPREFIX/dosdevices/p:"
rm -rf "$data" && mkdir -p "$data/temp" "$data/Program Files" "$data/Downloads"
cleanup() {
  rm -f "$drive"
  "$root/scripts/wine-session.sh" stop "$QU_WINE_DIR"
}
trap cleanup EXIT
rm -f "$drive" && ln -s "$data" "$drive"
"$WINE" "$build/bench/bench_payload.exe" 'P:\'
upgrader="Z:$(echo "$build/src/app/QuorindoUpgrade.exe" | tr / '\\')"
"$WINE" "$build/bench/bench_dialog.exe" inject "$upgrader" 'P:\payload.dat' 'P:\Downloads\QuorindoUpgrade.exe'

# The previous version of the payload's files, with the sample product's main program and
# components, so that the run finds an older installation to upgrade. cp -a keeps the times.
sample=$build/sample/0.0.6.5
fresh_installation() {
  local target="$data/Program Files/Quorindo"
  rm -rf "$target"
  cp -a "$data/installed" "$target"
  cp -a "$sample"/Quorindo.exe "$sample"/*.dll "$target/"
  cp -a "$sample"/AX/*.ax "$target/ax/"
}

package='P:\payload.dat'
install='P:\Program Files\Quorindo\'
export TMP='P:\temp' TEMP='P:\temp'
run_round() {
  fresh_installation
  "$WINE" "$build/bench/bench_baseline.exe" "$package" "$install" 'P:\temp\' | tr -d '\r' >> "$1"
  fresh_installation
  "$WINE" "$build/bench/bench_dialog.exe" run 'P:\Downloads\QuorindoUpgrade.exe' "$install" | tr -d '\r' >> "$2"
}
# One round that is not counted: the prefix's services settle and the files get cached.
run_round /dev/null /dev/null
: > "$data/baseline.txt"
: > "$data/dialog.txt"
for _ in $(seq "$rounds"); do run_round "$data/baseline.txt" "$data/dialog.txt"; done

median() {
  grep -o "$2=[0-9.]*" "$1" | cut -d= -f2 | sort -g | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'
}
baseline_ms=$(median "$data/baseline.txt" inflate_ms)
run_ms=$(median "$data/dialog.txt" run_ms)
entries=$(median "$data/dialog.txt" entries)
failed=$(grep -c "succeeded=0" "$data/dialog.txt" || true)
awk -v b="$baseline_ms" -v r="$run_ms" -v n="$entries" -v k="$rounds" -v f="$failed" '
BEGIN {
  printf "payload: 83 files, about 5.5 MB packed; medians of %d rounds (%d runs not successful)\n", k, f
  printf "baseline inflate (one load, 64 KiB):        %8.1f ms\n", b
  printf "whole run, \"Upgrade\" to closing line:       %8.1f ms  (%d entries, %.2f ms per entry)\n", r, n, r / n
  printf "ratio run / baseline:                       %8.2f\n", r / b
}'
