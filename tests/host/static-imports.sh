#!/usr/bin/env bash
# Fails unless each program is of the expected file format (pei-i386 for the shipped 32-bit
# build) and the usual import table of each program names KERNEL32.dll and msvcrt.dll and
# nothing else: every other system library must be delay-loaded, after the program has limited
# the library search to the system folder. Delay-loaded imports are not in that table (this
# objdump does not list them at all: their descriptors are data of the program).
# Usage: static-imports.sh <objdump> <file format> <program.exe>...
set -uo pipefail
objdump=$1 format=$2
shift 2
expected='KERNEL32.DLL MSVCRT.DLL'
failures=0
for program in "$@"; do
  if ! dump=$("$objdump" -p "$program"); then
    echo "$program: objdump failed"; failures=$((failures + 1)); continue
  fi
  found=$(sed -n 's/.*file format \(.*\)$/\1/p' <<<"$dump" | head -n 1)
  echo "$(basename "$program") is $found"
  if [ "$found" != "$format" ]; then
    echo "$program: expected file format $format"; failures=$((failures + 1))
  fi
  # The table runs from its heading to the next line that starts without a blank.
  imports=$(awk '/^The Import Tables/ { inside = 1; next }
                 inside && /^[^ \t]/ { inside = 0 }
                 inside && $1 == "DLL" && $2 == "Name:" { print toupper($3) }' <<<"$dump" |
            LC_ALL=C sort | tr '\n' ' ')
  imports=${imports% }
  echo "$(basename "$program") imports: ${imports:-nothing}"
  if [ "$imports" != "$expected" ]; then
    echo "$program: expected $expected only"; failures=$((failures + 1))
  fi
done
[ "$failures" -eq 0 ]
