#!/usr/bin/env bash
# Runs one Windows program under Wine, in the prefix of the build tree.
# Usage: QU_WINE_DIR=<build>/wine wine-run.sh program.exe [arguments...]
set -u
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=wine-env.sh
source "$here/wine-env.sh"
qu_ensure_prefix
# The program writes to a file that is passed on as it grows, until the program ends: a process it
# leaves behind (Wine's debugger after a crash) then holds only that file, never our caller's output.
output=$(mktemp)
trap 'rm -f "$output"' EXIT
"$WINE" "$@" >"$output" 2>&1 &
program=$!
tail -s 0.1 --pid="$program" -f "$output"
wait "$program"
