#!/usr/bin/env bash
# Times the upgrader's two passes over a payload like the shipped one (83 files, about 5.5 MB
# compressed) against an installation of the same files, and a baseline that only inflates the
# same members to the same destinations (zlib loaded once, 64 KiB buffer), under the same Wine
# in the same run. Prints the medians, their ratio and the upgrader's peak private memory.
# Usage: bench/run.sh [build folder] [rounds]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(realpath -m "${1:-$root/build-bench}")
rounds=${2:-5}

[ -f "$build/build.ninja" ] || cmake --preset default -B "$build" >/dev/null
log=$(mktemp)
if ! cmake --build "$build" -j2 --target bench_payload bench_upgrade bench_baseline >"$log" 2>&1; then
  cat "$log" >&2
  rm -f "$log"
  exit 1
fi
rm -f "$log"

export QU_WINE_DIR=$build/wine
"$root/scripts/wine-session.sh" start "$QU_WINE_DIR"
trap '"$root/scripts/wine-session.sh" stop "$QU_WINE_DIR"' EXIT
# shellcheck source=../scripts/wine-env.sh
source "$root/scripts/wine-env.sh"

data=$build/bench-data
windows() { echo "Z:${1//\//\\}"; }
rm -rf "$data" && mkdir -p "$data"
"$WINE" "$build/bench/bench_payload.exe" "$(windows "$data")\\"

# A fresh copy of the previous version before every run; cp -a keeps the files' times.
fresh_installation() {
  rm -rf "$data/install"
  cp -a "$data/installed" "$data/install"
}

package=$(windows "$data/payload.dat")
install="$(windows "$data/install")\\"
: > "$data/baseline.txt"
: > "$data/upgrade.txt"
for _ in $(seq "$rounds"); do
  fresh_installation
  "$WINE" "$build/bench/bench_baseline.exe" "$package" "$install" | tr -d '\r' >> "$data/baseline.txt"
  fresh_installation
  "$WINE" "$build/bench/bench_upgrade.exe" "$package" "$install" | tr -d '\r' >> "$data/upgrade.txt"
done

# The median of one key=value field over the rounds.
median() {
  grep -o "$2=[0-9.]*" "$1" | cut -d= -f2 | sort -g | awk '{v[NR]=$1} END {print v[int((NR+1)/2)]}'
}
baseline_ms=$(median "$data/baseline.txt" inflate_ms)
upgrade_ms=$(median "$data/upgrade.txt" passes_ms)
backup_ms=$(median "$data/upgrade.txt" backup_ms)
install_ms=$(median "$data/upgrade.txt" install_ms)
cleanup_ms=$(median "$data/upgrade.txt" cleanup_ms)
loads_ms=$(median "$data/upgrade.txt" loads_ms)
scratch_ms=$(median "$data/upgrade.txt" scratch_ms)
package_bytes=$(median "$data/upgrade.txt" package)
start_private=$(median "$data/upgrade.txt" start_private)
peak_private=$(grep -o "peak_private=[0-9]*" "$data/upgrade.txt" | cut -d= -f2 | sort -g | tail -1)
baseline_peak=$(grep -o "peak_private=[0-9]*" "$data/baseline.txt" | cut -d= -f2 | sort -g | tail -1)

awk -v b="$baseline_ms" -v u="$upgrade_ms" -v bk="$backup_ms" -v ins="$install_ms" -v cl="$cleanup_ms" \
    -v ld="$loads_ms" -v sc="$scratch_ms" \
    -v pkg="$package_bytes" -v sp="$start_private" -v pp="$peak_private" -v bp="$baseline_peak" -v r="$rounds" '
BEGIN {
  mb = 1024 * 1024
  printf "payload: 83 files, package %.2f MB; medians of %d rounds\n", pkg / 1e6, r
  printf "baseline inflate (one load, 64 KiB):   %8.1f ms\n", b
  printf "upgrader first + second pass:          %8.1f ms  (backup %.1f, install %.1f; cleanup after: %.1f)\n", u, bk, ins, cl
  printf "  of which 83 library loads/unloads:   %8.1f ms, 166 scratch files made: %.1f ms (timed apart)\n", ld, sc
  printf "ratio upgrader / baseline:             %8.2f  (goal <= 2.0)\n", u / b
  printf "upgrader peak private memory:          %8.1f MB  (at start %.1f MB, growth %.1f MB)\n", pp / mb, sp / mb, (pp - sp) / mb
  printf "  goal: package + 16 MB =              %8.1f MB\n", pkg / mb + 16
  printf "baseline peak private memory:          %8.1f MB\n", bp / mb
}'
