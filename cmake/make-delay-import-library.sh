#!/usr/bin/env bash
# Makes the delay-load import library of a system DLL from MinGW's usual import library of it:
# every function that library imports. Data exports have no thunk and are left out, so a use of
# one would still show as a usual import.
# On i686 every C symbol carries a leading underscore, and a stdcall one ends in @<argument bytes>:
# the .def file names it without the underscore, and dlltool --kill-at imports it by its plain name.
# Usage: make-delay-import-library.sh <nm> <dlltool> <libX.a> <X.dll> <libX_delay.a> <symbol prefix>
set -euo pipefail
nm=$1 dlltool=$2 import_library=$3 dll=$4 output=$5 prefix=${6:-}
def=${output%.a}.def
{
  printf 'LIBRARY %s\nEXPORTS\n' "$dll"
  "$nm" "$import_library" | awk -v prefix="$prefix" '
    $2 == "I" && $3 ~ /^__imp_/ { imported[substr($3, 7)] = 1 }
    $2 == "T" { thunk[$3] = 1 }
    END {
      for (name in imported) {
        if (!(name in thunk)) continue
        if (prefix != "" && substr(name, 1, length(prefix)) != prefix) continue
        print substr(name, length(prefix) + 1)
      }
    }' | LC_ALL=C sort
} >"$def.tmp"
mv "$def.tmp" "$def"
kill_at=()
[ -z "$prefix" ] || kill_at=(--kill-at)
"$dlltool" "${kill_at[@]}" --input-def "$def" --output-delaylib "$output.tmp"
mv "$output.tmp" "$output"
