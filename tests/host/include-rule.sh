#!/usr/bin/env bash
# Fails when a file under src/ includes from a folder of src/ that src/folders.txt does not allow
# its own folder to use, or when a folder of src/ is missing from that file.
# Usage: include-rule.sh <src folder>
set -uo pipefail
src=$1
rules=$src/folders.txt
declare -A allowed
while IFS= read -r line; do
  line=${line%%#*}
  [[ "$line" == *:* ]] || continue
  allowed[${line%%:*}]=" ${line#*:} "
done <"$rules"
failures=0
for dir in "$src"/*/; do
  folder=$(basename "$dir")
  if [ -z "${allowed[$folder]+set}" ]; then
    echo "src/$folder/ is not in src/folders.txt"; failures=$((failures + 1)); continue
  fi
  while IFS=: read -r file _ used; do
    [ "$used" = "$folder" ] && continue
    [ -d "$src/$used" ] || continue
    case "${allowed[$folder]}" in
      *" $used "*) ;;
      *) echo "${file#"$src"/} includes $used/, which $folder/ may not use"; failures=$((failures + 1)) ;;
    esac
  done < <(grep -rHnoE '^#include "[A-Za-z_]+/' "$dir" --include='*.cpp' --include='*.h' |
           sed -E 's/#include "([A-Za-z_]+)\//\1/')
done
[ "$failures" -eq 0 ] && echo "every include of src/ follows src/folders.txt"
[ "$failures" -eq 0 ]
