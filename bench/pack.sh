#!/usr/bin/env bash
# Times `QuorindoPack build` on a payload like the shipped one (the 83 files bench_payload makes)
# and sets its package beside the host's `gzip -6` of the same files: sizes and times.
# Usage: bench/pack.sh [build folder] [rounds]       defaults: build-bench/ (build-bench-x86-64/ for the x86-64 build), 5 rounds
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$root/scripts/machine-build.sh"
qu_say_build
build=$(realpath -m "${1:-$root/build-bench$QU_BUILD_SUFFIX}")
rounds=${2:-5}

source "$root/bench/bench-session.sh"
bench_session bench_payload QuorindoPack
trap '"$root/scripts/wine-session.sh" stop "$QU_WINE_DIR"' EXIT
windows() { printf 'Z:%s' "$1" | tr / '\\'; }

data=$build/bench-pack
rm -rf "$data" && mkdir -p "$data/files"
"$WINE" "$build/bench/bench_payload.exe" "$(windows "$data")\\" </dev/null | tr -d '\r'

# The payload's files are its package's members: cut them out and inflate them on the host.
package=$data/payload.dat
u32() { od -An -t u4 -j "$1" -N 4 "$package" | tr -d ' '; }
count=$(u32 0)
at=4
list=$data/UpgradeSet.ini
printf '[Install Source]\r\nsource count=%d\r\n' "$count" > "$list"
for ((i = 1; i <= count; i++)); do
  length=$(u32 "$at")
  stored=$(dd if="$package" bs=1 skip=$((at + 4)) count="$length" status=none)
  at=$((at + 4 + length + 8))
  compressed=$(u32 "$at")
  at=$((at + 4))
  file="$data/files/$(printf '%s' "${stored#.\\}" | tr '\\' '/')"
  mkdir -p "$(dirname "$file")"
  dd if="$package" bs=64K iflag=skip_bytes,count_bytes skip="$at" count="$compressed" status=none | gzip -dc > "$file"
  at=$((at + compressed))
  printf '[Source %d]\r\nSource Path=%s\r\nDest Relative Path=%s\r\n' "$i" "$(windows "$file")" "$stored" >> "$list"
done
raw=$(find "$data/files" -type f -printf '%s\n' | awk '{s += $1} END {print s}')

median() { sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'; }
now_ms() { date +%s%3N; }
pack_times=() gzip_times=()
for ((r = 1; r <= rounds; r++)); do
  start=$(now_ms)
  "$WINE" "$build/tools/pack/QuorindoPack.exe" build "$(windows "$list")" "$(windows "$data/CompressData.dat")" \
    </dev/null >/dev/null
  pack_times+=($(($(now_ms) - start)))
  rm -rf "$data/gzip" && mkdir -p "$data/gzip"
  start=$(now_ms)
  (cd "$data/files" && find . -type f | while IFS= read -r f; do
    mkdir -p "$data/gzip/$(dirname "$f")"
    gzip -6 -n -c "$f" > "$data/gzip/$f.gz"
  done)
  gzip_times+=($(($(now_ms) - start)))
done

members=$(find "$data/gzip" -type f -printf '%s\n' | awk '{s += $1} END {print s}')
package_size=$(stat -c %s "$data/CompressData.dat")
paths=$(tr -d '\r' < "$list" | sed -n 's/^Dest Relative Path=//p' | awk '{s += length($0)} END {print s}')
# The package holds the members plus 16 bytes and the stored path per entry, plus the count.
pack_members=$((package_size - 4 - 16 * count - paths))
printf 'files: %d, %d bytes uncompressed\n' "$count" "$raw"
printf 'QuorindoPack package: %d bytes (members %d bytes)\n' "$package_size" "$pack_members"
printf 'host gzip -6 -n members: %d bytes; difference %s%%\n' "$members" \
  "$(awk -v a="$pack_members" -v b="$members" 'BEGIN {printf "%.3f", (a - b) * 100 / b}')"
printf 'QuorindoPack build, median of %d: %d ms (all: %s)\n' "$rounds" \
  "$(printf '%s\n' "${pack_times[@]}" | median)" "${pack_times[*]}"
printf 'host gzip -6 of the same files, median of %d: %d ms (all: %s)\n' "$rounds" \
  "$(printf '%s\n' "${gzip_times[@]}" | median)" "${gzip_times[*]}"
