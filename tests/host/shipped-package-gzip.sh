#!/usr/bin/env bash
# Checks the shipped package with the host's own gzip, independently of every line of our code:
# each entry is cut out of the package, must pass `gzip -t`, and must inflate to its source file.
# Usage: shipped-package-gzip.sh <CompressData.dat> <newer version folder> <CMD List.ini>
set -euo pipefail
package=$1 newer=$2 command_list=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

u32() { od -An -t u4 -j "$1" -N 4 "$package" | tr -d ' '; }
size=$(stat -c %s "$package")
count=$(u32 0)
at=4
failures=0
for ((i = 1; i <= count; i++)); do
  length=$(u32 "$at")
  path=$(dd if="$package" bs=1 skip=$((at + 4)) count="$length" status=none)
  at=$((at + 4 + length + 8))
  compressed=$(u32 "$at")
  at=$((at + 4))
  member="$work/$i.gz"
  dd if="$package" of="$member" bs=64K iflag=skip_bytes,count_bytes skip="$at" count="$compressed" status=none
  at=$((at + compressed))
  if [ "$path" = '<Temp>\CMD List.ini' ]; then
    source_file=$command_list
  else
    source_file="$newer/$(printf '%s' "${path#.\\}" | tr '\\' '/')"
  fi
  if ! gzip -t "$member" 2>/dev/null; then
    echo "entry $i ($path): gzip -t fails"; failures=$((failures + 1))
  elif ! gzip -dc "$member" | cmp -s - "$source_file"; then
    echo "entry $i ($path): inflates to something other than $source_file"; failures=$((failures + 1))
  fi
done
[ "$at" -eq "$size" ] || { echo "entries end at byte $at of $size"; failures=$((failures + 1)); }
echo "$count entries checked with gzip, $failures failures"
[ "$failures" -eq 0 ]
