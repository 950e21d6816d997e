# Cross-build for 32-bit Windows with Debian's mingw-w64 (i686) compilers.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(ORMAKIN_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)

# Doubles in SSE registers, as on x86-64: every double result is rounded to
# 64 bits where the code stores it, instead of staying at the x87's 80 bits
# until the compiler happens to spill it. The car's extended arithmetic is
# long double and stays on the x87 either way.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
