# The core and its tests for 32-bit x86 Linux, with Debian's g++-multilib,
# run under qemu-i386 (Debian's qemu-user) on a machine whose kernel cannot
# run 32-bit programs itself.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
# Doubles in SSE registers, as in the 32-bit Windows build: every double
# result is rounded to 64 bits where the code stores it. The car's extended
# arithmetic is long double and stays on the x87 either way.
set(CMAKE_C_FLAGS_INIT "-m32 -msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-m32 -msse2 -mfpmath=sse")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-m32")
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-i386;-L;/)
