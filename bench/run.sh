#!/usr/bin/env bash
# Times the upgrader's two passes over a payload like the shipped one (83 files, about 5.5 MB
# compressed) against an installation of the same files, and a baseline that only inflates the
# same members to the same destinations (zlib loaded once, 64 KiB buffer), under the same Wine
# in the same run. Prints the medians, their ratio and the upgrader's peak private memory.
# Usage: bench/run.sh [build folder] [rounds]
# With QU_BENCH_TMPFS=1 (root only) the installation and the scratch files live on a tmpfs, which
# takes the disk out of the figures and leaves the work of the programs and of Wine.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/scripts/machine-build.sh"
qu_say_build
build=$(realpath -m "${1:-$root/build-bench$QU_BUILD_SUFFIX}")
rounds=${2:-5}

source "$root/bench/bench-session.sh"
bench_session bench_payload bench_upgrade bench_baseline

# The data folder is mapped as drive P: so that the installation sits as shallow as a real one
# ("P:\Program Files\Quorindo\"): the first pass looks at every folder on the way down.
data=$build/bench-data
drive="$WINEPREFIX/dosdevices/p:"
if mountpoint -q "$data" 2>/dev/null; then umount "$data"; fi
rm -rf "$data" && mkdir -p "$data"
cleanup() {
  rm -f "$drive"
  if mountpoint -q "$data" 2>/dev/null; then umount "$data"; fi
  "$root/scripts/wine-session.sh" stop "$QU_WINE_DIR"
}
trap cleanup EXIT
if [ "${QU_BENCH_TMPFS:-0}" = 1 ]; then
  mount -t tmpfs -o size=512m qu-bench "$data"
fi
rm -f "$drive" && ln -s "$data" "$drive"
mkdir -p "$data/temp" "$data/Program Files"
"$WINE" "$build/bench/bench_payload.exe" 'P:\'

# A fresh copy of the previous version before every run; cp -a keeps the files' times.
fresh_installation() {
  rm -rf "$data/Program Files/Quorindo"
  cp -a "$data/installed" "$data/Program Files/Quorindo"
}

package='P:\payload.dat'
install='P:\Program Files\Quorindo\'
temp='P:\temp\'
# One round that is not counted: the prefix's own services settle and the files get cached.
fresh_installation
"$WINE" "$build/bench/bench_baseline.exe" "$package" "$install" "$temp" >/dev/null
fresh_installation
"$WINE" "$build/bench/bench_upgrade.exe" "$package" "$install" "$temp" >/dev/null
: > "$data/baseline.txt"
: > "$data/upgrade.txt"
for _ in $(seq "$rounds"); do
  fresh_installation
  "$WINE" "$build/bench/bench_baseline.exe" "$package" "$install" "$temp" | tr -d '\r' >> "$data/baseline.txt"
  fresh_installation
  "$WINE" "$build/bench/bench_upgrade.exe" "$package" "$install" "$temp" | tr -d '\r' >> "$data/upgrade.txt"
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
journal_ms=$(median "$data/upgrade.txt" journal_ms)
log_ms=$(median "$data/upgrade.txt" log_ms)
log_rewrite_ms=$(median "$data/upgrade.txt" log_rewrite_ms)
log_lines=$(median "$data/upgrade.txt" log_lines)
log_bytes=$(median "$data/upgrade.txt" log_bytes)
package_bytes=$(median "$data/upgrade.txt" package)
start_private=$(median "$data/upgrade.txt" start_private)
peak_private=$(grep -o "peak_private=[0-9]*" "$data/upgrade.txt" | cut -d= -f2 | sort -g | tail -1)
calls_backup=$(median "$data/upgrade.txt" calls_backup)
calls_install=$(median "$data/upgrade.txt" calls_install)
calls_end=$(median "$data/upgrade.txt" calls_end)
calls_journal=$(median "$data/upgrade.txt" calls_journal)
flushes=$(median "$data/upgrade.txt" flushes)
baseline_peak=$(grep -o "peak_private=[0-9]*" "$data/baseline.txt" | cut -d= -f2 | sort -g | tail -1)

awk -v b="$baseline_ms" -v u="$upgrade_ms" -v bk="$backup_ms" -v ins="$install_ms" -v cl="$cleanup_ms" \
    -v ld="$loads_ms" -v sc="$scratch_ms" -v jn="$journal_ms" -v lg="$log_ms" -v lr="$log_rewrite_ms" \
    -v ll="$log_lines" -v lb="$log_bytes" -v fs="$(stat -f -c %T "$data")" \
    -v pkg="$package_bytes" -v sp="$start_private" -v pp="$peak_private" -v bp="$baseline_peak" -v r="$rounds" \
    -v cb="$calls_backup" -v ci="$calls_install" -v ce="$calls_end" -v cj="$calls_journal" -v fl="$flushes" '
BEGIN {
  mb = 1024 * 1024
  printf "payload: 83 files, package %.2f MB; medians of %d rounds; data on %s\n", pkg / 1e6, r, fs
  printf "baseline inflate (one load, 64 KiB):   %8.1f ms\n", b
  printf "upgrader first + second pass:          %8.1f ms  (backup %.1f, install %.1f; cleanup after: %.1f)\n", u, bk, ins, cl
  printf "  of which 83 library loads/unloads:   %8.1f ms, 166 scratch files made: %.1f ms (timed apart)\n", ld, sc
  printf "  the install pass journal (85 durable writes), timed apart: %.1f ms\n", jn
  printf "  the run record in the upgrade log (%d lines, %d bytes), timed apart: %.2f ms appended, %.2f ms at the 1 MiB limit\n", ll, lb, lg, lr
  printf "system calls per entry (any machine): backup %.2f, install %.2f, end %.2f; the journal %d in all\n", cb, ci, ce, cj
  printf "flush calls (files, folders, volumes), passes, journal and end: %d\n", fl
  printf "ratio upgrader / baseline:             %8.2f  (goal <= 2.0)\n", u / b
  printf "upgrader peak private memory:          %8.1f MB  (at start %.1f MB, growth %.1f MB)\n", pp / mb, sp / mb, (pp - sp) / mb
  printf "  goal: package + 16 MB =              %8.1f MB\n", pkg / mb + 16
  printf "baseline peak private memory:          %8.1f MB\n", bp / mb
}'
