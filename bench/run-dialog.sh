#!/usr/bin/env bash
# Times a whole upgrade of a shipped-size payload (83 files, about 5.5 MB compressed) through the
# real dialog, from the press of "Upgrade" to the run's closing line, beside the baseline that
# only inflates the same members to the same destinations, under the same Wine in the same run.
# Prints the medians, their ratio, the time per entry and the phases of one traced run (QU_TRACE).
# Usage: bench/run-dialog.sh [build folder] [rounds]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/scripts/machine-build.sh"
qu_say_build
build=$(realpath -m "${1:-$root/build-bench$QU_BUILD_SUFFIX}")
rounds=${2:-5}

source "$root/bench/whole-run-setup.sh"
[ -n "${DISPLAY:-}" ] || { echo "no display: the dialog needs one" >&2; exit 1; }

run_round() {
  fresh_installation
  "$WINE" "$build/bench/bench_baseline.exe" "$package" "$install" 'P:\temp\' | tr -d '\r' >> "$1"
  fresh_installation
  "$WINE" "$build/bench/bench_dialog.exe" run "$upgrader_copy" "$install" | tr -d '\r' >> "$2"
}
# One round that is not counted: the prefix's services settle and the files get cached.
run_round /dev/null /dev/null
: > "$data/baseline.txt"
: > "$data/dialog.txt"
for _ in $(seq "$rounds"); do run_round "$data/baseline.txt" "$data/dialog.txt"; done

traced_run run

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
print_phases
