# Cross-build for 32-bit Windows with Debian's MinGW-w64 (posix threads flavour): the shipped
# architecture. The product is 32-bit, so the upgrader sees the registry, System32 and the filters
# through the same 32-bit views as the product when it runs under WOW64.
set(QU_TOOLCHAIN_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
