#!/usr/bin/env bash
# Installs what is missing, configures, builds and runs every test under Wine.
# Exit status: CTest's.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$top"
bash scripts/install-deps.sh
build=${QU_BUILD_DIR:-$top/build}
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build"
cd "$build"
ctest --output-on-failure --timeout 600 -j2 "$@"
