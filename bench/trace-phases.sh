#!/usr/bin/env bash
# Sums a trace written through QU_TRACE by phase: each "phase <name>" event starts a phase that
# lasts until the next one (or "run end"); lines that reached the list within it are counted.
# The install pass's time per line is what a line costs the run; the list takes its lines in
# batches ("batch <n> lines").
# Usage: bench/trace-phases.sh <trace file>
set -euo pipefail
tr -d '\r' < "$1" | awk '
$2 == "phase" || ($2 == "run" && $3 == "end") {
  if (name != "") { printf "  %-22s %9.1f ms  %4d lines\n", name, $1 - since, lines; total += $1 - since }
  if (name == "install" && lines > 0) per_line = ($1 - since) / lines
  name = ($2 == "phase") ? $3 : ""; since = $1; lines = 0; next
}
$2 == "line" { lines++; all++ }
$2 == "batch" { batches++ }
END {
  printf "  %-22s %9.1f ms\n", "run", total
  if (per_line > 0) printf "  install pass: %.2f ms per line\n", per_line
  if (batches > 0) printf "  %d lines reached the list in %d batches\n", all, batches
}'
