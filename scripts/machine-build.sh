# Sourced by every script that builds and runs our programs: which build this machine can run.
# The shipped programs are i686 and run under Wine's 32-bit side. A kernel that runs no 32-bit
# code cannot start that side at all, so there the x86-64 build of the same code is what is built,
# run and tested; the i686 programs are still built and checked as files.
# QU_ARCH=i686 or QU_ARCH=x86-64 forces either.
# Defines: QU_ARCH, QU_ARCH_WHY, QU_PRESET, QU_TOOLCHAIN_FILE, QU_BUILD_SUFFIX ("" or "-x86-64"),
# QU_REG_VIEW (the registry view of our programs' HKLM\Software), QU_PROGRAM_FILES (where an
# installer of that build puts a program), and qu_say_build (the one line that names the choice).
qu_machine_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# The 32-bit loader of Wine is an i386 program: it answers only where the kernel runs such code.
qu_wine32_starts() { /usr/lib/wine/wine --version >/dev/null 2>&1; }

case "${QU_ARCH:-}" in
  i686 | x86-64) QU_ARCH_WHY="forced by QU_ARCH" ;;
  "")
    if qu_wine32_starts; then
      QU_ARCH=i686 QU_ARCH_WHY="this machine runs Wine's 32-bit side"
    elif [ -e /usr/lib/wine/wine ]; then
      QU_ARCH=x86-64 QU_ARCH_WHY="the kernel runs no 32-bit code, so Wine's 32-bit side cannot start"
    else
      QU_ARCH=x86-64 QU_ARCH_WHY="Wine's 32-bit side is not installed"
    fi
    ;;
  *)
    echo "QU_ARCH must be i686 or x86-64, not '$QU_ARCH'" >&2
    return 2 2>/dev/null || exit 2
    ;;
esac

if [ "$QU_ARCH" = i686 ]; then
  QU_PRESET=default QU_BUILD_SUFFIX="" QU_REG_VIEW=/reg:32 QU_PROGRAM_FILES='Program Files (x86)'
  QU_TOOLCHAIN_FILE=$qu_machine_root/cmake/mingw-w64-i686.cmake
else
  QU_PRESET=x86-64 QU_BUILD_SUFFIX=-x86-64 QU_REG_VIEW=/reg:64 QU_PROGRAM_FILES='Program Files'
  QU_TOOLCHAIN_FILE=$qu_machine_root/cmake/mingw-w64-x86_64.cmake
fi
export QU_ARCH

qu_say_build() {
  if [ "$QU_ARCH" = i686 ]; then
    echo "== Build: i686, the shipped one ($QU_ARCH_WHY)"
  else
    echo "== Build: x86-64 of the same code, not the shipped i686 one ($QU_ARCH_WHY)"
  fi
}
