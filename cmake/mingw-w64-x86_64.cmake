# Cross-build for 64-bit Windows with Debian's MinGW-w64 (posix threads flavour). Not shipped: it
# keeps the code clean on both architectures.
set(QU_TOOLCHAIN_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
