#!/usr/bin/env bash
# Builds the package the upgrader ships: the sample product's newer version and its command
# list, packed by QuorindoPack under Wine. Every payload file gets one fixed last-write time,
# so two clean builds embed byte-identical packages.
# Usage: make-shipped-package.sh <QuorindoPack.exe> <version folder> <CMD List.ini> <output folder>
set -euo pipefail
pack=$1 version_dir=$2 command_list=$3 out=$4
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
fixed_time="2026-12-01 12:00:00 UTC"

payload="$out/payload"
rm -rf "$payload"
mkdir -p "$payload"
cp -r "$version_dir"/. "$payload"/
cp "$command_list" "$payload/CMD List.ini"
find "$payload" -exec touch -h -d "$fixed_time" {} +

# Windows paths of the payload: Wine shows the host's root as drive Z:.
to_windows() { printf 'Z:%s' "$1" | tr '/' '\\'; }

list="$out/UpgradeSet.ini"
mapfile -t files < <(cd "$payload" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
{
  printf '[Install Source]\r\nsource count=%d\r\n' "${#files[@]}"
  i=0
  for f in "${files[@]}"; do
    i=$((i + 1))
    if [ "$f" = "CMD List.ini" ]; then
      stored='<Temp>\CMD List.ini'
    else
      stored=".\\$(printf '%s' "$f" | tr '/' '\\')"
    fi
    printf '[Source %d]\r\nSource Path=%s\r\nDest Relative Path=%s\r\n' "$i" "$(to_windows "$payload/$f")" "$stored"
  done
} > "$list"

export QU_WINE_DIR="${QU_WINE_DIR:-$out/wine}"
mkdir -p "$QU_WINE_DIR"
rm -f "$out/CompressData.dat"
status=0
"$here/../../scripts/wine-run.sh" "$pack" build "$(to_windows "$list")" "$(to_windows "$out/CompressData.dat")" \
  </dev/null || status=$?
# A prefix of the build's own is left with no server running (QU_WINE_PRIVATE=1).
if [ "${QU_WINE_PRIVATE:-0}" = 1 ]; then
  # shellcheck source=../../scripts/wine-env.sh
  source "$here/../../scripts/wine-env.sh"
  "$WINESERVER" -w
fi
# A failed build leaves no package behind, so the next build tries again.
[ "$status" -eq 0 ] || rm -f "$out/CompressData.dat"
exit "$status"
