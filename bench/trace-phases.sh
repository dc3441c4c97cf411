#!/usr/bin/env bash
# Sums a trace written through QU_TRACE by phase: each "phase <name>" event starts a phase that
# lasts until the next one (or "run end"); lines that reached the list within it are counted.
# The install pass's time per line is what a line costs the run; the list takes its lines in
# batches ("batch <n> lines"), and a visible run's list may lag behind the pass, so the time per
# entry counts the entries' new files ("inflated <n>", made ahead of the pass by its workers);
# "wait <n>" is the pass reaching entry n before its file was ready. A phase's "cpu" is the
# processor time the whole machine spent in it, on every core (the Wine server's file work
# included): on an otherwise idle machine, what the phase costs however its work is spread.
# Usage: bench/trace-phases.sh <trace file>
set -euo pipefail
tr -d '\r' < "$1" | awk '
$2 == "phase" || ($2 == "run" && $3 == "end") {
  cpu = -1
  for (i = 3; i <= NF; i++) if ($i ~ /^cpu=/) cpu = substr($i, 5)
  if (name != "") {
    printf "  %-22s %9.1f ms  %4d lines", name, $1 - since, lines
    if (cpu >= 0 && cpu_since >= 0) { printf "  %7.1f ms cpu", cpu - cpu_since; cpu_total += cpu - cpu_since }
    printf "\n"; total += $1 - since
  }
  cpu_since = cpu
  if (name == "install") { install_ms = $1 - since; if (lines > 0) per_line = install_ms / lines }
  name = ($2 == "phase") ? $3 : ""; since = $1; lines = 0; next
}
$2 == "line" { lines++; all++ }
$2 == "batch" { batches++ }
$2 == "inflated" { made++; if ($3 in waited) { wait_ms += $1 - waited[$3]; delete waited[$3] } }
$2 == "wait" { waits++; waited[$3] = $1 }
END {
  printf "  %-22s %9.1f ms", "run", total
  if (cpu_total > 0) printf "              %7.1f ms cpu", cpu_total
  printf "\n"
  if (per_line > 0) printf "  install pass: %.2f ms per line\n", per_line
  if (made > 0) {
    printf "  install pass: %.2f ms per entry (%d entries)\n", install_ms / made, made
    printf "  the pass waited for %d of its new files, %.1f ms in all\n", waits, wait_ms
  }
  if (batches > 0) printf "  %d lines reached the list in %d batches\n", all, batches
}'
