#!/usr/bin/env bash
# Sums a trace written through QU_TRACE by phase: each "phase <name>" event starts a phase that
# lasts until the next one (or "run end"); lines added within it are counted.
# Usage: bench/trace-phases.sh <trace file>
set -euo pipefail
tr -d '\r' < "$1" | awk '
$2 == "phase" || ($2 == "run" && $3 == "end") {
  if (name != "") { printf "  %-22s %9.1f ms  %4d lines\n", name, $1 - since, lines; total += $1 - since }
  name = ($2 == "phase") ? $3 : ""; since = $1; lines = 0; next
}
$2 == "line" { lines++ }
END { printf "  %-22s %9.1f ms\n", "run", total }'
