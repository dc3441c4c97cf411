#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the demo need.
# Safe to run again: packages already present are skipped.
set -euo pipefail

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo

# The programs are 32-bit and run under Wine's 32-bit side, which comes from the i386 architecture.
# It is installed even where the kernel cannot run it: scripts/machine-build.sh finds that out.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "Adding the i386 architecture (Wine's 32-bit side)"
  $SUDO dpkg --add-architecture i386
fi

packages=(
  cmake ninja-build
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  libz-mingw-w64 libz-mingw-w64-dev
  googletest
  wine wine64 wine32:i386 fonts-wine
  xvfb xauth x11-utils
  liblnk-utils gzip imagemagick
  python3-pefile
  locales
)

install_packages() {
  missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0

  echo "Installing: ${missing[*]}"
  # A mirror caught mid-sync fails one index; retry, then go on with what was fetched; the install
  # below still fails if a package cannot be found.
  for attempt in 1 2 3; do
    $SUDO apt-get update -qq && break
    echo "apt-get update failed (attempt $attempt of 3)" >&2
    [ "$attempt" -lt 3 ] && sleep 10
  done
  apt_install() { DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "$@" >/dev/null; }
  apt_install "${missing[@]}" && return 0
  # Without a current i386 index (a mirror mid-sync) Wine's 32-bit side cannot be resolved; everything
  # else still installs, and scripts/machine-build.sh then picks the x86-64 build.
  rest=()
  for p in "${missing[@]}"; do [ "$p" = wine32:i386 ] || rest+=("$p"); done
  [ ${#rest[@]} -lt ${#missing[@]} ] || return 1
  echo "Wine's 32-bit side could not be installed; going on without it" >&2
  [ ${#rest[@]} -eq 0 ] || apt_install "${rest[@]}"
}

# Wine takes a program's ANSI code page from the Unix locale: the tests of the double-byte code
# page run with LC_ALL=ja_JP.UTF-8, which needs that locale generated (code page 932).
make_locales() {
  locale -a 2>/dev/null | grep -qix 'ja_JP.utf8' && return 0
  echo "Generating the ja_JP.UTF-8 locale"
  $SUDO sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  $SUDO locale-gen >/dev/null
}

install_packages
make_locales
