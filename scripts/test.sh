#!/usr/bin/env bash
# Installs what is missing, configures, builds and runs every test under Wine.
# The shipped build is 32-bit (i686). The code that ships is also compiled for x86-64, so it
# stays clean on both architectures; nothing of that build is run.
# Exit status: CTest's, or the first failing build's.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$top"
bash scripts/install-deps.sh
build=${QU_BUILD_DIR:-$top/build}
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-i686.cmake" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build"
echo "== The code that ships, compiled for x86-64 too"
cmake -S . -B "$build-x86-64" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build-x86-64" --target quorindo_core quorindo_app QuorindoPack
cd "$build"
ctest --output-on-failure --timeout 600 -j2 "$@"
