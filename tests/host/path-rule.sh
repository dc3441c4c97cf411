#!/usr/bin/env bash
# Fails when code under src/ looks for a path separator byte by byte outside the path functions:
# in a double-byte code page the second byte of a character may be a backslash.
# Usage: path-rule.sh <src folder>
set -uo pipefail
src=$1
allowed='^(framework/PathChars\.cpp|util/PathParts\.cpp):'
found=$(cd "$src" && grep -rnE "(find|rfind|find_first_of|find_last_of)\(\"?'?\\\\\\\\|(back|front)\(\) *[!=]= *'(\\\\\\\\|/)'|\[[0-9]+\] *[!=]= *'\\\\\\\\'" \
          --include='*.cpp' --include='*.h' . | sed 's|^\./||' | grep -vE "$allowed")
# What stands at the very start, or after two ASCII bytes ("C:"), is a character of its own.
found=$(printf '%s\n' "$found" | grep -vE "rfind\(\"[^\"]*\", 0\)|path\[1\] == ':' && path\[2\] == '\\\\\\\\'" | sed '/^$/d')
if [ -n "$found" ]; then
  printf '%s\n' "$found"
  echo "look for separators with framework/PathChars.h or util/PathParts.h instead"
  exit 1
fi
echo "no code of src/ looks for a path separator byte by byte"
