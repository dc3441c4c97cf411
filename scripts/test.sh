#!/usr/bin/env bash
# Installs what is missing, configures, builds and runs every test under Wine.
# The shipped build is 32-bit (i686) and is what runs wherever Wine's 32-bit side starts; the code
# that ships is then also compiled for x86-64, so it stays clean on both architectures. On a
# machine that runs no 32-bit code (scripts/machine-build.sh), the x86-64 build is built and
# tested instead, and the shipped i686 programs are built and go through every check that runs
# no 32-bit program. QU_ARCH forces either build.
# Exit status: CTest's, or the first failing build's.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$top"
bash scripts/install-deps.sh
source scripts/machine-build.sh
qu_say_build
build=${QU_BUILD_DIR:-$top/build}

configure() {  # configure <folder> <toolchain file> [cache settings...]
  local folder=$1 toolchain=$2
  shift 2
  cmake -S . -B "$folder" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
}

if [ "$QU_ARCH" = i686 ]; then
  configure "$build" "$QU_TOOLCHAIN_FILE" -DQU_PACKER=
  cmake --build "$build"
  echo "== The code that ships, compiled for x86-64 too"
  configure "$build-x86-64" "$top/cmake/mingw-w64-x86_64.cmake"
  cmake --build "$build-x86-64" --target quorindo_core quorindo_app QuorindoPack
  tested=$build
else
  tested=$build-x86-64
  configure "$tested" "$QU_TOOLCHAIN_FILE" -DQU_PACKER=
  cmake --build "$tested"
  echo "== The shipped i686 programs, packed by the x86-64 QuorindoPack and checked as files"
  configure "$build" "$top/cmake/mingw-w64-i686.cmake" -DQU_PACKER="$tested/tools/pack/QuorindoPack.exe"
  cmake --build "$build" --target QuorindoUpgrade QuorindoUpgradeBuilder QuorindoPack
  (cd "$build" && ctest --output-on-failure -L host)
fi
cd "$tested"
ctest --output-on-failure --timeout 600 -j2 "$@"
