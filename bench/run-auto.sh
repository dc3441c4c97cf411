#!/usr/bin/env bash
# Times a whole silent upgrade ("/auto") of a shipped-size payload (83 files, about 5.5 MB
# compressed), from the program's start to its end, beside the baseline that only inflates the
# same members to the same destinations, under the same Wine in the same run. The program's own
# start-up and end are measured with a package of no entries and taken off. Prints the medians,
# the ratio, and the phases of one traced run (QU_TRACE).
# Usage: bench/run-auto.sh [build folder] [rounds]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/scripts/machine-build.sh"
qu_say_build
build=$(realpath -m "${1:-$root/build-bench$QU_BUILD_SUFFIX}")
rounds=${2:-5}

source "$root/bench/whole-run-setup.sh"
printf '\0\0\0\0' > "$data/empty.dat"
empty_copy='P:\Downloads\Empty\QuorindoUpgrade.exe'
mkdir -p "$data/Downloads/Empty"
"$WINE" "$build/bench/bench_dialog.exe" inject "$upgrader" 'P:\empty.dat' "$empty_copy"

run_round() {
  fresh_installation
  "$WINE" "$build/bench/bench_baseline.exe" "$package" "$install" 'P:\temp\' | tr -d '\r' >> "$1"
  fresh_installation
  "$WINE" "$build/bench/bench_dialog.exe" auto "$empty_copy" "$install" | tr -d '\r' >> "$2"
  fresh_installation
  "$WINE" "$build/bench/bench_dialog.exe" auto "$upgrader_copy" "$install" | tr -d '\r' >> "$3"
}
# One round that is not counted: the prefix's services settle and the files get cached.
run_round /dev/null /dev/null /dev/null
: > "$data/baseline.txt"
: > "$data/startup.txt"
: > "$data/auto.txt"
for _ in $(seq "$rounds"); do run_round "$data/baseline.txt" "$data/startup.txt" "$data/auto.txt"; done

traced_run auto

baseline_ms=$(median "$data/baseline.txt" inflate_ms)
startup_ms=$(median "$data/startup.txt" run_ms)
auto_ms=$(median "$data/auto.txt" run_ms)
awk -v b="$baseline_ms" -v s="$startup_ms" -v a="$auto_ms" -v k="$rounds" '
BEGIN {
  printf "payload: 83 files, about 5.5 MB packed; medians of %d rounds\n", k
  printf "baseline inflate (one load, 64 KiB):        %8.1f ms\n", b
  printf "whole /auto run, start to end:              %8.1f ms\n", a
  printf "start-up and end (a package of no entries): %8.1f ms\n", s
  printf "run without start-up:                       %8.1f ms\n", a - s
  printf "ratio run / baseline:                       %8.2f  (goal <= 2.0)\n", (a - s) / b
}'
print_phases
